// Variant conversions and ordering.
#include "platform/core/variant.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/core/packet.h"

namespace cad {

namespace {

// Parses a whole string as a number, accepting '.' or ',' as the decimal separator.
bool parseNumber(const std::string& s, double& out) {
  std::string t = trim(s);
  if (t.empty()) return false;
  for (char& c : t)
    if (c == ',') c = '.';
  const char* b = t.data();
  const char* e = b + t.size();
  if (*b == '+') ++b;
  auto r = std::from_chars(b, e, out);
  return r.ec == std::errc() && r.ptr == e;
}

std::string shortest(double d) {
  if (std::isnan(d)) return "NaN";
  if (std::isinf(d)) return d > 0 ? "INF" : "-INF";
  if (d == 0) return "0";
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, d);
  return std::string(buf, r.ptr);
}

[[noreturn]] void badConversion(const Variant& v, const char* to) {
  throw Exception(std::string("Não é possível converter o valor do tipo ") + Variant::kindName(v.kind()) + " para " +
                  to + ".");
}

}  // namespace

Variant::Variant(PacketPtr p) {
  if (p) v_ = std::move(p);
}

const char* Variant::kindName(Kind k) {
  switch (k) {
    case Kind::Null: return "nulo";
    case Kind::Bool: return "lógico";
    case Kind::Int: return "inteiro";
    case Kind::Float: return "real";
    case Kind::String: return "texto";
    case Kind::DateTime: return "data";
    case Kind::Packet: return "pacote";
    case Kind::Array: return "vetor";
  }
  return "?";
}

bool Variant::asBool() const {
  switch (kind()) {
    case Kind::Null: return false;
    case Kind::Bool: return std::get<bool>(v_);
    case Kind::Int: return std::get<int64_t>(v_) != 0;
    case Kind::Float: return std::get<double>(v_) != 0;
    case Kind::String: {
      const std::string& s = std::get<std::string>(v_);
      if (sameText(s, "true") || s == "S" || s == "1") return true;
      if (sameText(s, "false") || s == "N" || s == "0" || s.empty()) return false;
      badConversion(*this, "lógico");
    }
    default: badConversion(*this, "lógico");
  }
}

int64_t Variant::asInt() const {
  switch (kind()) {
    case Kind::Null: return 0;
    case Kind::Bool: return std::get<bool>(v_) ? 1 : 0;
    case Kind::Int: return std::get<int64_t>(v_);
    case Kind::Float: {
      double d = std::get<double>(v_);
      if (!std::isfinite(d) || std::fabs(d) > 9.2e18) badConversion(*this, "inteiro");
      return static_cast<int64_t>(std::llround(d));
    }
    case Kind::String: {
      double d;
      if (!parseNumber(std::get<std::string>(v_), d) || !std::isfinite(d) || std::fabs(d) > 9.2e18)
        throw Exception("'" + std::get<std::string>(v_) + "' não é um valor inteiro válido.");
      return static_cast<int64_t>(std::llround(d));
    }
    case Kind::DateTime: return static_cast<int64_t>(std::floor(std::get<DateTime>(v_).serial));
    default: badConversion(*this, "inteiro");
  }
}

double Variant::asFloat() const {
  switch (kind()) {
    case Kind::Null: return 0;
    case Kind::Bool: return std::get<bool>(v_) ? 1 : 0;
    case Kind::Int: return static_cast<double>(std::get<int64_t>(v_));
    case Kind::Float: return std::get<double>(v_);
    case Kind::String: {
      double d;
      if (!parseNumber(std::get<std::string>(v_), d))
        throw Exception("'" + std::get<std::string>(v_) + "' não é um valor numérico válido.");
      return d;
    }
    case Kind::DateTime: return std::get<DateTime>(v_).serial;
    default: badConversion(*this, "real");
  }
}

std::string Variant::asString() const {
  switch (kind()) {
    case Kind::Null: return {};
    case Kind::Bool: return std::get<bool>(v_) ? "True" : "False";
    case Kind::Int: return std::to_string(std::get<int64_t>(v_));
    case Kind::Float: return shortest(std::get<double>(v_));
    case Kind::String: return std::get<std::string>(v_);
    case Kind::DateTime: return std::get<DateTime>(v_).iso();
    default: badConversion(*this, "texto");
  }
}

