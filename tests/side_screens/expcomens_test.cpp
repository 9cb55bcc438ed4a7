// The export of estimated diners from the diners page, on both backends: the export button (menu
// at once for a corporate service, the popup otherwise), the diet dialog (selection toggles, the
// check title, an empty selection, the figures stored), the menu-planning package GER04103 and
// the menu-configuration package GER04106 loaded from their libraries next to the module.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "service_screen/pages/comensais.h"
#include "side_screens/expcomens/expcomdiet.h"
#include "tests/service_screen/cadastroserv_fixture.h"
#include "tests/support/modal_script.h"

namespace cad::test {
namespace {

class ExpComensTest : public CadastroServTest {
 protected:
  TfrmCadastroServ& PaginaComensais(const std::string& filial, const std::string& servico) {
    auto& f = AbreFilial(filial);
    Seleciona(f, servico);
    Menu(f, "mnuComens");
    return f;
  }
  static std::vector<std::string> Marcas(TfrmExpComDiet& d) {
    std::vector<std::string> out;
    DataSet& ds = *d.cdsBuscaDietas;
    for (int i = 0; i < ds.DisplayCount(); ++i)
      ds.ReadRow(i,
                 [&] { out.push_back(ds.FieldByName("CDDIETPAD").AsString() + ds.FieldByName("IDCHECK").AsString()); });
    return out;
  }
  double Clientes(const char* dieta) {
    return Sql("SELECT QTCLIDIETSEG FROM DIETSERV WHERE CDFILIAL = '0003' AND CDSERVFILI = '00010' AND CDDIETPAD = :D",
               {{"D", dieta}})
        .rows.at(0)
        .at(0)
        .asFloat();
  }
};

TEST_P(ExpComensTest, DietDialogExportsTheTickedDietsAndStaysOpen) {
  auto& f = PaginaComensais("0003", "00010");
  ASSERT_TRUE(f.sbtExportComens->Enabled());
  ClearLogs();
  Ok(UserActions::Click(*f.sbtExportComens), "exportar");
  EXPECT_EQ(f.pmnExportComens->PopupCount(), 1) << "a hospital service chooses in the popup";
  EXPECT_TRUE(f.pmnExpComDiet->Enabled());
  EXPECT_TRUE(session().PackageLoads().empty());

  auto aberto = Roteiro<TfrmExpComDiet>("TfrmExpComDiet", [&](TfrmExpComDiet& d) {
    EXPECT_EQ(d.edtCodDieta->Text(), "0001");
    EXPECT_EQ(Marcas(d), (std::vector<std::string>{"0002N", "0003N", "0005N"}));
    EXPECT_TRUE(Recusada([&] { return UserActions::Click(*d.sbtConfirma); }, {"Dieta de destino deve ser informada."}));
    // The check title ticks all, then clears all.
    Ok(UserActions::TitleClick(*d.dbgDieta, 0), "título");
    EXPECT_EQ(Marcas(d), (std::vector<std::string>{"0002S", "0003S", "0005S"}));
    Ok(UserActions::TitleClick(*d.dbgDieta, 0), "título");
    EXPECT_EQ(Marcas(d), (std::vector<std::string>{"0002N", "0003N", "0005N"}));
    Ok(UserActions::SelectCell(*d.dbgDieta, 1, 2), "0003");
    Ok(UserActions::SelectCell(*d.dbgDieta, 2, 3), "0005");
    Ok(UserActions::SelectCell(*d.dbgDieta, 0, 1), "0002");
    Ok(UserActions::SelectCell(*d.dbgDieta, 0, 1), "0002 de novo");
    EXPECT_EQ(d.ListaSelecionadas(), "0003_0005_");
    // No: nothing is sent.
    dialogs().Answer(mrNo);
    Ok(UserActions::Click(*d.sbtConfirma), "confirmar, não");
    EXPECT_TRUE(CallsOf("SetExpComens").empty());
    ClearLogs();
    dialogs().Answer(mrYes);
    Ok(UserActions::Click(*d.sbtConfirma), "confirmar, sim");
    EXPECT_EQ(Keys(), (std::vector<std::string>{"Export", "Export_Suces"}));
    EXPECT_TRUE(d.Visible()) << "the dialog stays open";
    EXPECT_FALSE(progress().Visible());
    Ok(UserActions::Click(*d.sbtCancel), "fechar");
  });
  Ok(UserActions::ClickMenuItem(*f.pmnExpComDiet), "exportar para outras dietas");
  EXPECT_TRUE(*aberto);
  EXPECT_FALSE(DialogoExpComDietAberto);
  auto envio = CallsOf("SetExpComens");
  ASSERT_EQ(envio.size(), 1u);
  EXPECT_EQ(envio[0].args[3].asString(), "0003_0005_");
  EXPECT_EQ(Clientes("0003"), 80.0);
  EXPECT_EQ(Clientes("0005"), 80.0);
  EXPECT_EQ(Clientes("0002"), 25.0);
  EXPECT_EQ(session().CacheRequests().back(), (std::vector<std::string>{"SERVICO", "DIETSERV"}));
  EXPECT_EQ(f.Pagina<PagComensais>().cdsDietPad->FieldByName("CDDIETPAD").AsString(), "0001");
}

TEST_P(ExpComensTest, AServiceWithASingleDietOffersAnEmptyList) {
  auto& f = PaginaComensais("0003", "00011");
  auto aberto = Roteiro<TfrmExpComDiet>("TfrmExpComDiet", [&](TfrmExpComDiet& d) {
    EXPECT_EQ(d.cdsBuscaDietas->RecordCount(), 0);
    EXPECT_TRUE(Recusada([&] { return UserActions::Click(*d.sbtConfirma); }, {"Diet_inf"}, true));
    Ok(UserActions::Click(*d.sbtCancel), "fechar");
  });
  Ok(UserActions::MenuItem(f, "mnuExpComDiet"), "exportar para outras dietas");
  EXPECT_TRUE(*aberto);
  EXPECT_TRUE(CallsOf("SetExpComens").empty());
}

TEST_P(ExpComensTest, ACorporateServiceGoesToTheMenuPackageAtOnce) {
  auto& f = PaginaComensais("0001", "00001");
  ASSERT_TRUE(f.sbtExportComens->Enabled());
  std::string mes;
  Application().ScriptModal("TfrmExpComCard", [&](TForm& form) {
    mes = dynamic_cast<TEdit*>(form.FindComponent("edtMes"))->Text();
    Ok(UserActions::Click(*dynamic_cast<TControl*>(form.FindComponent("sbtConfirma"))), "confirmar");
  });
  ClearLogs();
  Ok(UserActions::Click(*f.sbtExportComens), "exportar");
  EXPECT_EQ(f.pmnExportComens->PopupCount(), 0);
  ASSERT_EQ(session().PackageLoads().size(), 1u);
  const auto& carga = session().PackageLoads()[0];
  EXPECT_EQ(carga.code, "GER04103");
  ASSERT_EQ(carga.params.size(), 4u);
  EXPECT_EQ(carga.params[0].asString() + carga.params[1].asString() + carga.params[2].asString(), "000100001N");
  EXPECT_NE(carga.params[3].asString().find("\"IDUTCARDPADR\""), std::string::npos) << "the general parameters' text";
  EXPECT_EQ(mes, "12/2026");
  EXPECT_EQ(Texts().back(), "Comensais exportados para o cardápio de 12/2026.");
  EXPECT_EQ(Sql("SELECT COUNT(*) FROM CARDCOMENS WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001'").rows[0][0].asInt(),
            31);
  EXPECT_EQ(session().CacheRequests().back(), std::vector<std::string>{"SERVICO"});
}

TEST_P(ExpComensTest, MenuConfigurationPackageSetsTheFlagOnlyWhenItChangedServices) {
  RegisterScreenPackage("GER04106", nullptr);  // the package comes from its library
  auto& f = AbreFilial("0001");
  Seleciona(f, "00001");
  Menu(f, "mnuConfCard");
  ASSERT_TRUE(f.sbtExportComens->Enabled()) << "the package's library is next to the module";
  // Cancelled: the flag stays 0 and the list is not read again.
  Application().ScriptModal("TfrmExpConfPadr", [&](TForm& form) {
    Ok(UserActions::Click(*dynamic_cast<TControl*>(form.FindComponent("sbtCancel"))), "cancelar");
  });
  ClearLogs();
  Ok(UserActions::Click(*f.sbtExportComens), "exportar configuração");
  EXPECT_TRUE(CallsOf("GetServico").empty());
  // Confirmed for 00002 and 00003, whose packaging goes with its lines: asked first (Cancel sends
  // nothing), then sent with the consent; the list is read again on the same service.
  Exec(
      "INSERT INTO CNFDISTEMBSERV (CDFILIAL, CDSERVFILI, CDCLIENTE, CDDESTFILI, NRGRUPO, CDCNFDISTEMBSERV)"
      " VALUES ('0001', '00003', '', '', 1, 'DIST')");
  Application().ScriptModal("TfrmExpConfPadr", [&](TForm& form) {
    auto* grade = dynamic_cast<TDBGrid*>(form.FindComponent("dbgServico"));
    auto* confirma = dynamic_cast<TControl*>(form.FindComponent("sbtConfirma"));
    Ok(UserActions::SelectCell(*grade, 0, 1), "00002");
    Ok(UserActions::SelectCell(*grade, 0, 2), "00003");
    dialogs().Answer(mrYes);
    dialogs().Answer(mrCancel);
    Ok(UserActions::Click(*confirma), "confirmar e desistir da exclusão");
    EXPECT_EQ(Keys(), (std::vector<std::string>{"Confirma", "CONF_EXCL_DIST_REST"}));
    EXPECT_TRUE(CallsOf("ExportaConfPadrao").empty());
    dialogs().Answer(mrYes);
    dialogs().Answer(mrOk);
    Ok(UserActions::Click(*confirma), "confirmar");
  });
  ClearLogs();
  Ok(UserActions::Click(*f.sbtExportComens), "exportar configuração");
  EXPECT_EQ(CallsOf("ExportaConfPadrao").at(0).args[2].asString(), "00002_00003_");
  EXPECT_EQ(CallsOf("ExportaConfPadrao").at(0).args[3].asString(), "S");
  EXPECT_EQ(
      Sql("SELECT COUNT(*) FROM CNFDISTEMBSERV WHERE CDFILIAL = '0001' AND CDSERVFILI = '00003'").rows[0][0].asInt(), 1)
      << "the package stays, without lines";
  EXPECT_EQ(CallsOf("GetServico").size(), 1u);
  EXPECT_EQ(Atual(f, "CDSERVFILI"), "00001");
  EXPECT_EQ(Sql("SELECT COUNT(*) FROM CNFCARD WHERE CDFILIAL = '0001' AND CDSERVFILI = '00003'").rows[0][0].asInt(),
            Sql("SELECT COUNT(*) FROM CNFCARD WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001'").rows[0][0].asInt());
}

CADSERV_SCREEN_SUITE(ExpComensTest);

}  // namespace
}  // namespace cad::test
