// RPC codec: a hand-written, strict JSON writer and reader that go straight between text and
// cad::Variant (no intermediate document), because packets of many thousand rows pass through here
// on every load.
//
// Invariants: the reader never reads past the end of its input, counts nesting depth and decoded
// values against DecodeLimits, validates UTF-8, and reports every problem as cad::Exception with
// the byte position. The writer only produces text the reader accepts (it refuses NaN,
// infinities, invalid UTF-8 and inconsistent packets).
#include "platform/net/codec.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <unordered_set>

#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/core/packet.h"

namespace cad::net {

namespace {

constexpr int kMaxEncodeDepth = 64;
constexpr size_t kMaxNameBytes = 128;    // field, server and method names
constexpr int kMaxFieldSize = 1 << 20;   // declared string size of a field
constexpr size_t kMaxNumberChars = 400;  // a number token
constexpr int kMaxOutIndex = 9999;

// ---------------------------------------------------------------- UTF-8

// Length of the valid UTF-8 sequence at s (lead byte >= 0x80), or 0 when invalid.
size_t utf8SequenceLength(const unsigned char* s, size_t avail) {
  // Two-byte sequences (the accented letters of Portuguese) are checked here, the rest in full.
  if (avail >= 2 && s[0] >= 0xC2 && s[0] <= 0xDF && (s[1] & 0xC0) == 0x80) return 2;
  uint32_t cp;
  return utf8Decode(s, avail, cp);
}

// Whether none of the eight bytes at s needs a look of its own inside a JSON text: no quote,
// backslash, control character or byte of a multi-byte sequence (tested a word at a time).
inline bool plainEight(const unsigned char* s) {
  constexpr uint64_t kOnes = 0x0101010101010101u, kHigh = 0x8080808080808080u;
  uint64_t w;
  std::memcpy(&w, s, sizeof w);
  auto anyZero = [](uint64_t x) { return (x - kOnes) & ~x & kHigh; };
  uint64_t special =
      (w & kHigh) | ((w - kOnes * 0x20) & ~w & kHigh) | anyZero(w ^ (kOnes * '"')) | anyZero(w ^ (kOnes * '\\'));
  return special == 0;
}

// The bytes among the eight at s that need a look of their own inside a JSON text, as the high bit
// of each (in memory order from the lowest), and among them the quotes (in `quotes`). Only the
// lowest set bit is exact: a borrow may mark a byte above a marked one, never one below, so the
// first byte to look at, and whether it ends the text, are found without reading it again.
inline uint64_t specialEight(const unsigned char* s, uint64_t& quotes) {
  constexpr uint64_t kOnes = 0x0101010101010101u, kHigh = 0x8080808080808080u;
  uint64_t w;
  std::memcpy(&w, s, sizeof w);
  if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
  auto anyZero = [](uint64_t x) { return (x - kOnes) & ~x & kHigh; };
  quotes = anyZero(w ^ (kOnes * '"'));
  return (w & kHigh) | ((w - kOnes * 0x20) & ~w & kHigh) | quotes | anyZero(w ^ (kOnes * '\\'));
}

// ---------------------------------------------------------------- writer

[[noreturn]] void encodeError(const std::string& what) {
  throw Exception("Valor não pode ser transmitido: " + what + ".");
}

// The text being written, through a cursor over the string's own bytes: a piece first makes room
// for at most its length (one comparison), then stores its bytes without a check of its own. The
// string is cut to what was written when the writer goes, also when an error ends the writing.
class Out {
 public:
  explicit Out(std::string& s) : s_(s), n_(s.size()) {}
  ~Out() { s_.resize(n_); }
  Out(const Out&) = delete;
  Out& operator=(const Out&) = delete;

  size_t size() const { return n_; }
  // At least k writable bytes at the cursor; what was written there ends at `end` (moveTo).
  char* room(size_t k) {
    if (s_.size() - n_ < k) grow(k);
    return s_.data() + n_;
  }
  void moveTo(const char* end) { n_ = static_cast<size_t>(end - s_.data()); }
  void reserve(size_t total) { s_.reserve(total); }  // capacity only: pages are touched as written
  void append(const char* p, size_t k) {
    std::memcpy(room(k), p, k);
    n_ += k;
  }
  void append(const char* b, const char* e) { append(b, static_cast<size_t>(e - b)); }
  Out& operator+=(std::string_view t) {
    append(t.data(), t.size());
    return *this;
  }
  Out& operator+=(char c) {
    *room(1) = c;
    ++n_;
    return *this;
  }

 private:
  // The string's length marks the room made so far. Within the capacity it grows a step past the
  // need (zero-filling only what is about to be written); the capacity doubles when it is full.
  void grow(size_t k) {
    size_t need = n_ + k;
    if (need > s_.capacity()) s_.reserve(std::max(need, 2 * s_.capacity()));
    s_.resize(std::min(s_.capacity(), std::max(need, n_ + kStep)));
  }
  static constexpr size_t kStep = 64 << 10;