DateTime Variant::asDateTime() const {
  switch (kind()) {
    case Kind::Null: return DateTime{};
    case Kind::DateTime: return std::get<DateTime>(v_);
    case Kind::Int: return DateTime{static_cast<double>(std::get<int64_t>(v_))};
    case Kind::Float: return DateTime{std::get<double>(v_)};
    case Kind::String: {
      const std::string& s = std::get<std::string>(v_);
      if (auto d = DateTime::parseIso(s)) return *d;
      if (auto d = parseDate(s, formatSettings().shortDateFormat)) return *d;
      throw Exception("'" + s + "' não é uma data válida.");
    }
    default: badConversion(*this, "data");
  }
}

const Packet& Variant::asPacket() const {
  if (kind() != Kind::Packet) badConversion(*this, "pacote");
  return *std::get<PacketPtr>(v_);
}

PacketPtr Variant::packetPtr() const {
  if (kind() != Kind::Packet) return nullptr;
  return std::get<PacketPtr>(v_);
}

const VariantArray& Variant::asArray() const {
  if (kind() != Kind::Array) badConversion(*this, "vetor");
  return *std::get<std::shared_ptr<const VariantArray>>(v_);
}

const std::string& Variant::str() const {
  if (kind() != Kind::String) badConversion(*this, "texto");
  return std::get<std::string>(v_);
}

bool Variant::operator==(const Variant& o) const {
  if (isNumber() && o.isNumber()) {
    if (isInt() && o.isInt()) return std::get<int64_t>(v_) == std::get<int64_t>(o.v_);
    return asFloat() == o.asFloat();
  }
  if (kind() != o.kind()) return false;
  switch (kind()) {
    case Kind::Null: return true;
    case Kind::Bool: return std::get<bool>(v_) == std::get<bool>(o.v_);
    case Kind::String: return std::get<std::string>(v_) == std::get<std::string>(o.v_);
    case Kind::DateTime: return std::get<DateTime>(v_) == std::get<DateTime>(o.v_);
    case Kind::Packet: {
      const Packet& a = *std::get<PacketPtr>(v_);
      const Packet& b = *std::get<PacketPtr>(o.v_);
      if (&a == &b) return true;
      if (a.fields.size() != b.fields.size() || a.rows != b.rows || a.delta != b.delta || a.kinds != b.kinds ||
          a.original != b.original)
        return false;
      for (size_t i = 0; i < a.fields.size(); ++i)
        if (a.fields[i].name != b.fields[i].name || a.fields[i].type != b.fields[i].type ||
            a.fields[i].size != b.fields[i].size)
          return false;
      return true;
    }
    case Kind::Array: return asArray() == o.asArray();
    default: return false;
  }
}

int Variant::compare(const Variant& a, const Variant& b, bool caseInsensitive) {
  if (a.isNull() || b.isNull()) return a.isNull() && b.isNull() ? 0 : (a.isNull() ? -1 : 1);
  if ((a.isNumber() || a.isBool()) && (b.isNumber() || b.isBool())) {
    if (a.isInt() && b.isInt()) {
      int64_t x = std::get<int64_t>(a.v_), y = std::get<int64_t>(b.v_);
      return x < y ? -1 : x > y ? 1 : 0;
    }
    double x = a.asFloat(), y = b.asFloat();
    return x < y ? -1 : x > y ? 1 : 0;
  }
  if (a.isDateTime() || b.isDateTime()) {
    if (a.isDateTime() && b.isDateTime()) {
      double x = std::get<DateTime>(a.v_).serial, y = std::get<DateTime>(b.v_).serial;
      return x < y ? -1 : x > y ? 1 : 0;
    }
  }
  if (a.isString() && b.isString()) {
    const std::string& x = std::get<std::string>(a.v_);
    const std::string& y = std::get<std::string>(b.v_);
    if (caseInsensitive) return compareText(x, y);
    int c = x.compare(y);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
  }
  // Mixed kinds: compare their text, so a sort never fails.
  std::string x = a.isPacket() || a.isArray() ? std::string() : a.asString();
  std::string y = b.isPacket() || b.isArray() ? std::string() : b.asString();
  int c = caseInsensitive ? compareText(x, y) : x.compare(y);
  if (c == 0) c = static_cast<int>(a.kind()) - static_cast<int>(b.kind());
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

}  // namespace cad
