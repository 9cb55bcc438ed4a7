// The packaging-configuration transfer dialogs opened from the packaging page of 0001/00001: the
// origin's checks and their messages in order, the confirmation questions (No keeps everything),
// what is sent and stored, the page showing the new configuration after a transfer, nothing
// reloaded after a cancel, the service marking of the export and the branch fixed by the host.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "service_screen/pages/embalagens.h"
#include "side_screens/transfembal/transfembal.h"
#include "tests/service_screen/cadastroserv_fixture.h"
#include "tests/support/modal_script.h"

namespace cad::test {

namespace {

class TransfEmbalTest : public CadastroServTest {
 protected:
  // The packaging page of 0001/00001 with a delivery point of the distribution (or, with
  // restricoes, of the restrictions) selected: 0 = the service, 1 = 000001/001, 2 = 000001/002.
  TfrmCadastroServ& Pagina(int ponto, bool restricoes = false) {
    auto& f = AbreFilial("0001");
    Seleciona(f, "00001");
    Menu(f, "mnuEmbalagens");
    auto& e = f.Pagina<PagEmbalagens>();
    if (restricoes) Ok(UserActions::SelectPage(*e.tshRestricoes), "sub-página de restrições");
    Ok(UserActions::SelectIndex(restricoes ? *e.cmbRestFiltroPEntrega : *e.cmbDistrPEntrega, ponto),
       "ponto de entrega");
    return f;
  }
  static std::string Coluna(DataSet& ds, const char* campo) {
    std::string out;
    for (int i = 0; i < ds.DisplayCount(); ++i)
      ds.ReadRow(i, [&] { out += (out.empty() ? "" : " ") + ds.FieldByName(campo).AsString(); });
    return out;
  }
  std::string Pacotes(const std::string& f, const std::string& c, const std::string& d) {
    std::string out;
    for (const auto& r : Sql("SELECT CDCNFDISTEMBSERV FROM CNFDISTEMBSERV WHERE CDFILIAL = :F AND CDSERVFILI = '00001'"
                             " AND CDCLIENTE = :C AND CDDESTFILI = :D ORDER BY NRGRUPO",
                             {{"F", f}, {"C", c}, {"D", d}})
                             .rows)
      out += (out.empty() ? "" : " ") + r[0].asString();
    return out;
  }
  // Types a code and leaves the edit with Tab.
  void Codigo(TControl& edit, const std::string& codigo) {
    Ok(UserActions::Focus(edit), "foco em " + edit.Name());
    Ok(UserActions::SetText(edit, codigo), "código em " + edit.Name());
    Ok(UserActions::Key(edit, "Tab"), "sair de " + edit.Name());
  }
  // A code refused on leaving its edit with one message key.
  void CodigoRecusado(TControl& edit, const std::string& codigo, const std::string& key) {
    Ok(UserActions::Focus(edit), "foco em " + edit.Name());
    Ok(UserActions::SetText(edit, codigo), "código em " + edit.Name());
    EXPECT_TRUE(Recusada([&] { return UserActions::Key(edit, "Tab"); }, {key}, true)) << key;
  }
  // A confirm refused with one message key.
  void Recusa(TfrmRotiGeral& d, const std::string& key) {
    EXPECT_TRUE(Recusada([&] { return UserActions::Click(*d.sbtConfirma); }, {key}, true)) << key;
  }
  void Origem(TfrmImportaConf& d, int ponto) {
    Codigo(*d.edtCdFilialOri, "1");
    Codigo(*d.edtCdServOri, "1");
    Ok(UserActions::SelectIndex(*d.cmbPontoEntrega, ponto), "ponto de origem");
  }
};

}  // namespace

TEST_P(TransfEmbalTest, ImportIntoADeliveryPointAsksThenReplacesAndThePageShowsIt) {
  auto& f = Pagina(1);
  EXPECT_EQ(Coluna(*f.Pagina<PagEmbalagens>().cdsDistrEmb, "CDCNFDISTEMBSERV"), "");
  auto rodou = Roteiro<TfrmImpDist>("TfrmImpDist", [&](TfrmImpDist& d) {
    Recusa(d, "FILIAL_N_INF");
    CodigoRecusado(*d.edtCdFilialOri, "9", "FILIAL_N_CAD");
    Codigo(*d.edtCdFilialOri, "1");
    Recusa(d, "SERVICO_N_INF");
    CodigoRecusado(*d.edtCdServOri, "2", "SERVICO_N_CAD");  // not transported
    Codigo(*d.edtCdServOri, "1");
    ASSERT_EQ(d.cmbPontoEntrega->Items().size(), 4u);
    // The destination itself has no distribution: that is reported before anything else.
    Ok(UserActions::SelectIndex(*d.cmbPontoEntrega, 1), "o próprio destino");
    Recusa(d, "N_HA_DIST_ORI");
    // From the service itself: No keeps everything, Yes replaces.
    Ok(UserActions::SelectIndex(*d.cmbPontoEntrega, 0), "o serviço");
    ClearLogs();
    dialogs().Answer(mrNo);
    Ok(UserActions::Click(*d.sbtConfirma), "confirmar e responder não");
    EXPECT_EQ(Keys(), std::vector<std::string>{"CONF_IMPORT"});
    EXPECT_TRUE(CallsOf("ImportaDistribuicao").empty());
    EXPECT_TRUE(d.Visible());
    ClearLogs();
    dialogs().Answer(mrYes);
    Ok(UserActions::Click(*d.sbtConfirma), "confirmar");
    EXPECT_EQ(Texts(), (std::vector<std::string>{"A distribuição de destino será sobrescrita. Confirma operação?",
                                                 "Operação concluída com sucesso."}));
    ASSERT_EQ(CallsOf("ImportaDistribuicao").size(), 1u);
    VariantArray a = CallsOf("ImportaDistribuicao")[0].args;
    std::string enviado;
    for (const Variant& v : a) enviado += v.asString() + "|";
    EXPECT_EQ(enviado, "0001|00001|||0001|00001|000001|001|");
  });
  ClearLogs();
  Menu(f, "mnuImportDist");
  EXPECT_TRUE(*rodou);
  EXPECT_EQ(Pacotes("0001", "000001", "001"), "MX08 GN12");
  EXPECT_EQ(Coluna(*f.Pagina<PagEmbalagens>().cdsDistrEmb, "CDCNFDISTEMBSERV"), "MX08 GN12")
      << "the page shows the new distribution";
  EXPECT_EQ(f.Pagina<PagEmbalagens>().cmbDistrPEntrega->ItemIndex(), 1);
  EXPECT_EQ(OpenForms("TfrmImpDist"), 0);
}

TEST_P(TransfEmbalTest, ImportFromTheDestinationItselfIsRefusedAndACancelReloadsNothing) {
  auto& f = Pagina(0);
  Roteiro<TfrmImpDist>("TfrmImpDist", [&](TfrmImpDist& d) {
    Origem(d, 0);
    Recusa(d, "ORI_IGUAL_DEST");
    EXPECT_EQ(d.ActiveControl(), d.edtCdFilialOri);
    Ok(UserActions::Click(*d.sbtCancel), "cancelar");
  });
  ClearLogs();
  Menu(f, "mnuImportDist");
  EXPECT_TRUE(CallsOf("GetDadosDistribuicao").empty());

  // Another point of the same service is a valid origin.
  Roteiro<TfrmImpDist>("TfrmImpDist", [&](TfrmImpDist& d) {
    Origem(d, 2);
    dialogs().Answer(mrYes);
    Ok(UserActions::Click(*d.sbtConfirma), "confirmar");
  });
  Menu(f, "mnuImportDist");
  EXPECT_EQ(Pacotes("0001", "", ""), "DIST");
  EXPECT_EQ(Coluna(*f.Pagina<PagEmbalagens>().cdsDistrEmb, "CDCNFDISTEMBSERV"), "DIST");
}

TEST_P(TransfEmbalTest, ExportMarksServicesAndSendsOneLineOfPointsPerService) {
  Exec("UPDATE SERVICO SET IDSERVTRAN = 'S' WHERE CDFILIAL = '0002' AND CDSERVFILI = '00004'");
  auto& f = Pagina(0);
  auto rodou = Roteiro<TfrmExportDist>("TfrmExportDist", [&](TfrmExportDist& d) {
    Recusa(d, "FILIAL_N_INF");
    Codigo(*d.edtCdFilialDest, "2");
    ASSERT_EQ(Coluna(*d.cdsServicos, "CDSERVFILI"), "00001 00004");
    Recusa(d, "SERVICO_N_INF");

    // The title marks all, then none; Space marks the current row; typing changes nothing.
    Ok(UserActions::TitleClick(*d.dbgServicos, 0), "marcar todos");
    EXPECT_EQ(Coluna(*d.cdsServicos, "IDMARCADO"), "S S");
    Ok(UserActions::TitleClick(*d.dbgServicos, 0), "desmarcar todos");
    EXPECT_EQ(Coluna(*d.cdsServicos, "IDMARCADO"), "N N");
    Ok(UserActions::SelectCell(*d.dbgServicos, 1, 1), "primeiro serviço");
    Ok(UserActions::Key(*d.dbgServicos, "Space"), "espaço");
    Ok(UserActions::Type(*d.dbgServicos, "x"), "digitar");
    EXPECT_EQ(Coluna(*d.cdsServicos, "IDMARCADO"), "S N");

    // "Lista" without a point cannot be posted; a point chosen can.
    EXPECT_FALSE(d.btnPontos->Enabled());
    Ok(UserActions::Click(*d.rbtPontosL), "lista");
    EXPECT_TRUE(d.btnPontos->Enabled());
    Recusa(d, "PONTOENTREGA_N_INF");
    lookups().QueueMultiPick({"001000003"});
    Ok(UserActions::Click(*d.btnPontos), "pontos");
    ClearLogs();
    dialogs().Answer(mrNo);
    Ok(UserActions::Click(*d.sbtConfirma), "confirmar e responder não");
    EXPECT_EQ(Keys(), std::vector<std::string>{"CONF_EXPORT"});
    EXPECT_TRUE(CallsOf("ExportaDistribuicao").empty());
    ClearLogs();
    dialogs().Answer(mrYes);
    Ok(UserActions::Click(*d.sbtConfirma), "confirmar");
    ASSERT_EQ(CallsOf("ExportaDistribuicao").size(), 1u);
    EXPECT_EQ(CallsOf("ExportaDistribuicao")[0].args[5].asString(), "00001=_001000003_\n00004=\n");
    EXPECT_EQ(Texts().back(), "Operação concluída com sucesso");
  });
  Menu(f, "mnuExportDist");
  EXPECT_TRUE(*rodou);
  EXPECT_EQ(Pacotes("0002", "", ""), "MX08 GN12") << "the marked service at its level";
  EXPECT_EQ(Sql("SELECT COUNT(*) FROM CNFDISTEMBSERV WHERE CDSERVFILI = '00004'").rows.at(0).at(0).asInt(), 0);
}

TEST_P(TransfEmbalTest, RestrictionImportNeedsADishTypeChoiceBeforeTheQuestion) {
  auto& f = Pagina(0, true);
  Roteiro<TfrmImpRest>("TfrmImpRest", [&](TfrmImpRest& d) {
    Origem(d, 2);  // 000001/002: no restriction
    EXPECT_EQ(Coluna(*d.tipos.cdsTiposPrato, "CHAVE"), "01 02 03 04 05 06 07");
    Recusa(d, "N_HA_REST_ORI");
    Ok(UserActions::SelectIndex(*d.cmbPontoEntrega, 1), "000001/001");
    EXPECT_FALSE(d.tipos.btnTiposPrato->Enabled());
    Ok(UserActions::Click(*d.tipos.rbtTiposPratoL), "lista");
    EXPECT_TRUE(d.tipos.btnTiposPrato->Enabled());
    Recusa(d, "TIPOPRATO_N_INF");
    lookups().QueueMultiPick({"03"});
    Ok(UserActions::Click(*d.tipos.btnTiposPrato), "tipos de prato");
    ClearLogs();
    dialogs().Answer(mrYes);
    Ok(UserActions::Click(*d.sbtConfirma), "confirmar");
    EXPECT_EQ(Keys(), (std::vector<std::string>{"CONF_IMPORT", "SUCESSO"}));
    ASSERT_EQ(CallsOf("ImportaRestricoes").size(), 1u);
    EXPECT_EQ(CallsOf("ImportaRestricoes")[0].args[4].asString(), "_03_");
  });
  ClearLogs();
  Menu(f, "mnuImportRest");
  EXPECT_FALSE(CallsOf("GetRestricoes").empty()) << "the restrictions are read again";
  EXPECT_EQ(Sql("SELECT C.CDCONTAINER FROM RESTEMBTPPRAT R JOIN RESTEMBCONT C ON C.NRRESTEMBTPPRAT = R.NRRESTEMBTPPRAT"
                " WHERE R.CDFILIAL = '0001' AND R.CDCLIENTE = '' AND R.NRSEQCNFCARD = 3")
                .rows.at(0)
                .at(0)
                .asString(),
            "CT50");
}

TEST_P(TransfEmbalTest, RestrictionExportWithAllDishTypesAndTheBranchFixedByTheHost) {
  session().ModuFili = true;
  session().FiliProc = "0002";
  auto rodou = Roteiro<TfrmExportRest>("TfrmExportRest", [&](TfrmExportRest& d) {
    EXPECT_EQ(d.edtCdFilialDest->Text(), "0002");
    EXPECT_FALSE(d.edtCdFilialDest->Enabled());
    EXPECT_FALSE(d.btnFilialDest->Enabled());
    ASSERT_EQ(Coluna(*d.cdsServicos, "CDSERVFILI"), "00001");
    Ok(UserActions::SelectCell(*d.dbgServicos, 0, 1), "marcar");
    dialogs().Answer(mrYes);
    Ok(UserActions::Click(*d.sbtConfirma), "confirmar");
  });
  CallEntry("GER04100", "CriaExpRest", {"0001", "00001", "", "", false});
  EXPECT_TRUE(*rodou);
  ASSERT_EQ(CallsOf("ExportaRestricoes").size(), 1u);
  EXPECT_EQ(CallsOf("ExportaRestricoes")[0].args[4].asString(), "_01_02_03_04_05_06_07_");
  EXPECT_EQ(Sql("SELECT COUNT(*) FROM RESTEMBTPPRAT WHERE CDFILIAL = '0002'").rows.at(0).at(0).asInt(), 3)
      << "rice at the service level and at both points";
}

// A destination point with a short code keeps it (the position key fills it to 3 characters); an
// origin whose dish types the destination's menu lacks is refused with the reason, never with
// "success", and the dialog stays open.
TEST_P(TransfEmbalTest, ImportSendsShortPointCodesAndNeverReportsSuccessWithoutWriting) {
  Exec("INSERT INTO DESTFILI (CDFILIAL, CDDESTFILI, NMDESTFILI) VALUES ('0002', '01', 'Guarita')");
  Exec("INSERT INTO DESTSRVCLI (CDFILIAL, CDSERVFILI, CDCLIENTE, CDDESTFILI) VALUES ('0002', '00001', '000003', '01')");
  Exec("UPDATE CNFCARD SET CDTIPOPRAT = '09' WHERE CDFILIAL = '0002' AND CDSERVFILI = '00001'");
  auto rodou = Roteiro<TfrmImpDist>("TfrmImpDist", [&](TfrmImpDist& d) {
    Codigo(*d.edtCdFilialOri, "1");
    Codigo(*d.edtCdServOri, "1");
    ClearLogs();
    dialogs().Answer(mrYes);
    EXPECT_EQ(UserActions::Click(*d.sbtConfirma).status, ActionResult::Status::Aborted);
    ASSERT_EQ(CallsOf("ImportaDistribuicao").size(), 1u);
    EXPECT_EQ(CallsOf("ImportaDistribuicao")[0].args[6].asString(), "000003");
    EXPECT_EQ(CallsOf("ImportaDistribuicao")[0].args[7].asString(), "01");
    EXPECT_EQ(Texts().back(),
              "O cardápio do serviço 00001 da filial 0002 não possui os tipos de prato da distribuição de origem"
              " (01, 02, 03, 04, 05, 06); nada foi copiado.");
    EXPECT_TRUE(d.Visible());
    Ok(UserActions::Click(*d.sbtCancel), "cancelar");
  });
  CallEntry("GER04100", "CriaImpDist", {"0002", "00001", "000003", "01", false});
  EXPECT_TRUE(*rodou);
  EXPECT_EQ(Pacotes("0002", "000003", "01"), "");
}

TEST_P(TransfEmbalTest, TheImportOriginIsTheHostsBranchWhenItFixesOne) {
  session().ModuFili = true;
  session().FiliProc = "0002";
  auto rodou = Roteiro<TfrmImpDist>("TfrmImpDist", [&](TfrmImpDist& d) {
    EXPECT_EQ(d.edtCdFilialOri->Text() + " " + d.edtNmFilialOri->Text(), "0002 Unidade Campinas");
    EXPECT_FALSE(d.edtCdFilialOri->Enabled());
    EXPECT_FALSE(d.btnFilialOri->Enabled());
    Codigo(*d.edtCdServOri, "1");
    EXPECT_EQ(d.cmbPontoEntrega->Items().size(), 3u);
    Recusa(d, "N_HA_DIST_ORI");
    Ok(UserActions::Click(*d.sbtCancel), "cancelar");
  });
  CallEntry("GER04100", "CriaImpDist", {"0001", "00001", "000001", "001", false});
  EXPECT_TRUE(*rodou);
}

CADSERV_SCREEN_SUITE(TransfEmbalTest);

}  // namespace cad::test