  std::string& s_;
  size_t n_;
};

void appendString(Out& out, std::string_view s) {
  static const char kHex[] = "0123456789abcdef";
  const auto* u = reinterpret_cast<const unsigned char*>(s.data());
  size_t n = s.size(), i = 0;
  // Room for the quotes and the text as it is; an escape makes room for its extra bytes.
  char* p = out.room(n + 2);
  *p++ = '"';
  while (i < n) {
    // Plain bytes are copied as they are checked, eight at a time while they last.
    while (n - i >= 8 && plainEight(u + i)) {
      std::memcpy(p, u + i, 8);
      p += 8;
      i += 8;
    }
    while (i < n && u[i] >= 0x20 && u[i] < 0x80 && u[i] != '"' && u[i] != '\\') *p++ = static_cast<char>(u[i++]);
    if (i == n) break;
    unsigned char c = u[i];
    if (c >= 0x80) {
      size_t len = utf8SequenceLength(u + i, n - i);
      if (len == 0) encodeError("texto com codificação UTF-8 inválida");
      std::memcpy(p, u + i, len);
      p += len;
      i += len;
      continue;
    }
    out.moveTo(p);
    p = out.room(n - i + 6);  // the rest, this byte's escape (at most 6 bytes) and the quote
    *p++ = '\\';
    switch (c) {
      case '"': *p++ = '"'; break;
      case '\\': *p++ = '\\'; break;
      case '\n': *p++ = 'n'; break;
      case '\r': *p++ = 'r'; break;
      case '\t': *p++ = 't'; break;
      case '\b': *p++ = 'b'; break;
      case '\f': *p++ = 'f'; break;
      default:
        p[0] = 'u';
        p[1] = p[2] = '0';
        p[3] = kHex[c >> 4];
        p[4] = kHex[c & 0xF];
        p += 5;
    }
    ++i;
  }
  *p++ = '"';
  out.moveTo(p);
}

void appendInt(Out& out, int64_t v) {
  char* p = out.room(24);
  out.moveTo(std::to_chars(p, p + 24, v).ptr);
}

constexpr double kPow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
constexpr size_t kFloatRoom = 32;  // the longest shortest form of a double (24) and ".0"

// A float that is a decimal of at most 15 significant digits, 1 <= |d| < 1e15 (quantities,
// prices), written at p without the general shortest-form algorithm: that decimal is the only one
// of so few digits that reads back as d, so it is the shortest form, written as to_chars writes it
// (fixed notation unless the scientific one is shorter, then null). The fewest fraction digits
// whose integer over a power of ten gives d back exactly are that decimal's. Returns the end.
char* writeShortDecimal(char* p, double d) {
  double a = std::fabs(d);
  if (!(a >= 1 && a < 1e15)) return nullptr;
  int n = 1;  // integer digits
  while (a >= kPow10[n]) ++n;
  for (int k = 0; n + k <= 15; ++k) {
    // a * 10^k to the nearest integer, a tie to the even one (as nearbyint, without its call): the
    // product is below 2^50, so adding a half and the difference below are exact.
    double x = a * kPow10[k];
    auto digits = static_cast<uint64_t>(x + 0.5);  // NOLINT(bugprone-incorrect-roundings): ties mended below
    if (static_cast<double>(digits) - x == 0.5 && (digits & 1)) --digits;
    if (static_cast<double>(digits) / kPow10[k] != a) continue;
    int significant = n + k;
    if (k == 0)
      for (uint64_t t = digits; t % 10 == 0; t /= 10) --significant;
    int fixedLength = n + (k ? k + 1 : 0), scientificLength = significant + (significant > 1 ? 1 : 0) + 4;
    if (scientificLength < fixedLength) return nullptr;
    if (d < 0) *p++ = '-';
    char* end = std::to_chars(p, p + 24, digits).ptr;
    if (k == 0) {
      end[0] = '.';
      end[1] = '0';
      return end + 2;
    }
    // The fraction digits move one place for the point.
    std::memmove(p + n + 1, p + n, static_cast<size_t>(k));
    p[n] = '.';
    return end + 1;
  }
  return nullptr;
}

// A finite float at p (room for kFloatRoom bytes); returns the end.
char* writeFloat(char* p, double d) {
  if (d == 0) {  // as the general form writes it: "0.0", "-0.0"
    if (std::signbit(d)) *p++ = '-';
    p[0] = p[2] = '0';
    p[1] = '.';
    return p + 3;
  }
  if (char* end = writeShortDecimal(p, d)) return end;
  char* end = std::to_chars(p, p + kFloatRoom, d).ptr;
  // A float must read back as a float: give it a decimal point when the shortest form has none.
  if (std::memchr(p, '.', end - p) == nullptr && std::memchr(p, 'e', end - p) == nullptr) {
    *end++ = '.';
    *end++ = '0';
  }
  return end;
}

void appendFloat(Out& out, double d) {
  if (!std::isfinite(d)) encodeError("número real não finito");
  out.moveTo(writeFloat(out.room(kFloatRoom), d));
}

void appendAny(Out& out, const Variant& v, int depth);

void appendDate(Out& out, const DateTime& d) {
  out += "{\"$date\":\"";
  out += d.iso();
  out += "\"}";
}

void appendScalar(Out& out, const Variant& v) {
  switch (v.kind()) {
    case Variant::Kind::Null: out += "null"; break;
    case Variant::Kind::Bool: out += v.asBool() ? std::string_view("true") : std::string_view("false"); break;
    case Variant::Kind::Int: appendInt(out, v.asInt()); break;
    case Variant::Kind::Float: appendFloat(out, v.asFloat()); break;
    case Variant::Kind::String: appendString(out, v.str()); break;
    case Variant::Kind::DateTime: appendDate(out, v.asDateTime()); break;
    default: encodeError("valor de campo deve ser simples (não pacote nem vetor)");
  }
}

void appendRow(Out& out, const std::vector<Variant>& row, size_t fieldCount, size_t index) {
  if (row.size() != fieldCount)
    encodeError("linha " + std::to_string(index + 1) + " do pacote tem " + std::to_string(row.size()) +
                " valores para " + std::to_string(fieldCount) + " campos");
  out += '[';
  for (size_t c = 0; c < row.size(); ++c) {
    if (c) out += ',';
    appendScalar(out, row[c]);
  }
  out += ']';
}

// Rows held by column, written row by row straight from the typed arrays.
void appendColumns(Out& out, const PacketRows& rows, size_t fieldCount) {
  size_t count = rows.size(), width = rows.width();
  if (count && width != fieldCount)
    encodeError("linha 1 do pacote tem " + std::to_string(width) + " valores para " + std::to_string(fieldCount) +
                " campos");
  size_t start = out.size();
  for (size_t r = 0; r < count; ++r) {
    // Room for the rest at the first row's size and a little more, so a large reply grows once.
    if (r == 1) out.reserve(out.size() + (out.size() - start) * (count - 1) / 8 * 9);
    if (r) out += ',';
    out += '[';
    for (size_t c = 0; c < width; ++c) {
      if (c) out += ',';
      const PacketColumn& col = rows.column(c);
      if (col.store() == PacketColumn::Store::Mixed) {
        appendScalar(out, col.mixedAt(r));
        continue;
      }
      if (col.isNull(r)) {
        out += "null";
        continue;
      }
      switch (col.store()) {
        case PacketColumn::Store::Text: appendString(out, col.textAt(r)); break;
        case PacketColumn::Store::Int: appendInt(out, col.intAt(r)); break;
        case PacketColumn::Store::Float: appendFloat(out, col.floatAt(r)); break;
        case PacketColumn::Store::Bool:
          out += col.boolAt(r) ? std::string_view("true") : std::string_view("false");
          break;
        case PacketColumn::Store::Date: appendDate(out, col.dateAt(r)); break;
        default: out += "null";
      }
    }
    out += ']';
  }
}

void appendPacket(Out& out, const Packet& p) {
  out.reserve(out.size() + 48 * p.fields.size() + 64);  // about what the field definitions take
  out += "{\"$packet\":{\"fields\":[";
  for (size_t i = 0; i < p.fields.size(); ++i) {
    const FieldDef& f = p.fields[i];
    if (i) out += ',';
    out += "{\"name\":";
    appendString(out, f.name);
    out += ",\"type\":\"";
    out += fieldTypeName(f.type);
    out += "\",\"size\":";
    appendInt(out, f.size);
    if (f.required) out += ",\"required\":true";
    if (f.fixedChar) out += ",\"fixed\":true";
    out += '}';
  }
  out += "],\"rows\":[";
  size_t n = p.fields.size();
  if (p.rows.columnar())
    appendColumns(out, p.rows, n);
  else
    for (size_t r = 0; r < p.rows.size(); ++r) {
      if (r) out += ',';
      appendRow(out, p.rows[r], n, r);
    }
  out += ']';
  if (p.delta) {
    if (p.kinds.size() != p.rows.size() || p.original.size() != p.rows.size())
      encodeError("conjunto de alterações sem tipo ou valores originais para cada linha");
    out += ",\"delta\":true,\"kinds\":[";
    for (size_t r = 0; r < p.kinds.size(); ++r) {
      if (r) out += ',';
      out += '"';
      out += changeKindName(p.kinds[r]);
      out += '"';
    }
    out += "],\"original\":[";
    for (size_t r = 0; r < p.original.size(); ++r) {
      if (r) out += ',';
      if (p.kinds[r] == ChangeKind::Inserted) {
        if (!p.original[r].empty()) encodeError("linha incluída com valores originais");
        out += "null";
      } else {
        appendRow(out, p.original[r], n, r);
      }
    }
    out += ']';
  }
  out += "}}";
}

void appendAny(Out& out, const Variant& v, int depth) {
  if (depth > kMaxEncodeDepth) encodeError("aninhamento profundo demais");
  switch (v.kind()) {
    case Variant::Kind::Packet: appendPacket(out, v.asPacket()); break;
    case Variant::Kind::Array: {
      out += '[';
      bool first = true;
      for (const Variant& e : v.asArray()) {
        if (!first) out += ',';
        first = false;
        appendAny(out, e, depth + 1);
      }
      out += ']';
      break;
    }
    default: appendScalar(out, v);
  }
}

// ---------------------------------------------------------------- reader

class Reader {
 public:
  Reader(std::string_view text, const DecodeLimits& limits)
      : b_(text.data()), p_(text.data()), e_(text.data() + text.size()), lim_(limits) {
    if (text.size() > limits.maxBytes)
      throw Exception("JSON grande demais: " + std::to_string(text.size()) + " bytes (limite " +
                      std::to_string(limits.maxBytes) + ").");
  }

