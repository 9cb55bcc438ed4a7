// Variant: the one value type that crosses every layer (fields, query parameters, remote-call
// arguments and results). It holds null, a boolean, an integer, a float, a UTF-8 string, a
// date-time, a data packet or an array. Packets and arrays are immutable and shared, so copying a
// Variant is cheap whatever it holds.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/core/datetime.h"

namespace cad {

struct Packet;
class Variant;
using PacketPtr = std::shared_ptr<const Packet>;
using VariantArray = std::vector<Variant>;

class Variant {
 public:
  enum class Kind : uint8_t { Null, Bool, Int, Float, String, DateTime, Packet, Array };

  Variant() = default;
  Variant(std::nullptr_t) {}
  Variant(bool b) : v_(b) {}
  Variant(int i) : v_(int64_t{i}) {}
  Variant(long i) : v_(int64_t{i}) {}
  Variant(long long i) : v_(int64_t{i}) {}
  Variant(double d) : v_(d) {}
  Variant(const char* s) : v_(std::string(s)) {}
  Variant(std::string s) : v_(std::move(s)) {}
  Variant(std::string_view s) : v_(std::string(s)) {}
  Variant(cad::DateTime d) : v_(d) {}
  Variant(PacketPtr p);
  Variant(VariantArray a) : v_(std::make_shared<const VariantArray>(std::move(a))) {}

  Kind kind() const { return static_cast<Kind>(v_.index()); }
  bool isNull() const { return kind() == Kind::Null; }
  bool isBool() const { return kind() == Kind::Bool; }
  bool isInt() const { return kind() == Kind::Int; }
  bool isFloat() const { return kind() == Kind::Float; }
  bool isNumber() const { return isInt() || isFloat(); }
  bool isString() const { return kind() == Kind::String; }
  bool isDateTime() const { return kind() == Kind::DateTime; }
  bool isPacket() const { return kind() == Kind::Packet; }
  bool isArray() const { return kind() == Kind::Array; }

  // Conversions follow the classic rules: null gives false, 0, 0.0, "" or the zero date; a
  // string converts to a number only when it is one (decimal point or comma), otherwise the
  // conversion throws cad::Exception with a Portuguese text.
  bool asBool() const;
  int64_t asInt() const;
  double asFloat() const;
  std::string asString() const;  // floats in shortest round-trip form with '.', dates ISO
  cad::DateTime asDateTime() const;
  const Packet& asPacket() const;       // throws when not a packet
  PacketPtr packetPtr() const;          // null pointer when not a packet
  const VariantArray& asArray() const;  // throws when not an array

  // Direct access without conversion (undefined kind mismatch throws).
  const std::string& str() const;

  // Equality by kind and value; an Int and a Float compare by number.
  bool operator==(const Variant& o) const;
  bool operator!=(const Variant& o) const { return !(*this == o); }

  // Ordering used by indexes and filters: null first, then numbers, strings (optionally without
  // regard to case), dates; returns <0, 0, >0.
  static int compare(const Variant& a, const Variant& b, bool caseInsensitive = false);

  static const char* kindName(Kind k);

 private:
  std::variant<std::monostate, bool, int64_t, double, std::string, cad::DateTime, PacketPtr,
               std::shared_ptr<const VariantArray>>
      v_;
};

}  // namespace cad
