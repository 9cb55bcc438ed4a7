// Field access: editing rules, conversions with the session's settings, text events, required
// fields and calculated fields.
#include <gtest/gtest.h>

#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/data/dataset.h"
#include "tests/platform/data/data_fixtures.h"
#include "tests/support/error_text.h"

namespace cad {
namespace {

PacketPtr costs() {
  return test::packet({test::def("CDTIPO", FieldType::String, 2), test::def("NMTIPO", FieldType::String, 5),
                       test::def("VALOR", FieldType::Float), test::def("QTDE", FieldType::Integer),
                       test::def("DTREF", FieldType::DateTime), test::def("ATIVO", FieldType::Boolean)},
                      {{"01", "Prato", 1234.5, 3, DateTime::fromDate(2026, 3, 1), true},
                       {"02", "Sopa", 0.1, 5, DateTime::fromDate(2026, 4, 1), false}});
}

TEST(Field, EditingRulesAndValueEvents) {
  ClientDataSet ds;
  ds.SetData(costs());
  Field& nome = ds.FieldByName("nmtipo");
  EXPECT_EQ(test::ErrorText([&] { nome.SetValue("x"); }), "Conjunto de dados não está em modo de edição ou inserção.");

  ds.Edit();
  nome.SetValue("Açaíçã!");  // cut to 5 characters, counted in UTF-8 characters
  EXPECT_EQ(nome.AsString(), "Açaíç");
  EXPECT_EQ(nome.OldValue(), Variant("Prato"));

  std::vector<std::string> seen;
  nome.OnValidate = [&](Field& f) {
    seen.push_back("validate " + f.AsString());
    if (f.AsString() == "ruim") throw Exception("Nome ruim.");
  };
  nome.OnChange = [&](Field& f) { seen.push_back("change " + f.AsString()); };
  EXPECT_THROW(nome.SetValue("ruim"), Exception);
  EXPECT_EQ(nome.AsString(), "Açaíç");  // refused: the value stays
  nome.SetValue("bom");
  EXPECT_EQ(seen, (std::vector<std::string>{"validate ruim", "validate bom", "change bom"}));

  nome.ReadOnly = true;
  nome.DisplayLabel = "Nome";
  EXPECT_EQ(test::ErrorText([&] { nome.SetValue("x"); }), "Campo 'Nome' não pode ser modificado.");
  ds.Cancel();
  EXPECT_EQ(nome.AsString(), "Prato");
}

TEST(Field, ConversionsFollowTheSessionSettings) {
  ClientDataSet ds;
  ds.SetData(costs());
  Field& valor = ds.FieldByName("VALOR");
  Field& qtde = ds.FieldByName("QTDE");
  Field& dt = ds.FieldByName("DTREF");
  Field& ativo = ds.FieldByName("ATIVO");
  EXPECT_EQ(valor.AsString(), "1234,5");
  EXPECT_EQ(valor.AsInteger(), 1235);

  ds.Edit();
  valor.SetAsString("2.500,75");
  EXPECT_DOUBLE_EQ(valor.AsFloat(), 2500.75);
  dt.SetAsString("15/08/2026");
  EXPECT_EQ(dt.AsDateTime(), DateTime::fromDate(2026, 8, 15));
  EXPECT_EQ(test::ErrorText([&] { valor.SetAsString("abc"); }), "'abc' não é um valor válido para VALOR.");
  EXPECT_EQ(test::ErrorText([&] { qtde.SetAsString("1,5"); }), "'1,5' não é um valor válido para QTDE.");
  EXPECT_THROW(dt.SetAsString("31/02/2026"), Exception);
  qtde.SetAsString("");
  EXPECT_TRUE(qtde.IsNull());

  // Texts: display format, edit format, edit mask, OnGetText and OnSetText.
  valor.DisplayFormat = "#,##0.00";
  EXPECT_EQ(valor.Text(), "2.500,75");  // no edit format: the display format
  valor.EditFormat = "0.000";
  EXPECT_EQ(valor.Text(), "2500,750");
  dt.DisplayFormat = "mm/yyyy";
  EXPECT_EQ(dt.DisplayText(), "08/2026");
  Field& cod = ds.FieldByName("CDTIPO");
  cod.EditMask = "0-0;0;_";
  EXPECT_EQ(cod.DisplayText(), "0-1");
  EXPECT_EQ(cod.Text(), "01");
  ativo.OnGetText = [](Field& f, std::string& text, bool display) {
    if (display) text = f.AsBoolean() ? "Sim" : "Não";
  };
  ativo.OnSetText = [](Field& f, const std::string& text) { f.SetAsBoolean(text == "Sim"); };
  ativo.SetText("Sim");
  EXPECT_EQ(ativo.DisplayText(), "Sim");
}

TEST(Field, RequiredFieldsAreCheckedAtPost) {
  ClientDataSet ds;
  test::EventLog log(ds);
  ds.SetData(costs());
  Field& nome = ds.FieldByName("NMTIPO");
  nome.Required = true;
  ds.FieldByName("QTDE").Required = true;
  ds.Edit();
  nome.SetValue("  ");
  log.take();
  EXPECT_EQ(test::ErrorText([&] { ds.Post(); }), "Campo 'NMTIPO' deve ser informado.");
  EXPECT_EQ(log.take(), test::Events{"BeforePost"});
  EXPECT_EQ(ds.State(), DataSetState::Edit);
  nome.SetValue("Suco");
  ds.FieldByName("QTDE").Clear();
  EXPECT_EQ(test::ErrorText([&] { ds.Next(); }), "Campo 'QTDE' deve ser informado.");
  EXPECT_EQ(ds.RecNo(), 1);
  ds.BeforePost = [](DataSet& d) { d.FieldByName("QTDE").SetValue(1); };  // fixed before the check
  ds.Post();
  EXPECT_EQ(ds.State(), DataSetState::Browse);
}

TEST(Field, CalculatedFields) {
  ClientDataSet ds;
  Field& total = ds.AddCalcField("TOTAL", FieldType::Float);
  ds.AddField(test::def("VALOR", FieldType::Float));
  ds.AddField(test::def("QTDE", FieldType::Integer));
  std::vector<DataSetState> states;
  ds.OnCalcFields = [&](DataSet& d) {
    states.push_back(d.State());
    d.FieldByName("TOTAL").SetAsFloat(d.FieldByName("VALOR").AsFloat() *
                                      static_cast<double>(d.FieldByName("QTDE").AsInteger()));
  };
  ds.SetData(costs());
  ds.Next();
  EXPECT_DOUBLE_EQ(total.AsFloat(), 0.5);
  ds.Edit();
  ds.FieldByName("QTDE").SetValue(10);  // recomputed after each change while editing
  EXPECT_DOUBLE_EQ(total.AsFloat(), 1.0);
  ds.Cancel();
  EXPECT_DOUBLE_EQ(total.AsFloat(), 0.5);
  EXPECT_EQ(states.back(), DataSetState::CalcFields);
  EXPECT_THROW(total.SetValue(1.0), Exception);  // browse state

  // Another row reads with its own calculated values, and the current one keeps its own.
  double other = 0;
  ds.ReadRow(0, [&] { other = total.AsFloat(); });
  EXPECT_DOUBLE_EQ(other, 1234.5 * 3);
  EXPECT_DOUBLE_EQ(total.AsFloat(), 0.5);
  ds.SetFilter("TOTAL > 1");
  ds.SetFiltered(true);
  EXPECT_EQ(test::column(ds, "CDTIPO"), (std::vector<std::string>{"01"}));

  // OnCalcFields may not write data fields.
  ds.SetFiltered(false);
  ds.OnCalcFields = [](DataSet& d) { d.FieldByName("VALOR").SetValue(1.0); };
  EXPECT_THROW(ds.Next(), Exception);
}

}  // namespace
}  // namespace cad
