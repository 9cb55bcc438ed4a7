// Values and their texts: decimal rounding, FormatFloat with the screens' formats, parsing typed
// numbers, edit masks, message substitution and dates.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/core/datetime.h"
#include "platform/core/format.h"

namespace cad {
namespace {

const FormatSettings kBr;  // decimal comma, thousands point

TEST(RoundDec, RoundsTheDecimalTextHalfAwayFromZero) {
  EXPECT_EQ(roundDec(2.675, 2), 2.68);
  EXPECT_EQ(roundDec(1.005, 2), 1.01);
  EXPECT_EQ(roundDec(10 - 9.9999, 5), 0.0001);
  EXPECT_EQ(roundDec(-2.5, 0), -3.0);
  EXPECT_EQ(roundDec(9.9999996, 6), 10.0);
  EXPECT_EQ(roundDec(1234.5678, -2), 1200.0);
  // A result of zero never keeps the sign.
  EXPECT_FALSE(std::signbit(roundDec(-0.000001, 5)));
  EXPECT_TRUE(std::isnan(roundDec(std::nan(""), 2)));
  EXPECT_EQ(roundDec(1e300, 2), 1e300);
}

TEST(FormatFloat, ScreenFormatsSignsAndSections) {
  const struct {
    const char* format;
    double value;
    const char* text;
  } cases[] = {
      {"#,##0.00", 1234567.891, "1.234.567,89"},
      {"#,##0.00", 999.995, "1.000,00"},
      {"#,##0.00000", 10 - 9.9999, "0,00010"},
      {"#,#####0.00000", 1234567.5, "1.234.567,50000"},
      {"0.00", 2.675, "2,68"},
      {"0.##", 1.5, "1,5"},
      {"#.##", 0.25, ",25"},
      {"00-00", 123, "01-23"},
      {"\"R$ \"#,##0.00", 1500, "R$ 1.500,00"},
      {"", 12.5, "12,5"},
      // No negative zero; negative and zero sections; an empty section falls back to the first.
      {"#,##0.00", -1234.5, "-1.234,50"},
      {"#,##0.00000", -0.000004, "0,00000"},
      {"0", -0.5, "-1"},
      {"#,##0.00;(#,##0.00);\"zero\"", -1234.5, "(1.234,50)"},
      {"#,##0.00;(#,##0.00);\"zero\"", -0.004, "zero"},
      {"0.0;;\"-\"", -2, "-2,0"},
      {"\"a;b\"0", 3, "a;b3"},
  };
  for (const auto& c : cases) EXPECT_EQ(formatFloat(c.format, c.value, kBr), c.text) << c.format << " " << c.value;
}

TEST(FormatFloat, SeparatorsComeFromTheSettings) {
  FormatSettings us;
  us.decimalSeparator = '.';
  us.thousandSeparator = ',';
  EXPECT_EQ(formatFloat("###,##0.00000", -98765.4321, us), "-98,765.43210");
  EXPECT_EQ(parseFloat("1,234.56", us), 1234.56);
  EXPECT_FALSE(parseFloat("1.234,56", us));

  FormatSettings saved = formatSettings();
  formatSettings() = us;
  EXPECT_EQ(formatFloat("#,##0.00", 1234.5), "1,234.50");
  formatSettings() = saved;
}

TEST(FormatFloat, HugeAndNonFiniteValuesDoNotCrash) {
  std::string big = formatFloat("#,##0.00", 1e300, kBr);
  EXPECT_EQ(big.substr(0, 8), "1.000.00");
  EXPECT_EQ(formatFloat("0.00", std::numeric_limits<double>::max(), kBr).size(), 312u);
  EXPECT_EQ(formatFloat("#,##0.00", std::nan(""), kBr), "NAN");
  EXPECT_EQ(formatFloat("#,##0.00", -std::numeric_limits<double>::infinity(), kBr), "-INF");
}

TEST(ParseFloat, AcceptsTypedNumbersAndRoundTripsFloatToStr) {
  EXPECT_EQ(parseFloat("1.234,56", kBr), 1234.56);
  EXPECT_EQ(parseFloat(",5", kBr), 0.5);
  EXPECT_EQ(parseFloat("1,5E3", kBr), 1500.0);
  for (const char* bad : {"", "abc", "1,2,3", "12.5", "1.23,4", "-", "1e", "1e999"})
    EXPECT_FALSE(parseFloat(bad, kBr)) << bad;

  EXPECT_EQ(floatToStr(-0.0, kBr), "0");
  EXPECT_EQ(floatToStr(-0.0001, kBr), "-0,0001");
  EXPECT_EQ(floatToStr(-1.5e-7, kBr), "-1,5E-7");
  for (double v : {0.1, -0.0001, 1234567.891, 1e-7, 1e20, 0.1 + 0.2})
    EXPECT_EQ(parseFloat(floatToStr(v, kBr), kBr), v) << v;
}

TEST(EditMask, ApplyAndStripKeepTheDigits) {
  EditMask time("99:99");
  EXPECT_FALSE(time.saveLiterals());
  EXPECT_EQ(time.apply("1230"), "12:30");
  EXPECT_EQ(time.apply("12"), "12:__");
  EXPECT_EQ(time.strip("12:__"), "12");
  EXPECT_EQ(time.strip("1:30"), "1 30");

  EditMask branch("9999;0; ");
  EXPECT_EQ(branch.apply("12"), "12  ");
  EXPECT_EQ(branch.strip("12  "), "12");

  EditMask cpf("999.999.999-99;0;_");
  EXPECT_EQ(cpf.apply("12345678909"), "123.456.789-09");
  EXPECT_EQ(cpf.strip("123.456.___-__"), "123456");
  EditMask saved("99.999.999/9999-99;1;_");  // "1" keeps the literals in the stored value
  EXPECT_EQ(saved.strip("12.345.678/0001-95"), "12.345.678/0001-95");
}

TEST(EditMask, AcceptChecksKindConvertsCaseAndDecidesCompleteness) {
  EditMask code(">aaaa");
  EXPECT_EQ(code.accept(1, "ç"), "Ç");
  EXPECT_EQ(code.accept(2, "7"), "7");
  EXPECT_FALSE(code.accept(0, "-"));
  EXPECT_FALSE(code.accept(4, "a"));
  EXPECT_EQ(code.strip("ab1_"), "AB1");

  EditMask mixed(">L<l<>C\\9");
  EXPECT_EQ(mixed.editableCount(), 3u);
  EXPECT_EQ(mixed.apply("ab%"), "Ab%9");
  EXPECT_FALSE(mixed.accept(0, "1"));

  EditMask req("00:00");
  EXPECT_TRUE(req.complete("1230"));
  EXPECT_FALSE(req.complete("12 0"));
  EXPECT_TRUE(EditMask("99:99").complete("12"));
  EXPECT_EQ(EditMask("").apply("abc"), "abc");
}

TEST(FormatMessage, SubstitutesArgumentsInOrder) {
  EXPECT_EQ(formatMessage("Serviço %s vinculado a %s em %s.", {"001 ALMOÇO", "00002 JANTAR", "05/03/2026"}),
            "Serviço 001 ALMOÇO vinculado a 00002 JANTAR em 05/03/2026.");
  EXPECT_EQ(formatMessage("%S de %d: 100%%", {"a", "b"}), "a de b: 100%");
  EXPECT_EQ(formatMessage("(%s) (%s)", {"x"}), "(x) ()");
  EXPECT_EQ(formatMessage("%1:s %0:s %s", {"a", "b"}), "b a b");
  EXPECT_EQ(formatMessage("[%5s][%-3s][%.2s]", {"ab", "c", "ação"}), "[   ab][c  ][aç]");
}

TEST(DateTime, SerialMonthsAndShortDates) {
  EXPECT_EQ(DateTime::fromDate(2000, 1, 1).serial, 36526);
  EXPECT_EQ(DateTime::fromDateTime(2026, 12, 6, 13, 45, 10).iso(), "2026-12-06T13:45:10");
  EXPECT_FALSE(DateTime::parseIso("2026-02-30"));

  EXPECT_EQ(addMonths(DateTime::fromDate(2026, 1, 31), 1).iso(), "2026-02-28");
  EXPECT_EQ(addMonths(DateTime::fromDate(2024, 3, 31), -1).iso(), "2024-02-29");
  EXPECT_EQ(addMonths(DateTime::fromDate(2026, 1, 15), -13).iso(), "2024-12-15");
  EXPECT_EQ(firstDayOfMonth(DateTime::fromDateTime(2026, 7, 19, 10, 0)).iso(), "2026-07-01");

  DateTime d = DateTime::fromDate(2026, 3, 5);
  EXPECT_EQ(formatDate(d, "d/m/yy"), "5/3/26");
  EXPECT_EQ(parseDate("5/3/26", "dd/mm/yyyy")->iso(), "2026-03-05");
  EXPECT_FALSE(parseDate("31/04/2026", "dd/mm/yyyy"));
  EXPECT_FALSE(parseDate("  /  /    ", "dd/mm/yyyy"));
}

}  // namespace
}  // namespace cad