  [[noreturn, gnu::noinline, gnu::cold]] void fail(const std::string& what) const {
    throw Exception("JSON inválido (posição " + std::to_string(p_ - b_) + "): " + what + ".");
  }

  void ws() {
    while (p_ < e_ && (*p_ == ' ' || *p_ == '\n' || *p_ == '\r' || *p_ == '\t')) ++p_;
  }
  bool peek(char c) {
    ws();
    return p_ < e_ && *p_ == c;
  }
  void expect(char c) {
    ws();
    if (p_ >= e_) fail(std::string("fim inesperado do texto; esperado '") + c + "'");
    if (*p_ != c) fail(std::string("esperado '") + c + "'");
    ++p_;
  }
  void finish() {
    ws();
    if (p_ != e_) fail("texto após o fim do valor");
  }

  void enter() {
    if (++depth_ > lim_.maxDepth) fail("aninhamento profundo demais (limite " + std::to_string(lim_.maxDepth) + ")");
  }
  void leave() { --depth_; }
  void count() {
    if (++values_ > lim_.maxValues) tooManyValues();
  }
  [[noreturn]] void tooManyValues() const { fail("valores demais (limite " + std::to_string(lim_.maxValues) + ")"); }
  void countRow(size_t index) {
    if (index >= lim_.maxRows) fail("linhas demais em um pacote (limite " + std::to_string(lim_.maxRows) + ")");
    count();
  }

  // Members of an object: calls onMember(key) positioned at the member's value, which must consume it.
  template <class F>
  void object(F&& onMember) {
    enter();
    expect('{');
    if (peek('}')) {
      ++p_;
      leave();
      return;
    }
    std::string key;
    for (;;) {
      ws();
      readString(key);
      expect(':');
      onMember(key);
      ws();
      if (p_ < e_ && *p_ == ',') {
        ++p_;
        continue;
      }
      expect('}');
      break;
    }
    leave();
  }

  // Elements of an array: calls onElement(index) positioned at each element.
  template <class F>
  void array(F&& onElement) {
    enter();
    expect('[');
    if (peek(']')) {
      ++p_;
      leave();
      return;
    }
    for (size_t i = 0;; ++i) {
      onElement(i);
      ws();
      if (p_ < e_ && *p_ == ',') {
        ++p_;
        continue;
      }
      expect(']');
      break;
    }
    leave();
  }

