#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/core/format.h"

namespace cad {
namespace {

const FormatSettings kBr;  // decimal comma, thousands point
FormatSettings us() {
  FormatSettings fs;
  fs.decimalSeparator = '.';
  fs.thousandSeparator = ',';
  return fs;
}

TEST(RoundDec, RoundsTheDecimalTextHalfAwayFromZero) {
  EXPECT_EQ(roundDec(2.675, 2), 2.68);
  EXPECT_EQ(roundDec(1.005, 2), 1.01);
  EXPECT_EQ(roundDec(10 - 9.9999, 5), 0.0001);
  EXPECT_EQ(roundDec(-2.5, 0), -3.0);
  EXPECT_EQ(roundDec(2.5, 0), 3.0);
  EXPECT_EQ(roundDec(0.6, 0), 1.0);
  EXPECT_EQ(roundDec(9.9999996, 6), 10.0);
  EXPECT_EQ(roundDec(1234.5678, -2), 1200.0);
  EXPECT_EQ(roundDec(0.1 + 0.2, 5), 0.3);
  EXPECT_EQ(roundDec(123.456, 10), 123.456);
  // A result of zero never keeps the sign.
  EXPECT_FALSE(std::signbit(roundDec(-0.000001, 5)));
  EXPECT_FALSE(std::signbit(roundDec(-0.0, 2)));
  EXPECT_TRUE(std::isnan(roundDec(std::nan(""), 2)));
  EXPECT_EQ(roundDec(1e300, 2), 1e300);
  EXPECT_EQ(roundDec(5e-324, 2), 0.0);
}

TEST(FormatFloat, ScreenFormatsWithBrazilianSeparators) {
  EXPECT_EQ(formatFloat("#,##0.00", 1234567.891, kBr), "1.234.567,89");
  EXPECT_EQ(formatFloat("#,##0.00", 0, kBr), "0,00");
  EXPECT_EQ(formatFloat("#,##0.00", 999.995, kBr), "1.000,00");
  EXPECT_EQ(formatFloat("#,##0.00000", 10 - 9.9999, kBr), "0,00010");
  EXPECT_EQ(formatFloat("#,##0.00000", 12345.123456, kBr), "12.345,12346");
  EXPECT_EQ(formatFloat("#,#####0.00000", 1234567.5, kBr), "1.234.567,50000");
  EXPECT_EQ(formatFloat("#,#####0.00000", 0, kBr), "0,00000");
  EXPECT_EQ(formatFloat("###,##0.00000", 0.5, kBr), "0,50000");
  EXPECT_EQ(formatFloat("###,##0.00000", 1000000, kBr), "1.000.000,00000");
  EXPECT_EQ(formatFloat("0", 2.5, kBr), "3");
  EXPECT_EQ(formatFloat("0", 12345, kBr), "12345");
  EXPECT_EQ(formatFloat("0.00", 2.675, kBr), "2,68");
  EXPECT_EQ(formatFloat("0.00", 1234.5, kBr), "1234,50");
  EXPECT_EQ(formatFloat("#,##0", 1234567.4, kBr), "1.234.567");
  EXPECT_EQ(formatFloat("#,##0", 999, kBr), "999");
  EXPECT_EQ(formatFloat("#,##0", 0.4, kBr), "0");
  // Optional placeholders, literals and quoted text.
  EXPECT_EQ(formatFloat("0.##", 1, kBr), "1");
  EXPECT_EQ(formatFloat("0.##", 1.5, kBr), "1,5");
  EXPECT_EQ(formatFloat("#.##", 0.25, kBr), ",25");
  EXPECT_EQ(formatFloat("00-00", 123, kBr), "01-23");
  EXPECT_EQ(formatFloat("\"R$ \"#,##0.00", 1500, kBr), "R$ 1.500,00");
  EXPECT_EQ(formatFloat(".00", 12.5, kBr), "12,50");
  EXPECT_EQ(formatFloat("", 12.5, kBr), "12,5");
}

TEST(FormatFloat, SignsAndSections) {
  EXPECT_EQ(formatFloat("#,##0.00", -1234.5, kBr), "-1.234,50");
  EXPECT_EQ(formatFloat("#,##0.00", -0.001, kBr), "0,00");
  EXPECT_EQ(formatFloat("#,##0.00000", -0.000004, kBr), "0,00000");
  EXPECT_EQ(formatFloat("0", -0.4, kBr), "0");
  EXPECT_EQ(formatFloat("0", -0.5, kBr), "-1");
  // Negative section printed without the minus; zero section for values that round to zero.
  EXPECT_EQ(formatFloat("#,##0.00;(#,##0.00);\"zero\"", -1234.5, kBr), "(1.234,50)");
  EXPECT_EQ(formatFloat("#,##0.00;(#,##0.00);\"zero\"", 0.004, kBr), "zero");
  EXPECT_EQ(formatFloat("#,##0.00;(#,##0.00);\"zero\"", -0.004, kBr), "zero");
  EXPECT_EQ(formatFloat("#,##0.00;(#,##0.00);\"zero\"", 7, kBr), "7,00");
  // Empty sections fall back to the positive one.
  EXPECT_EQ(formatFloat("0.0;;\"-\"", -2, kBr), "-2,0");
  EXPECT_EQ(formatFloat("0.0;\"neg\";", 0, kBr), "0,0");
  EXPECT_EQ(formatFloat("\"a;b\"0", 3, kBr), "a;b3");
}

TEST(FormatFloat, SeparatorsComeFromTheSettings) {
  FormatSettings fs = us();
  EXPECT_EQ(formatFloat("#,##0.00", 1234567.891, fs), "1,234,567.89");
  EXPECT_EQ(formatFloat("###,##0.00000", -98765.4321, fs), "-98,765.43210");
  EXPECT_EQ(floatToStr(12.5, fs), "12.5");
  EXPECT_EQ(parseFloat("1,234.56", fs), 1234.56);
  EXPECT_FALSE(parseFloat("1.234,56", fs));

  FormatSettings saved = formatSettings();
  formatSettings() = fs;
  EXPECT_EQ(formatFloat("#,##0.00", 1234.5), "1,234.50");
  formatSettings() = saved;
  EXPECT_EQ(formatFloat("#,##0.00", 1234.5), "1.234,50");
}

TEST(FormatFloat, HugeAndNonFiniteValuesDoNotCrash) {
  std::string big = formatFloat("#,##0.00", 1e300, kBr);
  EXPECT_EQ(big.substr(0, 8), "1.000.00");
  EXPECT_EQ(big.substr(big.size() - 3), ",00");
  EXPECT_EQ(formatFloat("0.00", std::numeric_limits<double>::max(), kBr).size(), 312u);
  EXPECT_EQ(formatFloat("#,##0.00", std::nan(""), kBr), "NAN");
  EXPECT_EQ(formatFloat("#,##0.00", -std::numeric_limits<double>::infinity(), kBr), "-INF");
  EXPECT_EQ(floatToStr(std::numeric_limits<double>::infinity(), kBr), "INF");
}

TEST(ParseFloat, AcceptsTypedNumbersAndRoundTrips) {
  EXPECT_EQ(parseFloat("1.234,56", kBr), 1234.56);
  EXPECT_EQ(parseFloat("12,5", kBr), 12.5);
  EXPECT_EQ(parseFloat("-3", kBr), -3.0);
  EXPECT_EQ(parseFloat(" 7 ", kBr), 7.0);
  EXPECT_EQ(parseFloat(",5", kBr), 0.5);
  EXPECT_EQ(parseFloat("1.000.000", kBr), 1e6);
  EXPECT_EQ(parseFloat("1,5E3", kBr), 1500.0);
  for (const char* bad : {"", "  ", "abc", "1,2,3", "12.5", "1.23,4", ".123", "-", ",", "1e", "12a",
                          "1e999"})
    EXPECT_FALSE(parseFloat(bad, kBr)) << bad;

  for (double v : {0.1, -0.0001, 12.5, 1234567.891, 1e-7, 1e20, 0.1 + 0.2, -98765.4321})
    EXPECT_EQ(parseFloat(floatToStr(v, kBr), kBr), v) << v;
  EXPECT_EQ(parseFloat(formatFloat("#,##0.00000", 1234567.12345, kBr), kBr), 1234567.12345);
}

TEST(FloatToStr, ShortestTextWithTheDecimalComma) {
  EXPECT_EQ(floatToStr(12.5, kBr), "12,5");
  EXPECT_EQ(floatToStr(0, kBr), "0");
  EXPECT_EQ(floatToStr(-0.0, kBr), "0");
  EXPECT_EQ(floatToStr(-0.0001, kBr), "-0,0001");
  EXPECT_EQ(floatToStr(1234567, kBr), "1234567");
  EXPECT_EQ(floatToStr(100, kBr), "100");
  EXPECT_EQ(floatToStr(1e20, kBr), "1E20");
  EXPECT_EQ(floatToStr(-1.5e-7, kBr), "-1,5E-7");
}

TEST(EditMask, TimeAndNumericMasksStoreDigitsOnly) {
  EditMask time("99:99");
  EXPECT_FALSE(time.saveLiterals());
  EXPECT_EQ(time.editableCount(), 4u);
  EXPECT_EQ(time.apply("1230"), "12:30");
  EXPECT_EQ(time.apply("12"), "12:__");
  EXPECT_EQ(time.strip("12:30"), "1230");
  EXPECT_EQ(time.strip("1230"), "1230");
  EXPECT_EQ(time.strip("12:__"), "12");
  EXPECT_EQ(time.strip("__:__"), "");
  EXPECT_EQ(time.strip("1:30"), "1 30");

  EditMask branch("9999;0; ");
  EXPECT_EQ(branch.blank(), ' ');
  EXPECT_EQ(branch.apply("12"), "12  ");
  EXPECT_EQ(branch.strip("12  "), "12");
  EXPECT_EQ(branch.strip("0012"), "0012");

  for (const char* m : {"999", "99999", "999999"}) {
    EditMask mask(m);
    std::string digits = std::string("123456").substr(0, mask.editableCount());
    EXPECT_EQ(mask.apply(digits), digits) << m;
    EXPECT_EQ(mask.strip(digits), digits) << m;
    EXPECT_FALSE(mask.accept(0, "x")) << m;
    EXPECT_FALSE(mask.accept(mask.editableCount(), "1")) << m;
  }

  EditMask month("99/9999;0; ");
  EXPECT_EQ(month.apply("072026"), "07/2026");
  EXPECT_EQ(month.strip("07/2026"), "072026");
}

TEST(EditMask, RegistrationNumbersShowTheirPunctuation) {
  EditMask cpf("999.999.999-99;0;_");
  EXPECT_EQ(cpf.editableCount(), 11u);
  EXPECT_EQ(cpf.apply("12345678909"), "123.456.789-09");
  EXPECT_EQ(cpf.strip("123.456.789-09"), "12345678909");
  EXPECT_EQ(cpf.apply("123456"), "123.456.___-__");
  EXPECT_EQ(cpf.strip("123.456.___-__"), "123456");

  EditMask cnpj("99.999.999/9999-99;0;_");
  EXPECT_EQ(cnpj.editableCount(), 14u);
  EXPECT_EQ(cnpj.apply("12345678000195"), "12.345.678/0001-95");
  EXPECT_EQ(cnpj.strip("12.345.678/0001-95"), "12345678000195");

  // "1" keeps the literals in the stored value.
  EditMask saved("99.999.999/9999-99;1;_");
  EXPECT_TRUE(saved.saveLiterals());
  EXPECT_EQ(saved.strip("12.345.678/0001-95"), "12.345.678/0001-95");
  EXPECT_EQ(saved.apply("12.345.678/0001-95"), "12.345.678/0001-95");
  EXPECT_TRUE(saved.complete("12.345.678/0001-95"));
}

TEST(EditMask, AcceptChecksKindAndConvertsCase) {
  EditMask code(">aaaa");
  EXPECT_EQ(code.accept(0, "b"), "B");
  EXPECT_EQ(code.accept(1, "ç"), "Ç");
  EXPECT_EQ(code.accept(2, "7"), "7");
  EXPECT_EQ(code.accept(3, " "), " ");
  EXPECT_FALSE(code.accept(0, "-"));
  EXPECT_FALSE(code.accept(4, "a"));
  EXPECT_FALSE(code.accept(0, "ab"));
  EXPECT_EQ(code.apply("ab1"), "AB1_");
  EXPECT_EQ(code.strip("ab1_"), "AB1");
  EXPECT_TRUE(code.complete(""));

  EditMask mixed(">L<l<>C\\9");
  EXPECT_EQ(mixed.editableCount(), 3u);
  EXPECT_EQ(mixed.accept(0, "x"), "X");
  EXPECT_EQ(mixed.accept(1, "Y"), "y");
  EXPECT_EQ(mixed.accept(2, "Q"), "Q");
  EXPECT_EQ(mixed.accept(2, "%"), "%");
  EXPECT_FALSE(mixed.accept(0, "1"));
  EXPECT_FALSE(mixed.accept(0, " "));
  EXPECT_EQ(mixed.apply("ab%"), "Ab%9");

  EditMask any("ccccc");
  EXPECT_EQ(any.accept(4, "#"), "#");
  EXPECT_EQ(any.apply("AB"), "AB___");
  EXPECT_EQ(any.strip("AB___"), "AB");

  // Required positions decide completeness.
  EditMask req("00:00");
  EXPECT_FALSE(req.accept(0, " "));
  EXPECT_TRUE(req.complete("1230"));
  EXPECT_FALSE(req.complete("123"));
  EXPECT_FALSE(req.complete("12 0"));
  EXPECT_FALSE(req.complete("12a0"));
  EXPECT_TRUE(EditMask("99:99").complete("12"));

  EditMask none("");
  EXPECT_TRUE(none.empty());
  EXPECT_EQ(none.apply("abc"), "abc");
  EXPECT_EQ(none.accept(10, "z"), "z");
}

TEST(FormatMessage, SubstitutesArgumentsInOrder) {
  EXPECT_EQ(formatMessage("Operação bloqueada. Já existem efetivos lançados para o serviço de faturamento "
                          "%s vinculado ao serviço de planejamento %s. Últimos efetivos lançados em %s.",
                          {"001 ALMOÇO", "00002 JANTAR", "05/03/2026"}),
            "Operação bloqueada. Já existem efetivos lançados para o serviço de faturamento 001 ALMOÇO "
            "vinculado ao serviço de planejamento 00002 JANTAR. Últimos efetivos lançados em 05/03/2026.");
  EXPECT_EQ(formatMessage("%S de %d: 100%%", {"a", "b"}), "a de b: 100%");
  EXPECT_EQ(formatMessage("(%s) (%s)", {"x"}), "(x) ()");
  EXPECT_EQ(formatMessage("%1:s %0:s %s", {"a", "b"}), "b a b");
  EXPECT_EQ(formatMessage("[%5s][%-3s][%.2s]", {"ab", "c", "ação"}), "[   ab][c  ][aç]");
  EXPECT_EQ(formatMessage("50% off %", {}), "50% off %");
}

}  // namespace
}  // namespace cad
