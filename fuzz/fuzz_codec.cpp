// Codec target: the input is decoded as a request, a reply and a single value. Whatever decodes
// must encode, and what it encodes to must decode again to the same text when re-encoded (the
// encoder never writes what the decoder refuses, and nothing changes on a second trip).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/support.h"
#include "platform/core/errors.h"
#include "platform/net/codec.h"

using namespace cad;

namespace {

template <class Decode, class Encode>
void roundTrip(std::string_view text, const net::DecodeLimits& limits, Decode decode, Encode encode, const char* what) {
  std::string first;
  try {
    first = encode(decode(text, limits));
  } catch (const Exception&) {
    return;  // refused with a text: the expected answer to malformed input
  }
  std::string second;
  try {
    // Default limits: encoding may lengthen a document (escapes, "1e3" → "1000.0").
    second = encode(decode(first, net::DecodeLimits{}));
  } catch (const Exception& e) {
    fuzz::fail(std::string(what) + ": the decoder refuses what the encoder wrote: " + e.what(), first);
  }
  if (first != second) fuzz::fail(std::string(what) + ": encoding is not stable", first + "\n" + second);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  roundTrip(text, net::requestLimits(), net::decodeRequest, net::encodeRequest, "request");
  roundTrip(text, net::DecodeLimits{}, net::decodeReply, net::encodeReply, "reply");
  roundTrip(
      text, net::DecodeLimits{}, [](std::string_view t, const net::DecodeLimits& l) { return net::decodeValue(t, l); },
      net::encodeValue, "value");
  return 0;
}