  [[gnu::noinline]] Variant value() {
    ws();
    if (p_ >= e_) fail("fim inesperado do texto; esperado um valor");
    count();
    switch (*p_) {
      case 'n': literal("null"); return Variant();
      case 't': literal("true"); return Variant(true);
      case 'f': literal("false"); return Variant(false);
      case '"': {
        std::string s;
        readString(s);
        return Variant(std::move(s));
      }
      case '[': {
        VariantArray a;
        array([&](size_t) { a.push_back(value()); });
        return Variant(std::move(a));
      }
      case '{': {
        Variant date;
        if (compactDate(date)) return date;
        return tagged();
      }
      default:
        if (*p_ == '-' || (*p_ >= '0' && *p_ <= '9')) return number();
        fail("caractere inesperado");
    }
  }

  std::string string() {
    ws();
    if (p_ >= e_) fail("fim inesperado do texto; esperado um texto");
    if (*p_ != '"') fail("esperado um texto");
    std::string s;
    readString(s);
    return s;
  }

  bool boolean() {
    ws();
    if (p_ < e_ && *p_ == 't') {
      literal("true");
      return true;
    }
    if (p_ < e_ && *p_ == 'f') {
      literal("false");
      return false;
    }
    fail("esperado true ou false");
  }

  bool isNull() {
    ws();
    if (p_ < e_ && *p_ == 'n') {
      literal("null");
      return true;
    }
    return false;
  }

  int64_t integer() {
    ws();
    Variant v = number();
    if (!v.isInt()) fail("esperado um número inteiro");
    return v.asInt();
  }

  // A packet body (the object after "$packet").
  PacketPtr packet() {
    auto p = std::make_shared<Packet>();
    bool seenFields = false, seenRows = false, seenDelta = false, seenKinds = false, seenOriginal = false;
    std::vector<bool> originalNull;
    object([&](const std::string& key) {
      if (key == "fields") {
        once(seenFields, key);
        fields(*p);
      } else if (key == "rows") {
        once(seenRows, key);
        if (seenFields) {
          columnRows(p->rows, p->fields.size());
        } else {
          std::vector<std::vector<Variant>> rs;
          rows(rs, 0, nullptr);
          p->rows = std::move(rs);
        }
      } else if (key == "delta") {
        once(seenDelta, key);
        p->delta = boolean();
      } else if (key == "kinds") {
        once(seenKinds, key);
        array([&](size_t index) {
          countRow(index);
          std::string k = string();
          if (k == "insert")
            p->kinds.push_back(ChangeKind::Inserted);
          else if (k == "modify")
            p->kinds.push_back(ChangeKind::Modified);
          else if (k == "delete")
            p->kinds.push_back(ChangeKind::Deleted);
          else
            fail("tipo de alteração desconhecido \"" + k + "\"");
        });
      } else if (key == "original") {
        once(seenOriginal, key);
        rows(p->original, p->fields.size(), &originalNull);
      } else {
        fail("chave desconhecida \"" + key + "\" em $packet");
      }
    });
    if (!seenFields || !seenRows) fail("$packet exige \"fields\" e \"rows\"");
    size_t n = p->fields.size();
    if (shortRow_ != kNoRow)
      fail("linha " + std::to_string(shortRow_ + 1) + " tem " + std::to_string(shortRowWidth_) + " valores para " +
           std::to_string(n) + " campos");
    auto checkRows = [&](const std::vector<std::vector<Variant>>& rs, const char* what,
                         const std::vector<bool>* nulls) {
      for (size_t r = 0; r < rs.size(); ++r)
        if (rs[r].size() != n && !(nulls && (*nulls)[r]))
          fail(std::string(what) + " " + std::to_string(r + 1) + " tem " + std::to_string(rs[r].size()) +
               " valores para " + std::to_string(n) + " campos");
    };
    if (!p->rows.columnar()) checkRows(p->rows, "linha", nullptr);
    if (p->delta) {
      if (!seenKinds || !seenOriginal) fail("conjunto de alterações exige \"kinds\" e \"original\"");
      if (p->kinds.size() != p->rows.size() || p->original.size() != p->rows.size())
        fail("\"kinds\" e \"original\" devem ter uma entrada por linha");
      checkRows(p->original, "original", &originalNull);
      for (size_t r = 0; r < p->rows.size(); ++r)
        if (originalNull[r] != (p->kinds[r] == ChangeKind::Inserted))
          fail("valores originais devem ser null exatamente nas linhas incluídas (linha " + std::to_string(r + 1) +
               ")");
    } else if (seenKinds || seenOriginal) {
      fail("\"kinds\" e \"original\" só cabem em conjunto de alterações (\"delta\": true)");
    }
    return p;
  }

 private:
  void once(bool& seen, const std::string& key) {
    if (seen) fail("chave \"" + key + "\" repetida");
    seen = true;
  }

  void literal(const char* word) {
    size_t n = std::strlen(word);
    if (static_cast<size_t>(e_ - p_) < n || std::memcmp(p_, word, n) != 0) fail("valor desconhecido");
    p_ += n;
  }

  void readString(std::string& out) {
    out.clear();
    appendStringValue(out);
  }

  // Reads a JSON text, appending it to `out` (a column's arena, or an emptied string). Most texts
  // hold no escape and end well before the input does: they are checked here, eight bytes at a
  // time, and copied once at their full size. Anything else goes to the general reader.
  void appendStringValue(std::string& out) {
    if (p_ >= e_ || *p_ != '"') fail("esperado um texto");
    const auto* u = reinterpret_cast<const unsigned char*>(p_ + 1);
    const auto* ue = reinterpret_cast<const unsigned char*>(e_);
    const unsigned char* q = u;
    while (ue - q >= 8) {
      uint64_t quotes;
      uint64_t special = specialEight(q, quotes);
      if (special == 0) {
        q += 8;
        continue;
      }
      uint64_t first = special & (~special + 1);
      q += std::countr_zero(first) / 8;  // the first byte to look at
      if (first & quotes) {
        out.append(reinterpret_cast<const char*>(u), q - u);
        p_ = reinterpret_cast<const char*>(q + 1);
        return;
      }
      size_t len = *q >= 0x80 ? utf8SequenceLength(q, ue - q) : 0;
      if (len == 0) break;
      q += len;
    }
    appendGeneralString(out, u, q);
  }

