// Consiste routines and the session context: the result check on every shape the server sends,
// code and registration-number normalisation, hours, rounding, grid texts, and what is read from
// the demo database (branch validation, processing dates, product-tree masks, product codes).
#include <gtest/gtest.h>

#include "platform/core/errors.h"
#include "platform/db/database.h"
#include "platform/db/query.h"
#include "platform/framework/consiste.h"
#include "platform/framework/lookups.h"
#include "platform/ui/dbcontrols.h"
#include "tests/platform/framework/framework_fixture.h"
#include "tests/support/error_text.h"
#include "tests/support/support.h"

namespace cad::test {
namespace {

using ConsisteTest = FrameworkTest;

TEST_F(ConsisteTest, CheckResultServAcceptsEveryResultShape) {
  using Consiste::CheckResultServ;
  auto packetResult = packet({def("CDFILIAL", FieldType::String, 4)}, {{"0001"}});
  EXPECT_TRUE(CheckResultServ(VariantArray{true, PacketPtr(packetResult)}).isPacket());
  EXPECT_TRUE(CheckResultServ(VariantArray{true}).isNull());
  EXPECT_EQ(CheckResultServ(VariantArray{true, 1, "x"}), Variant(VariantArray{1, "x"}));
  EXPECT_EQ(CheckResultServ(Variant("")), Variant(""));                       // an update's empty reply
  EXPECT_TRUE(CheckResultServ(Variant(PacketPtr(packetResult))).isPacket());  // a bare payload
  EXPECT_TRUE(dialogs().Log().empty());

  // Failures: an error dialog, then the silent abort.
  EXPECT_THROW(CheckResultServ(VariantArray{false, "Serviço já cadastrado."}), EAbort);
  EXPECT_THROW(CheckResultServ(Variant("Filial inexistente.")), EAbort);
  EXPECT_THROW(CheckResultServ(VariantArray{false}), EAbort);
  EXPECT_THROW(CheckResultServ(Variant(false), true, 7), EAbort);
  EXPECT_EQ(dialogs().Texts(), (std::vector<std::string>{"Serviço já cadastrado.", "Filial inexistente.",
                                                         "O servidor de aplicação não realizou a operação.",
                                                         "O servidor de aplicação não realizou a operação."}));
  EXPECT_EQ(dialogs().Log()[3].helpContext, 7);
  // Without showing: a plain error carrying the message, for the caller to handle.
  EXPECT_EQ(ErrorText([] { CheckResultServ(VariantArray{false, "Falhou."}, false); }), "Falhou.");
  EXPECT_EQ(dialogs().Log().size(), 4u);
}

TEST_F(ConsisteTest, CodesRegistrationNumbersAndHours) {
  using namespace Consiste;
  EXPECT_EQ(Ajusta(" 12 ", 4), "0012");
  EXPECT_EQ(Ajusta("dist", 5), "dist");
  EXPECT_EQ(Ajusta("123456", 5), "123456");  // never cut
  EXPECT_EQ(Ajusta("  ", 3), "");

  std::string type;
  EXPECT_EQ(Ajusta_Inscricao("529.982.247-25", type), "52998224725");
  EXPECT_EQ(type, "F");
  EXPECT_EQ(Ajusta_Inscricao("11.222.333/0001-81", type), "11222333000181");
  EXPECT_EQ(type, "J");
  type = "?";
  EXPECT_THROW(Ajusta_Inscricao("529.982.247-24", type), Exception);  // wrong check digit
  EXPECT_THROW(Ajusta_Inscricao("111.111.111-11", type), Exception);  // verifies, but refused
  EXPECT_THROW(Ajusta_Inscricao("1234567890", type), Exception);
  EXPECT_EQ(type, "?");
  EXPECT_EQ(ErrorText([&] { Ajusta_Inscricao("11.222.333/0001-82", type); }), "CNPJ inválido.");
  EXPECT_EQ(PictPess("j"), "99.999.999/9999-99");
  EXPECT_EQ(PictPess(""), "");

  for (const char* ok : {"1230", "0000", "23:59"}) EXPECT_TRUE(HorarioOk(ok)) << ok;
  for (const char* bad : {"12", "2561", "2400", "12a0", ""}) EXPECT_FALSE(HorarioOk(bad)) << bad;

  EXPECT_DOUBLE_EQ(RoundDec(-1.234565, 5), -1.23457);
  EXPECT_DOUBLE_EQ(RoundDec(10 - 9.99999, 5), 0.00001);
}

TEST_F(ConsisteTest, HourFieldsGridTextsAndChildren) {
  ClientDataSet cds;
  cds.SetData(packet({def("HRINICATEN", FieldType::String, 4), def("NOVO_VALOR", FieldType::Float)}, {{"0800", 0.0}}));
  Field& hour = cds.FieldByName("HRINICATEN");
  hour.OnSetText = Consiste::TimeSetText;
  cds.FieldByName("NOVO_VALOR").DisplayFormat = "#,#####0.00000";
  cds.Edit();
  hour.SetText("12:30");
  EXPECT_EQ(hour.AsString(), "1230");
  hour.SetText("__:__");
  EXPECT_TRUE(hour.IsNull());
  cds.Cancel();

  TForm form;
  auto* grid = form.Create<TDBGrid>("dbgPrincipal", &form);
  DataSource dts("dtsPrincipal");
  dts.SetDataSet(&cds);
  grid->SetDataSource(&dts);
  grid->AddColumn().FieldName = "HRINICATEN";
  grid->AddColumn().FieldName = "NOVO_VALOR";
  EXPECT_EQ(Consiste::GridText(*grid, "NOVO_VALOR"), "0,00000");
  EXPECT_THROW(Consiste::GridText(*grid, "CDFILIAL"), Exception);

  auto* pan = form.Create<TPanel>("panFilial", &form);
  auto* edt = form.Create<TEdit>("medCdFilial", pan);
  auto* inner = form.Create<TPanel>("panInterno", pan);
  auto* deep = form.Create<TEdit>("edtInterno", inner);
  Consiste::SetChildEnabled(*pan, false);
  EXPECT_TRUE(pan->Enabled());
  EXPECT_FALSE(edt->Enabled() || inner->Enabled());
  EXPECT_TRUE(deep->Enabled());  // only direct children; the disabled box blocks its input
  EXPECT_FALSE(deep->EnabledChain());
}

// The demo database as the session database.
class DemoDatabaseTest : public FrameworkTest {
 protected:
  void SetUp() override {
    FrameworkTest::SetUp();
    db::setSessionDatabase(db::open(freshDemoDatabase("sqlite")));
  }
  void TearDown() override {
    db::setSessionDatabase(nullptr);
    FrameworkTest::TearDown();
  }
};

TEST_F(DemoDatabaseTest, ValidaFilialChecksBranchAndOperatorAccess) {
  EXPECT_EQ(Consiste::ValidaFilial("1", "JOAO", true), "Central São Paulo");
  EXPECT_EQ(Consiste::ValidaFilial("", "JOAO", false), "");
  EXPECT_THROW(Consiste::ValidaFilial("9", "JOAO", false), EAbort);
  EXPECT_THROW(Consiste::ValidaFilial("0002", "JOAO", true), EAbort);
  EXPECT_THROW(Consiste::ValidaFilial(" ", "JOAO", true), EAbort);
  EXPECT_EQ(Consiste::ValidaFilial("0002", "MARIA", true), "Unidade Campinas");
  EXPECT_EQ(dialogs().Texts(),
            (std::vector<std::string>{"Filial não cadastrada.", "Operador sem permissão para a filial.",
                                      "Filial deve ser informada."}));
}

TEST_F(DemoDatabaseTest, SessionReadsDatesAndTheProductTree) {
  session().FiliProc = "0001";
  EXPECT_EQ(Corvane::DataProc("1"), DateTime::fromDate(2026, 12, 7));
  session().SetDataProc("", DateTime::fromDate(2026, 1, 15));
  session().SetDataProc("0002", DateTime::fromDate(2026, 2, 20));
  EXPECT_EQ(Corvane::DataProc("0002"), DateTime::fromDate(2026, 2, 20));
  EXPECT_EQ(Corvane::DataProc("0001"), DateTime::fromDate(2026, 1, 15));
  session().ClearDataProc();
  EXPECT_EQ(Corvane::DataProc("9999"), DateTime::today().dateOnly());  // unknown branch: today

  EXPECT_EQ(Corvane::DBPict(0), "9.99.9999;0;_");
  EXPECT_THROW(Corvane::DBPict(4), Exception);

  // Product-code check over a product query: a complete product passes, a tree node does not,
  // an empty result is left to the caller.
  TADOIBQuery qry("qryProduto");
  qry.SetSQL("SELECT CDPRODUTO, CDARVPROD, NMPRODUTO, CDNVPRODUTO FROM PRODUTO WHERE CDARVPROD = :P_CDARVPROD");
  auto valid = [&](const char* code) {
    qry.Close();
    qry.ParamByName("P_CDARVPROD") = code;
    qry.Open();
    Tabvalid::ValidEx(qry);
  };
  EXPECT_NO_THROW(valid("1010001"));
  EXPECT_THROW(valid("101"), Exception);
  EXPECT_NO_THROW(valid("999"));
  ClientDataSet typed;
  typed.SetData(packet({def("CDARVPROD", FieldType::String, 20)}, {{"10100"}}));
  EXPECT_THROW(Tabvalid::ValidEx(typed), Exception);
}

TEST_F(ConsisteTest, ScreenPackagesWriteBackTheirParameters) {
  RegisterScreenPackage("GER04106", [](VariantArray& params) { params.at(4) = 1; });
  VariantArray params{"0001", "Central", "00001", "Almoço", 0};
  Corvane::LoadBPL("ger04106", params);
  EXPECT_EQ(params[4], Variant(1));
  VariantArray none;
  EXPECT_THROW(Corvane::LoadBPL("GER09999", none), Exception);
  RegisterScreenPackage("GER04106", nullptr);
}

TEST_F(ConsisteTest, AnUnregisteredPackageIsAvailableWhenItsLibraryIsInThePackageFolder) {
  std::string pasta = ScreenPackageFolder();
  SetScreenPackageFolder(CADSERV_BIN_DIR);
  RegisterScreenPackage("GER04106", nullptr);
  EXPECT_TRUE(ScreenPackageAvailable("ger04106"));
  for (const char* codigo : {"GER09999", "../GER04106", "", "GER04106/.."})
    EXPECT_FALSE(ScreenPackageAvailable(codigo)) << codigo;
  VariantArray nada;
  EXPECT_THROW(Corvane::LoadBPL("../GER04106", nada), Exception);
  SetScreenPackageFolder("/nonexistent");
  EXPECT_FALSE(ScreenPackageAvailable("GER04106"));
  SetScreenPackageFolder(pasta);
}

}  // namespace
}  // namespace cad::test
