// The RPC codec: every value kind survives a round trip with its kind, the documented JSON shapes
// are produced, and malformed or oversized input is refused with cad::Exception, never a crash.
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>

#include "platform/core/errors.h"
#include "platform/core/packet.h"
#include "platform/net/codec.h"

namespace cad::net {
namespace {

PacketPtr samplePacket(bool delta) {
  auto p = std::make_shared<Packet>();
  p->fields = {{"CDSERVFILI", FieldType::String, 5, true, false},  {"QTCOMESTISEG", FieldType::Float, 0, false, false},
               {"NRORDEM", FieldType::Integer, 0, false, false},   {"IDATIVO", FieldType::Boolean, 0, false, false},
               {"DTINICIO", FieldType::DateTime, 0, false, false}, {"IDCONSCOMFAT", FieldType::String, 1, false, true}};
  p->rows = {{"00001", 12.5, 3, true, DateTime::fromDate(2026, 3, 1), "S"},
             {"0000\"2", 0.0, Variant(), false, DateTime::fromDateTime(2026, 3, 1, 13, 45, 10), Variant()}};
  if (delta) {
    p->rows.push_back({"00003", -1e-7, 9, true, Variant(), "N"});
    p->delta = true;
    p->kinds = {ChangeKind::Inserted, ChangeKind::Modified, ChangeKind::Deleted};
    p->original = {{}, {"0000\"2", 5.0, 1, true, Variant(), "N"}, {"00003", -1e-7, 9, true, Variant(), "N"}};
  }
  return p;
}

TEST(Codec, EveryValueKindRoundTripsWithItsKind) {
  const Variant values[] = {
      Variant(),
      true,
      false,
      0,
      -42,
      Variant(std::numeric_limits<long long>::max()),
      Variant(std::numeric_limits<long long>::min()),
      5.0,
      -0.5,
      0.1,
      1e300,
      -2.5e-300,
      "",
      "texto com \"aspas\", \\barra\\, /, \n\t\r\b\f e \x01",
      "ação, Ω, 😀",
      DateTime::fromDate(2026, 2, 28),
      DateTime::fromDateTime(1999, 12, 31, 23, 59, 59),
      VariantArray{},
      VariantArray{1, "a", VariantArray{VariantArray{}, Variant()}, 2.0},
      Variant(samplePacket(false)),
      Variant(samplePacket(true)),
      VariantArray{true, Variant(samplePacket(false))},  // a checkable result
  };
  // The writer tells every kind apart (5 and 5.0, a date and its text, a packet's field flags), so
  // an unchanged text after a second round proves the kinds survived; == checks the values.
  for (const Variant& v : values) {
    std::string text = encodeValue(v);
    Variant back = decodeValue(text);
    EXPECT_EQ(encodeValue(back), text);
    EXPECT_TRUE(back == v) << text;
  }
}

TEST(Codec, ProducesTheDocumentedShapes) {
  EXPECT_EQ(encodeValue(5.0), "5.0");
  EXPECT_EQ(encodeValue(DateTime::fromDate(2026, 3, 5)), R"({"$date":"2026-03-05"})");
  EXPECT_EQ(encodeValue(DateTime::fromDateTime(2026, 3, 5, 8, 0, 0)), R"({"$date":"2026-03-05T08:00:00"})");
  EXPECT_EQ(encodeRequest({"S.rdm", "Get", {"0001", Variant()}}),
            R"({"server":"S.rdm","method":"Get","args":["0001",null]})");
  EXPECT_EQ(encodeReply({false, "", "", {{2, 7}}}), R"({"result":"","out":{"2":7}})");
  EXPECT_EQ(encodeFault("falhou"), R"({"fault":"falhou"})");

  auto p = std::make_shared<Packet>();
  p->fields = {{"A", FieldType::String, 2, true, false}};
  p->rows = {{"x"}};
  p->delta = true;
  p->kinds = {ChangeKind::Inserted};
  p->original = {{}};
  EXPECT_EQ(encodeValue(Variant(PacketPtr(p))),
            R"({"$packet":{"fields":[{"name":"A","type":"string","size":2,"required":true}],)"
            R"("rows":[["x"]],"delta":true,"kinds":["insert"],"original":[null]}})");

  // Whitespace, escapes and key order are the reader's business, not the writer's.
  Request r = decodeRequest(" { \"args\" : [ \"\\u00e7\\ud83d\\ude00\" ] , \"method\":\"M\",\"server\":\"S\" } ");
  EXPECT_EQ(r.server, "S");
  EXPECT_EQ(r.args.at(0).str(), "ç😀");
}

TEST(Codec, RefusesMalformedAndOversizedInput) {
  // A few of each kind: syntax, numbers, escapes and UTF-8, dates, packets and their deltas.
  const std::string bad[] = {
      "",
      "[1,",
      "[1,]",
      "\"abc",
      "01",
      ".5",
      "NaN",
      "[1] x",
      "\"\\u12\"",
      "\"\\ud800\"",
      "\"a\nb\"",
      "\"\xC0\xAF\"",
      "\"\xED\xA0\x80\"",
      "99999999999999999999",
      "1e999",
      R"({"a":1})",
      R"({"$date":"2026-02-30"})",
      R"({"$date":"2026-03-05 10:00:00"})",
      R"({"$date":"2026-03-05","x":1})",
      R"({"$packet":{"rows":[]}})",
      R"({"$packet":{"fields":[{"name":"A","type":"string"}],"rows":[[1,2]]}})",
      R"({"$packet":{"fields":[{"name":"A","type":"string"},{"name":"a","type":"integer"}],"rows":[]}})",
      R"({"$packet":{"fields":[{"name":"A","type":"string"}],"rows":[["a"]],"delta":true,"kinds":["insert"]}})",
      R"({"$packet":{"fields":[{"name":"A","type":"string"}],"rows":[["a"]],"delta":true,"kinds":["modify"],"original":[null]}})",
  };
  for (const std::string& s : bad) EXPECT_THROW(decodeValue(s), Exception) << s;
  for (const char* s : {R"({"server":"S","method":"M"})", R"({"server":"","method":"M","args":[]})",
                        R"({"server":"S","server":"S","method":"M","args":[]})", R"(["S","M",[]])"})
    EXPECT_THROW(decodeRequest(s), Exception) << s;
  for (const char* s : {R"({})", R"({"result":1,"fault":"x"})", R"({"result":1,"out":{"01":1}})",
                        R"({"result":1,"out":{"1":1,"1":2}})"})
    EXPECT_THROW(decodeReply(s), Exception) << s;

  // Nesting, size and count limits.
  EXPECT_NO_THROW(decodeValue(std::string(64, '[') + std::string(64, ']')));
  EXPECT_THROW(decodeValue(std::string(65, '[') + std::string(65, ']')), Exception);
  EXPECT_THROW(decodeValue(std::string(1'000'000, '[')), Exception);
  DecodeLimits small;
  small.maxBytes = 100;
  EXPECT_THROW(decodeValue("\"" + std::string(200, 'a') + "\"", small), Exception);
  small.maxBytes = 1 << 20;
  small.maxValues = 1000;
  std::string many = "[0";
  for (int i = 0; i < 2000; ++i) many += ",0";
  EXPECT_THROW(decodeValue(many + "]", small), Exception);
  small.maxFields = 2;
  EXPECT_THROW(decodeValue(R"({"$packet":{"fields":[{"name":"A","type":"string"},{"name":"B","type":"string"},)"
                           R"({"name":"C","type":"string"}],"rows":[]}})",
                           small),
               Exception);

  // The writer refuses what the reader would refuse.
  EXPECT_THROW(encodeValue(std::numeric_limits<double>::infinity()), Exception);
  EXPECT_THROW(encodeValue("\xFF"), Exception);
}

TEST(Codec, RequestLimitsBoundWhatOneRequestBuilds) {
  // Sized for requests: 16 MiB of text, one value per 16 bytes of that, 100 000 rows a packet.
  DecodeLimits lim = requestLimits();
  auto refusal = [&](const std::string& json) {
    try {
      decodeRequest(json, lim);
    } catch (const Exception& e) {
      return std::string(e.what());
    }
    return std::string("(aceito)");
  };
  auto request = [](const std::string& args) { return R"({"server":"S","method":"M","args":)" + args + "}"; };

  // A small request of many tiny values (2 bytes each) is refused past the count, with the limit.
  std::string zeros = "[0";
  for (size_t i = 0; i < lim.maxValues; ++i) zeros += ",0";
  EXPECT_NE(refusal(request("[" + zeros + "]]")).find("valores demais (limite 1048576)"), std::string::npos);
  // Rows count even when they carry no value; a change set's kinds and originals count too.
  std::string rows = R"({"$packet":{"fields":[],"rows":[[])";
  for (size_t i = 0; i < lim.maxRows; ++i) rows += ",[]";
  EXPECT_NE(refusal(request("[" + rows + "]}}]")).find("linhas demais em um pacote (limite 100000)"),
            std::string::npos);
  std::string kinds = R"({"$packet":{"fields":[],"rows":[],"delta":true,"kinds":["insert")";
  for (size_t i = 0; i < lim.maxRows; ++i) kinds += ",\"insert\"";
  EXPECT_NE(refusal(request("[" + kinds + R"(],"original":[]}}])")).find("linhas demais"), std::string::npos);
  // What a screen sends passes.
  EXPECT_EQ(refusal(encodeRequest({"S", "M", {Variant(samplePacket(true)), "0001", 2.5}})), "(aceito)");
}

TEST(Codec, CorruptedTextNeverCrashes) {
  // Mutations of valid documents must decode or throw cad::Exception; the sanitizers watch the rest.
  std::mt19937 rng(20260305);
  const std::string seeds[] = {encodeValue(Variant(samplePacket(true))),
                               encodeRequest({"S", "M", {1, "ç", VariantArray{DateTime::fromDate(2026, 1, 1)}}}),
                               encodeReply({false, "", VariantArray{true, 2.5}, {{0, "x"}}})};
  const char alphabet[] = "{}[]\",:\\u0123456789.eE+-truefalsn$ \xC3\xA7\xFF";
  int decoded = 0;
  for (int i = 0; i < 30000; ++i) {
    std::string s = seeds[i % 3];
    int edits = 1 + static_cast<int>(rng() % 4);
    for (int k = 0; k < edits && !s.empty(); ++k) {
      size_t pos = rng() % s.size();
      switch (rng() % 3) {
        case 0: s[pos] = alphabet[rng() % (sizeof alphabet - 1)]; break;
        case 1: s.erase(pos, 1 + rng() % 8); break;
        default: s.resize(pos); break;
      }
    }
    try {
      if (i % 3 == 0) decodeValue(s);
      if (i % 3 == 1) decodeRequest(s);
      if (i % 3 == 2) decodeReply(s);
      ++decoded;
    } catch (const Exception&) {
    }
  }
  EXPECT_LT(decoded, 30000);  // most mutations are caught
}

// Decimals read to the same double the general conversion gives, bit for bit, on both sides of
// the 15-digit boundary, negative zero included.
TEST(Codec, DecimalsReadToTheNearestDouble) {
  std::mt19937_64 rng(17);
  std::vector<std::string> texts = {"0.1",
                                    "-0.0",
                                    "0.30000000000000004",
                                    "123456789012345.6",
                                    "99999999999999.9",
                                    "999999999999999.9",
                                    "0.000000000000001",
                                    "1.7976931348623157",
                                    "-8.5"};
  for (int i = 0; i < 20000; ++i) {
    int decimals = 1 + static_cast<int>(rng() % 16);
    int64_t whole = static_cast<int64_t>(rng() % 1000000000000LL) >> (rng() % 40);
    std::string frac = std::to_string(rng() % 10000000000000000ULL);
    frac = std::string(16 - std::min<size_t>(16, frac.size()), '0') + frac;
    texts.push_back((rng() % 2 ? "-" : "") + std::to_string(whole) + "." + frac.substr(0, decimals));
  }
  for (const std::string& t : texts) {
    double expected = std::strtod(t.c_str(), nullptr);
    Variant v = decodeValue(t);
    ASSERT_TRUE(v.isFloat()) << t;
    double got = v.asFloat();
    EXPECT_EQ(std::bit_cast<uint64_t>(expected), std::bit_cast<uint64_t>(got)) << t;
  }
}

// Floats are written as the general shortest conversion writes them, byte for byte, whether the
// writer takes its path for short decimals or the general one: decimals of every length and size,
// round numbers on both sides of the fixed/scientific choice, and arbitrary doubles.
TEST(Codec, FloatsAreWrittenInTheirShortestForm) {
  std::mt19937_64 rng(29);
  for (int i = 0; i < 100000; ++i) {
    double d;
    if (i % 4 == 0) {
      uint64_t bits = rng();
      std::memcpy(&d, &bits, sizeof d);
      if (!std::isfinite(d)) continue;
    } else {
      auto whole = static_cast<int64_t>(rng() % 1000000000000000ULL) >> (rng() % 50);
      d = static_cast<double>(whole) / std::pow(10.0, static_cast<double>(rng() % 16)) * (rng() % 2 ? -1 : 1);
    }
    char buf[40];
    auto r = std::to_chars(buf, buf + sizeof buf, d);
    std::string expected(buf, r.ptr);
    if (expected.find_first_of(".e") == std::string::npos) expected += ".0";
    ASSERT_EQ(encodeValue(d), expected);
  }
}

// Texts and dates are read in place when they take their common form; every other form goes the
// general way. Both must give the same values and refuse the same faults.
TEST(Codec, TextsAndDatesReadTheSameInEveryForm) {
  struct Case {
    const char* json = nullptr;
    Variant expected;
  };
  const Case read[] = {
      {R"("Serviço \"A\" ç")", Variant("Serviço \"A\" ç")},  // escape after accented text
      {R"("ab\u00e7\ud83d\ude00")", Variant("abç\xF0\x9F\x98\x80")},
      {R"({ "$date" : "2026-02-28" })", Variant(DateTime::fromDate(2026, 2, 28))},
  };
  for (const Case& c : read) {
    Variant v = decodeValue(c.json);
    EXPECT_EQ(v.kind(), c.expected.kind()) << c.json;
    EXPECT_EQ(Variant::compare(v, c.expected), 0) << c.json;
  }
  const char* refused[] = {
      "\"Servi\xC3\"",  // a sequence cut by the closing quote
      "\"abc\xFF"
      "def\"",  // not UTF-8
      "\"ab\x01"
      "cd\"",         // control character
      "\"ab\\qcd\"",  // unknown escape
      R"({"$date":"2026-02-28"})"
      "x",
      R"({"$date":"2026-02-2"})",
      R"({"$date":"2026-02-28"],)",
  };
  for (const char* json : refused) EXPECT_THROW(decodeValue(json), Exception) << json;
  // Field names repeat without regard to case, accented letters included.
  auto packet = [](const char* a, const char* b) {
    return std::string(R"({"$packet":{"fields":[{"name":")") + a + R"(","type":"string"},{"name":")" + b +
           R"(","type":"string"}],"rows":[]}})";
  };
  EXPECT_THROW(decodeValue(packet("Nome", "NOME")), Exception);
  EXPECT_THROW(decodeValue(packet("ação", "AÇÃO")), Exception);
  EXPECT_NO_THROW(decodeValue(packet("ação", "acao")));
  // A date one level too deep is refused, as any object there is.
  std::string deep = std::string(63, '[') + R"({"$date":"2026-02-28"})" + std::string(63, ']');
  EXPECT_NO_THROW(decodeValue(deep));
  EXPECT_THROW(decodeValue("[" + deep + "]"), Exception);
}