  // The text starting at u, whose bytes before `checked` are plain or valid sequences: the rest is
  // checked the same way a byte at a time; at the first escape, control character or invalid
  // sequence, the loop below takes over from the text's start and says what is wrong.
  [[gnu::noinline]] void appendGeneralString(std::string& out, const unsigned char* u, const unsigned char* checked) {
    const auto* ue = reinterpret_cast<const unsigned char*>(e_);
    p_ = reinterpret_cast<const char*>(u);
    for (const unsigned char* q = checked; q < ue;) {
      unsigned char c = *q;
      if (c >= 0x20 && c < 0x80 && c != '"' && c != '\\') {
        ++q;
      } else if (c == '"') {
        out.append(reinterpret_cast<const char*>(u), q - u);
        p_ = reinterpret_cast<const char*>(q + 1);
        return;
      } else if (c >= 0x80) {
        size_t len = utf8SequenceLength(q, ue - q);
        if (len == 0) break;
        q += len;
      } else {
        break;
      }
    }
    for (;;) {
      const unsigned char* run = u;
      while (run < ue && *run >= 0x20 && *run < 0x80 && *run != '"' && *run != '\\') ++run;
      out.append(reinterpret_cast<const char*>(u), run - u);
      u = run;
      p_ = reinterpret_cast<const char*>(u);
      if (u >= ue) fail("texto sem aspas de fechamento");
      unsigned char c = *u;
      if (c == '"') {
        ++p_;
        return;
      }
      if (c < 0x20) fail("caractere de controle dentro de texto");
      if (c >= 0x80) {
        size_t len = utf8SequenceLength(u, ue - u);
        if (len == 0) fail("codificação UTF-8 inválida");
        out.append(reinterpret_cast<const char*>(u), len);
        u += len;
        continue;
      }
      // Escape sequence.
      if (ue - u < 2) fail("texto sem aspas de fechamento");
      char esc = static_cast<char>(u[1]);
      u += 2;
      switch (esc) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          p_ = reinterpret_cast<const char*>(u);
          uint32_t cp = hex4();
          if (cp >= 0xDC00 && cp <= 0xDFFF) fail("surrogate UTF-16 isolado");
          if (cp >= 0xD800 && cp <= 0xDBFF) {
            if (e_ - p_ < 2 || p_[0] != '\\' || p_[1] != 'u') fail("surrogate UTF-16 isolado");
            p_ += 2;
            uint32_t lo = hex4();
            if (lo < 0xDC00 || lo > 0xDFFF) fail("surrogate UTF-16 isolado");
            cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
          }
          appendUtf8(out, cp);
          u = reinterpret_cast<const unsigned char*>(p_);
          break;
        }
        default: p_ = reinterpret_cast<const char*>(u - 1); fail("sequência de escape inválida");
      }
    }
  }

