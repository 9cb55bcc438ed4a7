// RPC codec: the JSON form of values, requests and replies exchanged with the application server.
//
// Values: null, true/false, numbers (an integer never carries a '.', a float always carries a '.'
// or an exponent, so each decodes back to its own kind), strings, {"$date": "YYYY-MM-DD"} (with
// "THH:MM:SS" when a time of day is present), arrays, and
//   {"$packet": {"fields": [{"name", "type", "size", "required"?, "fixed"?}], "rows": [[...]]}}
// where a change set adds "delta": true, "kinds": ["insert"|"modify"|"delete", ...] and
// "original": [[...] or null, ...] (null exactly for inserted rows).
// Request: {"server": "...", "method": "...", "args": [...]}.
// Reply:   {"result": ..., "out": {"<argument index>": ...}}  or  {"fault": "..."}.
//
// Decoding is strict and bounded: any deviation from these shapes, invalid JSON or UTF-8, or input
// beyond the limits raises cad::Exception with a Portuguese text that says where; it never crashes.
// Encoding refuses values JSON cannot carry (NaN, infinities, invalid UTF-8) the same way.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/core/variant.h"

namespace cad::net {

// Bounds on what one document may make the reader build. Every value, packet field and packet
// row counts against maxValues; each costs at most about a hundred bytes once decoded, so
// maxValues bounds the memory a document takes beside its own text.
struct DecodeLimits {
  size_t maxBytes = size_t{256} << 20;  // whole document
  int maxDepth = 64;                    // nesting of arrays and objects
  size_t maxValues = 20'000'000;        // decoded values, fields and rows in total (bounds memory)
  size_t maxFields = 2000;              // fields of one packet
  size_t maxRows = 10'000'000;          // rows of one packet (a change set's rows, too)
};

// Limits sized for a request to the application server (the defaults are sized for replies,
// which carry whole tables): at most 16 MiB of text, one decoded value for every 16 bytes of
// that (1 Mi values, about 40 MiB), 100 000 rows in one packet or change set. Decoding a request
// therefore takes at most a few times the request size limit; beyond these the request is refused
// with a text that names the limit.
DecodeLimits requestLimits();

// Single values.
std::string encodeValue(const Variant& v);
void appendValue(std::string& out, const Variant& v);
Variant decodeValue(std::string_view json, const DecodeLimits& limits = {});

// A JSON object whose members are values, in the given order (used for texts handed on to other
// programs; it is not a Variant kind).
std::string encodeObject(const std::vector<std::pair<std::string, Variant>>& members);

struct Request {
  std::string server;
  std::string method;
  VariantArray args;
};
std::string encodeRequest(const Request& r);
Request decodeRequest(std::string_view json, const DecodeLimits& limits = {});

struct Reply {
  bool isFault = false;
  std::string fault;  // set when isFault
  Variant result;
  std::vector<std::pair<int, Variant>> out;  // by-reference arguments written back, by index
};
std::string encodeReply(const Reply& r);
std::string encodeFault(std::string_view text);  // never fails: invalid UTF-8 becomes U+FFFD
Reply decodeReply(std::string_view json, const DecodeLimits& limits = {});

}  // namespace cad::net