// Random packets of every column kind (nulls, texts of every length with escapes, control
// characters and sequences of two to four bytes, extreme numbers, dates with and without a time)
// read back to the same packet, whether compact (the row loop's fast paths), spread with
// whitespace, or each cell alone at the very end of its text (the general paths): the writer tells
// every kind and every double apart, so an unchanged text proves the same packet.
TEST(Codec, RandomPacketsReadBackTheSameInEveryLayout) {
  std::mt19937_64 rng(41);
  const char* pieces[] = {"a", "0", "abcdefghij", "\"", "\\", "/", "\n", "\x01", "\x7f", "ç", "Ã", "€", "😀", " "};
  auto cell = [&](FieldType type) -> Variant {
    if (rng() % 6 == 0) return Variant();
    switch (type) {
      case FieldType::String: {
        std::string s;
        for (size_t n = rng() % 12; n > 0; --n) s += pieces[rng() % std::size(pieces)];
        return Variant(s);
      }
      case FieldType::Integer: {
        const long long extreme[] = {std::numeric_limits<long long>::min(), std::numeric_limits<long long>::max(), 0};
        return rng() % 4 ? Variant(static_cast<long long>(rng()) >> (rng() % 64)) : Variant(extreme[rng() % 3]);
      }
      case FieldType::Float: {
        double d = std::bit_cast<double>(rng());
        if (rng() % 2 || !std::isfinite(d)) d = static_cast<double>(static_cast<int64_t>(rng()) >> (rng() % 64)) / 1e4;
        return Variant(d);
      }
      case FieldType::Boolean: return Variant(rng() % 2 == 0);
      default:
        return Variant(DateTime::fromDateTime(1 + static_cast<int>(rng() % 9998), 1 + static_cast<int>(rng() % 12),
                                              1 + static_cast<int>(rng() % 31), static_cast<int>(rng() % 2 * 13), 0,
                                              0));
    }
  };
  auto spread = [&](const std::string& text) {
    std::string out;
    bool inText = false;
    for (size_t i = 0; i < text.size(); ++i) {
      if (!inText && std::strchr("{}[],:\"", text[i]) && rng() % 2) out += " \n\t"[rng() % 3];
      out += text[i];
      if (inText && text[i] == '\\')
        out += text[++i];
      else if (text[i] == '"')
        inText = !inText;
    }
    return out;
  };
  for (int round = 0; round < 300; ++round) {
    auto p = std::make_shared<Packet>();
    for (size_t c = 0, width = 1 + rng() % 6; c < width; ++c)
      p->fields.push_back({"C" + std::to_string(c), static_cast<FieldType>(rng() % 5)});
    std::vector<std::vector<Variant>> rows(rng() % 30);
    for (auto& row : rows)
      for (const FieldDef& f : p->fields) row.push_back(cell(f.type));
    p->rows = rows;
    std::string text = encodeValue(Variant(PacketPtr(p)));
    ASSERT_EQ(encodeValue(decodeValue(text)), text);
    ASSERT_EQ(encodeValue(decodeValue(spread(text))), text);
    for (const auto& row : rows)
      for (const Variant& v : row) ASSERT_EQ(encodeValue(decodeValue(encodeValue(v))), encodeValue(v));
  }
}

}  // namespace
}  // namespace cad::net