  uint32_t hex4() {
    if (e_ - p_ < 4) fail("sequência \\u incompleta");
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
      char c = *p_++;
      v <<= 4;
      if (c >= '0' && c <= '9')
        v |= c - '0';
      else if (c >= 'a' && c <= 'f')
        v |= c - 'a' + 10;
      else if (c >= 'A' && c <= 'F')
        v |= c - 'A' + 10;
      else
        fail("sequência \\u inválida");
    }
    return v;
  }

  Variant number() {
    int64_t i = 0;
    double d = 0;
    if (numberToken(i, d)) return Variant(d);
    return Variant(static_cast<long long>(i));
  }

  // The usual forms in one scan with no bound check per byte (the caller leaves 20 bytes): an
  // integer of at most 18 digits, a decimal of at most 15 digits without exponent, each without
  // leading zeros. Sets `isFloat` to the token's kind and returns true with p_ past it; false
  // (nothing consumed) for every other form and every fault, which the general scan then reads or
  // refuses. For these forms it computes exactly what the general scan computes.
  bool shortNumber(int64_t& i, double& d, bool& isFloat) {
    const char* q = p_;
    bool negative = *q == '-';
    q += negative;
    const char* first = q;
    uint64_t mantissa = 0;
    while (q - first < 18 && static_cast<unsigned>(*q - '0') <= 9)
      mantissa = mantissa * 10 + static_cast<uint64_t>(*q++ - '0');
    auto whole = static_cast<int>(q - first);
    if (whole == 0 || (*first == '0' && whole > 1)) return false;
    if (*q != '.') {
      if (static_cast<unsigned>(*q - '0') <= 9 || *q == 'e' || *q == 'E') return false;
      i = negative ? -static_cast<int64_t>(mantissa) : static_cast<int64_t>(mantissa);
      isFloat = false;
      p_ = q;
      return true;
    }
    if (whole >= 15) return false;
    const char* fraction = ++q;
    while (q - fraction + whole < 16 && static_cast<unsigned>(*q - '0') <= 9)
      mantissa = mantissa * 10 + static_cast<uint64_t>(*q++ - '0');
    auto decimals = static_cast<int>(q - fraction);
    if (decimals == 0 || whole + decimals > 15 || static_cast<unsigned>(*q - '0') <= 9 || *q == 'e' || *q == 'E')
      return false;
    double v = static_cast<double>(mantissa) / kPow10[decimals];
    d = negative ? -v : v;
    isFloat = true;
    p_ = q;
    return true;
  }

  // Reads a number token in one pass: true for a float (in d), false for an integer (in i). A
  // plain decimal of at most 15 digits (quantities, prices) is an integer below 2^53 over a power
  // of ten, both exact as doubles; their IEEE quotient is the correctly rounded value, the same
  // double from_chars gives, without its general algorithm (both scans use it).
  bool numberToken(int64_t& i, double& d) {
    bool isFloat = false;
    if (e_ - p_ >= 20 && shortNumber(i, d, isFloat)) return isFloat;
    return generalNumber(i, d);
  }

  // The general scan: every form, and every fault said where it is.
  [[gnu::noinline]] bool generalNumber(int64_t& i, double& d) {
    const char* start = p_;
    uint64_t mantissa = 0;
    int count = 0;  // digits read, integer and fraction parts
    auto digits = [&] {
      const char* first = p_;
      while (p_ < e_ && static_cast<unsigned>(*p_ - '0') <= 9) {
        if (count < 19) mantissa = mantissa * 10 + static_cast<uint64_t>(*p_ - '0');
        ++count;
        ++p_;
      }
      return p_ > first;
    };
    bool negative = p_ < e_ && *p_ == '-';
    if (negative) ++p_;
    if (p_ < e_ && *p_ == '0') {
      ++p_;
      ++count;
    } else if (!digits()) {
      fail("número inválido");
    }
    bool isFloat = false, exponent = false;
    int decimals = 0;
    if (p_ < e_ && *p_ == '.') {
      ++p_;
      const char* fraction = p_;
      if (!digits()) fail("número inválido");
      decimals = static_cast<int>(p_ - fraction);
      isFloat = true;
    }
    if (p_ < e_ && (*p_ == 'e' || *p_ == 'E')) {
      ++p_;
      if (p_ < e_ && (*p_ == '+' || *p_ == '-')) ++p_;
      const char* first = p_;
      while (p_ < e_ && static_cast<unsigned>(*p_ - '0') <= 9) ++p_;
      if (p_ == first) fail("número inválido");
      isFloat = exponent = true;
    }
    if (static_cast<size_t>(p_ - start) > kMaxNumberChars) fail("número longo demais");
    if (!isFloat) {
      if (count <= 18) {
        i = negative ? -static_cast<int64_t>(mantissa) : static_cast<int64_t>(mantissa);
        return false;
      }
      auto r = std::from_chars(start, p_, i);
      if (r.ec != std::errc() || r.ptr != p_) fail("número inteiro fora do intervalo");
      return false;
    }
    if (!exponent && count <= 15) {
      double v = static_cast<double>(mantissa) / kPow10[decimals];
      d = negative ? -v : v;
      return true;
    }
    auto r = std::from_chars(start, p_, d);
    if (r.ec != std::errc() || r.ptr != p_ || !std::isfinite(d)) fail("número fora do intervalo");
    return true;
  }

  // {"$date":"YYYY-MM-DD"} exactly as the writer puts it, read without the general object path;
  // false (nothing consumed) for any other form, which the general path then reads or refuses.
  bool compactDate(Variant& out) {
    DateTime d;
    if (!compactDate(d)) return false;
    out = Variant(d);
    return true;
  }
  bool compactDate(DateTime& out) {
    static constexpr std::string_view kOpen = "{\"$date\":\"";
    constexpr size_t kSize = kOpen.size() + 10 + 2;
    if (depth_ + 1 > lim_.maxDepth || static_cast<size_t>(e_ - p_) < kSize) return false;
    // The opening compared as two words (a library call for ten bytes costs more than the rest).
    uint64_t head, expectedHead;
    uint16_t tail, expectedTail;
    std::memcpy(&head, p_, 8);
    std::memcpy(&expectedHead, kOpen.data(), 8);
    std::memcpy(&tail, p_ + 8, 2);
    std::memcpy(&expectedTail, kOpen.data() + 8, 2);
    if (head != expectedHead || tail != expectedTail) return false;
    const char* text = p_ + kOpen.size();
    if (text[10] != '"' || text[11] != '}') return false;
    auto d = DateTime::parseIso(std::string_view(text, 10));
    if (!d) return false;
    out = *d;
    p_ += kSize;
    return true;
  }

  // {"$date": ...} or {"$packet": ...}; any other object is not a value.
  [[gnu::noinline]] Variant tagged() {
    Variant result;
    bool seen = false;
    object([&](const std::string& key) {
      if (seen) fail("objeto de valor deve ter uma única chave");
      seen = true;
      if (key == "$date") {
        ws();
        std::string s = string();
        bool shapeOk = (s.size() == 10 || (s.size() == 19 && s[10] == 'T' && s[13] == ':' && s[16] == ':'));
        auto d = shapeOk ? DateTime::parseIso(s) : std::nullopt;
        if (!d) fail("data inválida \"" + s + "\" (esperado AAAA-MM-DD ou AAAA-MM-DDTHH:MM:SS)");
        result = Variant(*d);
      } else if (key == "$packet") {
        result = Variant(packet());
      } else {
        fail("objeto não reconhecido como valor (chave \"" + key + "\"; esperado $date ou $packet)");
      }
    });
    if (!seen) fail("objeto vazio não é um valor");
    return result;
  }

  // A field name as compared for repeats: upper-cased, ASCII names (nearly all) byte by byte.
  static std::string nameKey(const std::string& name) {
    std::string key = name;
    for (char& c : key) {
      if (static_cast<unsigned char>(c) >= 0x80) return upperCase(name);
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    }
    return key;
  }

  void fields(Packet& p) {
    std::unordered_set<std::string> names;
    names.reserve(64);
    array([&](size_t i) {
      if (i >= lim_.maxFields) fail("campos demais (limite " + std::to_string(lim_.maxFields) + ")");
      count();
      FieldDef f;
      bool hasName = false, hasType = false, hasSize = false, hasReq = false, hasFixed = false;
      object([&](const std::string& key) {
        if (key == "name") {
          once(hasName, key);
          f.name = string();
          if (f.name.empty() || f.name.size() > kMaxNameBytes) fail("nome de campo vazio ou longo demais");
        } else if (key == "type") {
          once(hasType, key);
          std::string t = string();
          if (!parseFieldType(t, f.type)) fail("tipo de campo desconhecido \"" + t + "\"");
        } else if (key == "size") {
          once(hasSize, key);
          int64_t s = integer();
          if (s < 0 || s > kMaxFieldSize) fail("tamanho de campo fora do intervalo");
          f.size = static_cast<int>(s);
        } else if (key == "required") {
          once(hasReq, key);
          f.required = boolean();
        } else if (key == "fixed") {
          once(hasFixed, key);
          f.fixedChar = boolean();
        } else {
          fail("chave desconhecida \"" + key + "\" em campo");
        }
      });
      if (!hasName || !hasType) fail("campo exige \"name\" e \"type\"");
      if (!names.insert(nameKey(f.name)).second) fail("campo \"" + f.name + "\" repetido");
      p.fields.push_back(std::move(f));
    });
  }

  // Rows of a packet whose fields are known, written straight into typed columns in the one pass
  // (no Variant per cell). A row of another width is recorded (the first one) and reported once
  // the packet is read, as the row form's check would; its missing cells are nulls meanwhile.
  void columnRows(PacketRows& out, size_t width) {
    std::vector<PacketColumn> cols(width);
    size_t count = 0;
    size_t reserved = 0;
    array([&](size_t index) {
      countRow(index);
      ws();
      if (index == 0) reserved = reserveRows(cols);
      if (index == 1 && reserved) reserveTexts(cols, reserved);
      size_t c = rowCells(cols);
      if (c != width && shortRow_ == kNoRow) {
        shortRow_ = index;
        shortRowWidth_ = c;
      }
      for (; c < width; ++c) cols[c].pushNull();
      ++count;
    });
    if (count * 2 < reserved)
      for (PacketColumn& c : cols) c.shrinkToFit();
    out.setColumns(std::move(cols), count);
  }

  // One row's cells into their columns; the number of cells the row holds. This is where a large
  // packet spends its time: everything it calls is compiled into it but the rare paths (the
  // general readers of values, numbers and texts, and the faults).
  [[gnu::flatten]] size_t rowCells(std::vector<PacketColumn>& cols) {
    size_t c = 0, width = cols.size();
    array([&](size_t) {
      ws();
      if (p_ < e_ && *p_ == '[') fail("valor de campo deve ser simples (não vetor)");
      if (c < width) {
        cell(cols[c]);
      } else if (value().isPacket()) {
        fail("valor de campo deve ser simples (não pacote)");
      }
      ++c;
    });
    return c;
  }

  // Room in every column for as many rows as the rest of the text holds if they are the size of
  // the first one, so a packet's arrays are allocated once instead of growing: before the first
  // row is read, its extent is found by a scan of its brackets and quotes (the row itself is read
  // and checked afterwards); after it, texts get room in its proportion. The guess never passes
  // the row limit; it is returned, and the caller gives back room far above the rows read.
  size_t reserveRows(std::vector<PacketColumn>& cols) {
    int depth = 0;
    bool inText = false;
    const char* q = p_;
    for (; q < e_; ++q) {
      char c = *q;
      if (inText) {
        if (c == '\\')
          ++q;
        else if (c == '"')
          inText = false;
      } else if (c == '"') {
        inText = true;
      } else if (c == '[') {
        ++depth;
      } else if (c == ']' && --depth <= 0) {
        break;
      }
    }
    if (q >= e_) return 0;  // unterminated: the reading proper says what is wrong
    // A row takes at least two bytes a value (with its comma): a short first row cannot make the
    // guess reserve more than a few times the text.
    size_t rowBytes = std::max(static_cast<size_t>(q - p_) + 2, 2 * cols.size() + 1);
    size_t rows = std::min(1 + static_cast<size_t>(e_ - p_) / rowBytes, lim_.maxRows);
    for (PacketColumn& c : cols) c.reserve(rows);
    return rows;
  }
  void reserveTexts(std::vector<PacketColumn>& cols, size_t rows) {
    for (PacketColumn& c : cols)
      if (c.store() == PacketColumn::Store::Text) c.reserve(rows, c.textAt(0).size() * rows);
  }

  // One scalar value into its column: texts into the arena, numbers and dates unboxed.
  void cell(PacketColumn& col) {
    if (p_ >= e_) fail("fim inesperado do texto; esperado um valor");
    char ch = *p_;
    if (ch == '"') {
      count();
      appendStringValue(col.textArena());
      col.closeText();
    } else if (ch == '-' || (ch >= '0' && ch <= '9')) {
      count();
      int64_t i = 0;
      double d = 0;
      if (numberToken(i, d))
        col.pushFloat(d);
      else
        col.pushInt(i);
    } else if (ch == 'n') {
      count();
      literal("null");
      col.pushNull();
    } else if (ch == '{') {
      count();
      DateTime d;
      if (compactDate(d)) return col.pushDate(d);
      Variant v = tagged();
      if (v.isPacket()) fail("valor de campo deve ser simples (não pacote)");
      col.push(v);
    } else {
      Variant v = value();
      col.push(v);
    }
  }

  // Rows of scalar values. With nullRows, a row may be null (recorded there, stored empty).
  void rows(std::vector<std::vector<Variant>>& out, size_t widthHint, std::vector<bool>* nullRows) {
    array([&](size_t index) {
      countRow(index);
      if (nullRows) {
        bool n = isNull();
        nullRows->push_back(n);
        if (n) {
          out.emplace_back();
          return;
        }
      }
      std::vector<Variant> row;
      row.reserve(widthHint);
      array([&](size_t) {
        ws();
        if (p_ < e_ && *p_ == '[') fail("valor de campo deve ser simples (não vetor)");
        Variant v = value();
        if (v.isPacket()) fail("valor de campo deve ser simples (não pacote)");
        row.push_back(std::move(v));
      });
      out.push_back(std::move(row));
    });
  }

  const char* b_;
  const char* p_;
  const char* e_;
  const DecodeLimits& lim_;
  int depth_ = 0;
  size_t values_ = 0;
  static constexpr size_t kNoRow = static_cast<size_t>(-1);
  size_t shortRow_ = kNoRow;  // first row of a columnar packet whose width is not the fields'
  size_t shortRowWidth_ = 0;
};

