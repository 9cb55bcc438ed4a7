// Filters (grammar, comparison rules, the filtered view) and searching (Locate, Lookup).
#include <gtest/gtest.h>

#include "platform/core/errors.h"
#include "platform/data/dataset.h"
#include "platform/data/filter.h"
#include "tests/platform/data/data_fixtures.h"
#include "tests/support/error_text.h"

namespace cad {
namespace {

using Texts = std::vector<std::string>;

// Services: code, name, branch, value, reference date (some nulls).
PacketPtr services() {
  auto d = [](int y, int m, int day) { return Variant(DateTime::fromDate(y, m, day)); };
  return test::packet({test::def("CDSERV", FieldType::String, 5), test::def("NMSERV", FieldType::String, 30),
                       test::def("CDFILIAL", FieldType::String, 4), test::def("VALOR", FieldType::Float),
                       test::def("DTREF", FieldType::DateTime)},
                      {{"001", "Almoço", "0001", 10.5, d(2026, 3, 5)},
                       {"002", "Jantar", "0001", 20.0, d(2026, 4, 1)},
                       {"003", "D'Ávila ceia", "0002", Variant(), Variant()},
                       {"004", "almoço dieta", "0002", 7.25, d(2026, 3, 5)},
                       {"005", Variant(), "0001", 0.0, DateTime::fromDateTime(2026, 3, 5, 11, 30)}});
}

Texts filtered(ClientDataSet& ds, const std::string& expr) {
  ds.SetFilter(expr);
  ds.SetFiltered(true);
  return test::column(ds, "CDSERV");
}

TEST(Filter, MalformedExpressionsAreRefusedWithAPortugueseMessage) {
  for (const char* bad :
       {"CDSERV =", "(CDSERV = '1'", "CDSERV = 'abc", "CDSERV = '1' AND", "CDSERV > NULL", "CDSERV # 1"})
    EXPECT_NE(test::ErrorText([&] { FilterExpr e(bad); }).find("Expressão de filtro inválida"), std::string::npos)
        << bad;
  EXPECT_TRUE(FilterExpr("   ").empty());

  ClientDataSet ds;
  ds.SetData(services());
  ds.SetFilter("NADA = 1");
  EXPECT_THROW(ds.SetFiltered(true), Exception);  // unknown field: refused, dataset unchanged
  EXPECT_FALSE(ds.Filtered());
  ds.SetFilter("CDFILIAL = '0001'");
  ds.SetFiltered(true);
  EXPECT_THROW(ds.SetFilter("VALOR = 'dez'"), Exception);
  EXPECT_THROW(ds.SetFilter("DTREF = '31/02/2026'"), Exception);
  EXPECT_EQ(ds.Filter(), "CDFILIAL = '0001'");  // a refused text does not replace the active one
  EXPECT_EQ(ds.RecordCount(), 3);
}

TEST(Filter, ComparisonsAndLogic) {
  ClientDataSet ds;
  ds.SetData(services());
  EXPECT_EQ(filtered(ds, "cdfilial = '0001' and VALOR > 10"), (Texts{"001", "002"}));
  EXPECT_EQ(filtered(ds, "CDFILIAL = '0002' Or VALOR >= 20"), (Texts{"002", "003", "004"}));
  EXPECT_EQ(filtered(ds, "NOT (CDFILIAL = '0001' OR VALOR < 8)"), (Texts{"003"}));
  EXPECT_EQ(filtered(ds, "VALOR <> 10.5"), (Texts{"002", "003", "004", "005"}));  // null differs
  EXPECT_EQ(filtered(ds, "-1 < VALOR AND VALOR < 8"), (Texts{"004", "005"}));     // null is not less
  EXPECT_EQ(filtered(ds, "NMSERV = 'D''Ávila ceia'"), (Texts{"003"}));
  EXPECT_EQ(filtered(ds, "NMSERV = NULL OR DTREF IS NULL"), (Texts{"003", "005"}));
  EXPECT_EQ(filtered(ds, "NMSERV = ''"), (Texts{"005"}));  // a null string reads as ''
  // Dates compare by their short-date text: the time of day does not count.
  EXPECT_EQ(filtered(ds, "DTREF = '05/03/2026'"), (Texts{"001", "004", "005"}));
  EXPECT_EQ(filtered(ds, "[DTREF] > '05/03/2026'"), (Texts{"002"}));
}

TEST(Filter, FilteredViewNavigationAndRowsLeavingIt) {
  ClientDataSet ds;
  ds.SetData(services());
  ds.SetFilter("CDFILIAL = '0001'");
  ds.SetFiltered(true);
  EXPECT_FALSE(ds.Locate("CDSERV", "003"));  // hidden by the filter
  EXPECT_TRUE(ds.Locate("CDSERV", "002"));
  EXPECT_EQ(ds.RecNo(), 2);

  ds.Edit();  // no longer matches: leaves the view, the cursor takes the next row
  ds.FieldByName("CDFILIAL").SetValue("0002");
  ds.Post();
  EXPECT_EQ(ds.RecordCount(), 2);
  EXPECT_EQ(ds.FieldByName("CDSERV").AsString(), "005");
  ds.Edit();  // the last visible row leaves: the cursor takes the one before
  ds.FieldByName("CDFILIAL").SetValue("0003");
  ds.Post();
  EXPECT_EQ(ds.FieldByName("CDSERV").AsString(), "001");

  ds.Append();  // a new row shows while inserted even when it does not match
  ds.FieldByName("CDSERV").SetValue("006");
  EXPECT_EQ(ds.RecNo(), 2);
  ds.Post();
  EXPECT_EQ(ds.RecordCount(), 1);
  EXPECT_EQ(ds.FieldByName("CDSERV").AsString(), "001");
  ds.Append();
  ds.FieldByName("CDSERV").SetValue("007");
  ds.FieldByName("CDFILIAL").SetValue("0001");
  ds.Post();
  EXPECT_EQ(test::column(ds, "CDSERV"), (Texts{"001", "007"}));

  ds.OnFilterRecord = [](DataSet& d) { return d.FieldByName("CDSERV").AsString() != "001"; };
  ds.SetFiltered(false);
  ds.SetFiltered(true);  // both the expression and the handler must accept
  EXPECT_EQ(test::column(ds, "CDSERV"), (Texts{"007"}));
  ds.SetFilter("");
  EXPECT_EQ(test::column(ds, "CDSERV"), (Texts{"002", "003", "004", "005", "006", "007"}));
  EXPECT_EQ(ds.Data()->rowCount(), 7u);  // Data ignores the filter
}

TEST(Locate, OptionsSeveralFieldsAndLookup) {
  ClientDataSet ds;
  ds.SetData(services());
  EXPECT_FALSE(ds.Locate("NMSERV", "almoço"));
  EXPECT_TRUE(ds.Locate("NMSERV", "ALMOÇO", {.caseInsensitive = true}));
  EXPECT_TRUE(ds.Locate("nmserv", "JANT", {.caseInsensitive = true, .partialKey = true}));
  EXPECT_EQ(ds.RecNo(), 2);
  EXPECT_TRUE(ds.Locate("CDFILIAL;VALOR", VariantArray{"0002", 7.25}));
  EXPECT_EQ(ds.RecNo(), 4);
  EXPECT_TRUE(ds.Locate("VALOR", "10,5"));  // text keys convert to the field's type
  EXPECT_EQ(ds.RecNo(), 1);
  EXPECT_TRUE(ds.Locate("VALOR", Variant()));
  EXPECT_EQ(ds.RecNo(), 3);
  EXPECT_FALSE(ds.Locate("VALOR", "abc"));
  EXPECT_THROW(ds.Locate("CDFILIAL;VALOR", "0002"), Exception);

  EXPECT_EQ(ds.Lookup("CDSERV", "004", "NMSERV;VALOR"), Variant(VariantArray{"almoço dieta", 7.25}));
  EXPECT_TRUE(ds.Lookup("CDSERV", "999", "NMSERV").isNull());
  EXPECT_EQ(ds.RecNo(), 3);  // Lookup never moves
}

}  // namespace
}  // namespace cad