int parseOutIndex(const std::string& key) {
  if (key.empty() || key.size() > 4 || (key.size() > 1 && key[0] == '0')) return -1;
  int v = 0;
  for (char c : key) {
    if (c < '0' || c > '9') return -1;
    v = v * 10 + (c - '0');
  }
  return v <= kMaxOutIndex ? v : -1;
}

}  // namespace

DecodeLimits requestLimits() {
  DecodeLimits l;
  l.maxBytes = size_t{16} << 20;
  l.maxValues = l.maxBytes / 16;
  l.maxRows = 100'000;
  return l;
}

void appendValue(std::string& text, const Variant& v) {
  Out out(text);
  appendAny(out, v, 0);
}

std::string encodeValue(const Variant& v) {
  std::string text;
  appendValue(text, v);
  return text;
}

Variant decodeValue(std::string_view json, const DecodeLimits& limits) {
  Reader r(json, limits);
  Variant v = r.value();
  r.finish();
  return v;
}

std::string encodeObject(const std::vector<std::pair<std::string, Variant>>& members) {
  std::string text;
  {
    Out out(text);
    out += '{';
    for (size_t i = 0; i < members.size(); ++i) {
      if (i) out += ',';
      appendString(out, members[i].first);
      out += ':';
      appendAny(out, members[i].second, 1);
    }
    out += '}';
  }
  return text;
}

std::string encodeRequest(const Request& r) {
  std::string text;
  {
    Out out(text);
    out += "{\"server\":";
    appendString(out, r.server);
    out += ",\"method\":";
    appendString(out, r.method);
    out += ",\"args\":";
    appendAny(out, Variant(r.args), 0);
    out += '}';
  }
  return text;
}

Request decodeRequest(std::string_view json, const DecodeLimits& limits) {
  Reader rd(json, limits);
  Request req;
  bool hasServer = false, hasMethod = false, hasArgs = false;
  rd.object([&](const std::string& key) {
    auto name = [&](bool& seen) {
      if (seen) rd.fail("chave \"" + key + "\" repetida");
      seen = true;
      std::string s = rd.string();
      if (s.empty() || s.size() > kMaxNameBytes) rd.fail("\"" + key + "\" vazio ou longo demais");
      return s;
    };
    if (key == "server") {
      req.server = name(hasServer);
    } else if (key == "method") {
      req.method = name(hasMethod);
    } else if (key == "args") {
      if (hasArgs) rd.fail("chave \"args\" repetida");
      hasArgs = true;
      rd.ws();
      rd.array([&](size_t) { req.args.push_back(rd.value()); });
    } else {
      rd.fail("chave desconhecida \"" + key + "\" na requisição");
    }
  });
  rd.finish();
  if (!hasServer || !hasMethod || !hasArgs) rd.fail("a requisição exige \"server\", \"method\" e \"args\"");
  return req;
}

std::string encodeReply(const Reply& r) {
  if (r.isFault) return encodeFault(r.fault);
  std::string text;
  {
    Out out(text);
    out += "{\"result\":";
    appendAny(out, r.result, 0);
    out += ",\"out\":{";
    for (size_t i = 0; i < r.out.size(); ++i) {
      if (i) out += ',';
      out += '"';
      appendInt(out, r.out[i].first);
      out += "\":";
      appendAny(out, r.out[i].second, 0);
    }
    out += "}}";
  }
  return text;
}

std::string encodeFault(std::string_view text) {
  // A fault must always be deliverable: bytes that are not UTF-8 (a driver's message in another
  // encoding) become U+FFFD instead of failing the reply.
  std::string clean;
  clean.reserve(text.size());
  const auto* u = reinterpret_cast<const unsigned char*>(text.data());
  for (size_t i = 0; i < text.size();) {
    size_t len = u[i] < 0x80 ? 1 : utf8SequenceLength(u + i, text.size() - i);
    if (len == 0) {
      clean += "\xEF\xBF\xBD";
      ++i;
    } else {
      clean.append(text.data() + i, len);
      i += len;
    }
  }
  std::string reply;
  {
    Out out(reply);
    out += "{\"fault\":";
    appendString(out, clean);
    out += '}';
  }
  return reply;
}

Reply decodeReply(std::string_view json, const DecodeLimits& limits) {
  Reader rd(json, limits);
  Reply rep;
  bool hasResult = false, hasOut = false;
  rd.object([&](const std::string& key) {
    if (key == "fault") {
      if (rep.isFault) rd.fail("chave \"fault\" repetida");
      rep.isFault = true;
      rep.fault = rd.string();
    } else if (key == "result") {
      if (hasResult) rd.fail("chave \"result\" repetida");
      hasResult = true;
      rep.result = rd.value();
    } else if (key == "out") {
      if (hasOut) rd.fail("chave \"out\" repetida");
      hasOut = true;
      rd.ws();
      rd.object([&](const std::string& index) {
        int i = parseOutIndex(index);
        if (i < 0) rd.fail("índice de argumento inválido \"" + index + "\" em \"out\"");
        for (const auto& [k, v] : rep.out)
          if (k == i) rd.fail("índice de argumento \"" + index + "\" repetido em \"out\"");
        rep.out.emplace_back(i, rd.value());
      });
    } else {
      rd.fail("chave desconhecida \"" + key + "\" na resposta");
    }
  });
  rd.finish();
  if (rep.isFault == hasResult) rd.fail("a resposta exige \"result\" ou \"fault\" (um dos dois)");
  if (rep.isFault && hasOut) rd.fail("resposta de falha não leva \"out\"");
  return rep;
}

}  // namespace cad::net
