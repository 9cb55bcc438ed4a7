// The packaging page of a transported service: delivery-point keys split back into client and
// point codes; a new package taking the group after the highest; the automatic codes stored
// upper-case, one of each per point; a package of one dish type; restriction rows without
// minimum, category filter and hidden duplicates; the order buttons and their single change set;
// the restriction grid's key guard; confirm, verify and delete checked in the database.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "service_screen/pages/embalagens.h"
#include "tests/service_screen/cadastroserv_fixture.h"

namespace cad::test {

namespace {

class EmbalagensTest : public CadastroServTest {
 protected:
  TfrmCadastroServ& Pagina() { return AbrePagina("0001", "00001", "mnuEmbalagens"); }
  TfrmCadastroServ& Restricoes() {
    auto& f = Pagina();
    Ok(UserActions::SelectPage(*f.Pagina<PagEmbalagens>().tshRestricoes), "sub-página de restrições");
    return f;
  }
  static std::string Coluna(DataSet& ds, const char* campo) {
    std::string out;
    for (int i = 0; i < ds.DisplayCount(); ++i)
      ds.ReadRow(i, [&] { out += (out.empty() ? "" : " ") + ds.FieldByName(campo).AsString(); });
    return out;
  }
  // Stored packages of the service itself as "group:code".
  std::string Grupos() {
    std::string out;
    for (const auto& r : Sql("SELECT NRGRUPO, CDCNFDISTEMBSERV FROM CNFDISTEMBSERV WHERE CDFILIAL = '0001'"
                             " AND CDSERVFILI = '00001' AND CDCLIENTE = '' ORDER BY NRGRUPO")
                             .rows)
      out += (out.empty() ? "" : " ") + std::to_string(r[0].asInt()) + ":" + r[1].asString();
    return out;
  }
  // Stored restriction rows of dish type 1 of the service itself as "code:order".
  std::string Ordens() {
    std::string out;
    for (const auto& r :
         Sql("SELECT C.CDCONTAINER, C.NRORDEM FROM RESTEMBCONT C JOIN RESTEMBTPPRAT R ON"
             " R.NRRESTEMBTPPRAT = C.NRRESTEMBTPPRAT WHERE R.CDFILIAL = '0001' AND R.CDSERVFILI = '00001'"
             " AND R.CDCLIENTE = '' AND R.NRSEQCNFCARD = 1 ORDER BY C.NRORDEM, C.CDCONTAINER")
             .rows)
      out += (out.empty() ? "" : " ") + r[0].asString() + ":" + std::to_string(r[1].asInt());
    return out;
  }
  // Types a code into the code column of a grid's new row and leaves it.
  void Codigo(TDBGrid& grade, const std::string& codigo) {
    Ok(UserActions::SelectCell(grade, 0, grade.Row()), "coluna do código");
    Ok(UserActions::Type(grade, codigo), "código " + codigo);
  }
};

}  // namespace

TEST_P(EmbalagensTest, DeliveryPointKeysSplitBackAndEveryCallSendsThem) {
  Exec(
      "INSERT INTO CLIENTE (CDCLIENTE, IDTPIJURCLIE, NRINSJURCLIE, NMRAZSOCCLIE) VALUES"
      " ('12345', 'J', '11222333000181', 'Cliente de uma razão social bem longa')");
  Exec("INSERT INTO DESTSRVCLI (CDFILIAL, CDSERVFILI, CDCLIENTE, CDDESTFILI) VALUES ('0001', '00001', '12345', '001')");
  auto& f = Pagina();
  auto& e = f.Pagina<PagEmbalagens>();
  ASSERT_EQ(e.pgcEmbalagens->ActivePage(), e.tshDistribuicao);
  const std::vector<std::string>& itens = e.cmbDistrPEntrega->Items();
  ASSERT_EQ(itens.size(), 5u);
  EXPECT_EQ(itens[4], "Cliente de uma razão soci   Portaria Principal");
  // Client and point of the last distribution read.
  auto chave = [&] {
    VariantArray a = CallsOf("GetDadosDistribuicao").at(0).args;
    return a[2].asString() + "|" + a[3].asString();
  };
  ClearLogs();
  Ok(UserActions::SelectIndex(*e.cmbDistrPEntrega, 4), "ponto 12345_001");
  EXPECT_EQ(chave(), "12345|001");
  ClearLogs();
  Ok(UserActions::SelectIndex(*e.cmbDistrPEntrega, 0), "o próprio serviço");
  EXPECT_EQ(chave(), "|");
}

TEST_P(EmbalagensTest, ANewPackageTakesTheNextGroupAndAutomaticCodesAreOneEach) {
  Exec("UPDATE CNFDISTEMBTP SET NRGRUPO = 1 WHERE CDCLIENTE = '' AND NRGRUPO = 2");
  Exec("UPDATE CNFDISTEMBSERV SET NRGRUPO = 5 WHERE CDCLIENTE = '' AND NRGRUPO = 2");
  Exec(
      "INSERT INTO CNFDISTEMBSERV (CDFILIAL, CDSERVFILI, CDCLIENTE, CDDESTFILI, NRGRUPO, CDCNFDISTEMBSERV)"
      " VALUES ('0001', '00001', '', '', 2, 'MX09')");
  auto& f = Pagina();
  auto& e = f.Pagina<PagEmbalagens>();
  ASSERT_EQ(Coluna(*e.cdsDistrEmb, "NRGRUPO"), "1 2 5");

  Ok(UserActions::Click(*f.sbtIncluir), "incluir");
  ASSERT_EQ(e.cdsDistrEmb->State(), DataSetState::Insert);
  EXPECT_EQ(e.cdsDistrEmb->FieldByName("NRGRUPO").AsString(), "6");
  EXPECT_FALSE(f.tshFolhaDados->Enabled()) << "no other page while a package is typed";
  Codigo(*e.dbgDistrEmb, "dist");
  EXPECT_TRUE(Recusada([&] { return UserActions::Click(*f.sbtConfirmar); }, {"DISTREMB_TPPRAT_N_INF"}, true));
  Ok(UserActions::Click(*e.btnAddDistrTpPrat), "colocar o tipo de prato 4");
  Ok(UserActions::Click(*f.sbtConfirmar), "confirmar");
  EXPECT_EQ(Grupos(), "1:MX08 2:MX09 5:GN12 6:DIST");
  EXPECT_EQ(e.cdsDistrEmb->FieldByName("NRGRUPO").AsString(), "6") << "the saved package stays current";

  // A second DIST is refused; a DISTR beside it is accepted.
  Ok(UserActions::Click(*f.sbtIncluir), "incluir");
  ClearLogs();
  Codigo(*e.dbgDistrEmb, "DIST");
  EXPECT_EQ(UserActions::Click(*f.sbtConfirmar).status, ActionResult::Status::Aborted);
  EXPECT_EQ(Keys(), std::vector<std::string>{"DISTREMB_AUTO_DUPLICADO"});
  dialogs().Answer(mrYes);
  Ok(UserActions::Click(*f.sbtCancelar), "cancelar");
  Ok(UserActions::Click(*f.sbtIncluir), "incluir");
  Codigo(*e.dbgDistrEmb, "distr");
  Ok(UserActions::Click(*e.btnAddDistrTpPrat), "colocar o tipo de prato 8");
  Ok(UserActions::Click(*f.sbtConfirmar), "confirmar");
  EXPECT_EQ(Grupos(), "1:MX08 2:MX09 5:GN12 6:DIST 7:DISTR");
}

// A package taking one dish type only refuses a second; delete removes the package.
TEST_P(EmbalagensTest, APackageOfOneDishTypeRefusesASecondAndDeleteRemovesIt) {
  auto& f = Pagina();
  auto& e = f.Pagina<PagEmbalagens>();
  Ok(UserActions::SelectCell(*e.dbgDistrEmb, 1, 2), "embalagem GN12");
  Ok(UserActions::Click(*e.btnAddDistrTpPrat), "colocar o tipo de prato 4");
  EXPECT_TRUE(Recusada([&] { return UserActions::Click(*f.sbtConfirmar); }, {"DISTREMB_APENAS_UM"}, true));
  dialogs().Answer(mrYes);
  Ok(UserActions::Click(*f.sbtCancelar), "cancelar");

  Ok(UserActions::SelectCell(*e.dbgDistrEmb, 1, 2), "embalagem GN12");
  dialogs().Answer(mrYes);
  Ok(UserActions::Click(*f.sbtExcluir), "excluir GN12");
  EXPECT_EQ(Grupos(), "1:MX08");
  EXPECT_EQ(Coluna(*e.cdsDistrTpPrat, "NRSEQCNFCARD"), "4 7 8");
}

TEST_P(EmbalagensTest, TheLookupOfAnEmptyDeliveryPointStartsItsFirstPackage) {
  auto& f = Pagina();
  auto& e = f.Pagina<PagEmbalagens>();
  Ok(UserActions::SelectIndex(*e.cmbDistrPEntrega, 1), "ponto 000001_001");
  ASSERT_TRUE(e.cdsDistrEmb->IsEmpty());
  Ok(UserActions::Focus(*e.dbgDistrEmb), "grade de embalagens");
  lookups().QueuePick({{"CDCNFDISTEMBSERV", Variant("GN11")}});
  Ok(UserActions::EditButtonClick(*e.dbgDistrEmb), "pesquisa de embalagem");
  ASSERT_EQ(e.cdsDistrEmb->State(), DataSetState::Insert);
  EXPECT_EQ(e.cdsDistrEmb->FieldByName("NRGRUPO").AsString(), "1");
  Ok(UserActions::Click(*e.btnAddDistrTpPrat), "colocar o primeiro tipo de prato");
  Ok(UserActions::Click(*f.sbtConfirmar), "confirmar");
  EXPECT_EQ(Sql("SELECT COUNT(*) FROM CNFDISTEMBTP WHERE CDCLIENTE = '000001' AND CDDESTFILI = '001' AND NRGRUPO = 1")
                .rows.at(0)
                .at(0)
                .asInt(),
            1);
  EXPECT_EQ(Linha("SELECT CDCONTAINER FROM CNFDISTEMBSERV WHERE CDCLIENTE = '000001' AND CDDESTFILI = '001'"),
            std::vector<std::string>{"GN11"});
}

TEST_P(EmbalagensTest, RestrictionRowsMinimumCategoryAndDuplicates) {
  auto& f = Restricoes();
  auto& e = f.Pagina<PagEmbalagens>();
  ASSERT_EQ(Coluna(*e.cdsRestricoes, "CDCONTAINER"), "GN11 GN12");

  // With category 2 selected a package of category 3 is not registered.
  Ok(UserActions::SelectIndex(*e.cmbRestFiltroCat, 2), "categoria 2");
  EXPECT_EQ(e.cdsRestricoes->RecordCount(), 0);
  Ok(UserActions::Click(*f.sbtIncluir), "incluir");
  ClearLogs();
  Codigo(*e.dbgRestricoes, "GN11");
  EXPECT_EQ(UserActions::Click(*f.sbtConfirmar).status, ActionResult::Status::Aborted);
  EXPECT_EQ(Keys(), std::vector<std::string>{"EMBREST_N_CAD"});
  // Without minimum: order 999999 and -1 in the change set.
  dialogs().Answer(mrYes);
  Ok(UserActions::Click(*f.sbtCancelar), "cancelar");
  Ok(UserActions::Click(*f.sbtIncluir), "incluir");
  Codigo(*e.dbgRestricoes, "CT80");
  ClearLogs();
  Ok(UserActions::Click(*f.sbtConfirmar), "confirmar CT80");
  ASSERT_EQ(CallsOf("SetRestricoes").size(), 1u);
  PacketPtr enviado = CallsOf("SetRestricoes")[0].args[6].packetPtr();
  const Packet& delta = *enviado;
  EXPECT_EQ(delta.value(0, "NRORDEM").asFloat(), 999999);
  EXPECT_EQ(delta.value(0, "VRMINCONTAINER").asFloat(), -1);
  EXPECT_EQ(Ordens(), "GN11:1 CT80:999999 GN12:999999");

  // A package already in the list but hidden by the filter is refused.
  Exec("UPDATE CONTAINER SET NRCATEMBALAG = 2 WHERE CDCONTAINER = 'GN11'");
  Ok(UserActions::Click(*f.sbtIncluir), "incluir");
  ClearLogs();
  Codigo(*e.dbgRestricoes, "GN11");
  EXPECT_EQ(UserActions::Click(*f.sbtConfirmar).status, ActionResult::Status::Aborted);
  EXPECT_EQ(Keys(), std::vector<std::string>{"EMBREST_JA_UTIL"});
  dialogs().Answer(mrYes);
  Ok(UserActions::Click(*f.sbtCancelar), "cancelar");
  EXPECT_EQ(Ordens(), "GN11:1 CT80:999999 GN12:999999");
}

// A typed code is the package of that code or nothing: "T" (read as "all" by the lookup) is no
// package either. A minimum of zero is refused with its text.
TEST_P(EmbalagensTest, ATypedCodeMatchingNoPackageIsRefusedAndAZeroMinimumHasItsText) {
  auto& f = Restricoes();
  auto& e = f.Pagina<PagEmbalagens>();
  Ok(UserActions::Click(*f.sbtIncluir), "incluir");
  Codigo(*e.dbgRestricoes, "T");
  EXPECT_TRUE(Recusada([&] { return UserActions::Click(*f.sbtConfirmar); }, {"EMBREST_N_CAD"}, true));
  Ok(UserActions::Key(*e.dbgRestricoes, "Backspace"), "apagar o T");
  Ok(UserActions::Type(*e.dbgRestricoes, "CT50"), "código CT50");
  Ok(UserActions::SelectCell(*e.dbgRestricoes, 2, e.dbgRestricoes->Row()), "mínimo");
  Ok(UserActions::Type(*e.dbgRestricoes, "0"), "mínimo 0");
  EXPECT_TRUE(
      Recusada([&] { return UserActions::Click(*f.sbtConfirmar); }, {"Quantidade mínima deve ser maior que zero."}));
  dialogs().Answer(mrYes);
  Ok(UserActions::Click(*f.sbtCancelar), "cancelar");
  EXPECT_EQ(Ordens(), "GN11:1 GN12:999999");

  Ok(UserActions::SelectPage(*e.tshDistribuicao), "distribuição");
  Ok(UserActions::Click(*f.sbtIncluir), "incluir");
  Codigo(*e.dbgDistrEmb, "T");
  EXPECT_TRUE(Recusada([&] { return UserActions::Click(*f.sbtConfirmar); }, {"DISTREMB_N_CAD"}, true));
  EXPECT_EQ(Grupos(), "1:MX08 2:GN12");
}

// The import/export menu opens from its button and from Ctrl+M, only for a transported service;
// the delivery-point keys stay with their items when reading them again fails.
TEST_P(EmbalagensTest, TheImportExportMenuOpensOnlyForATransportedServiceAndKeysFollowTheirItems) {
  Exec("UPDATE SERVICO SET IDSERVTRAN = 'N' WHERE CDFILIAL = '0001' AND CDSERVFILI = '00002'");
  auto& f = Pagina();
  auto& e = f.Pagina<PagEmbalagens>();
  Ok(UserActions::Click(*f.sbtImportExportConf), "importar/exportar");
  Menu(f, "mnuImportExportConf");
  EXPECT_EQ(f.pmnImportExportConf->PopupCount(), 2);

  Menu(f, "mnuFolhaDados");
  Exec("DELETE FROM FILIOPER WHERE CDFILIAL = '0001' AND CDOPERADOR = 'ADMIN'");
  EXPECT_NE(UserActions::MenuItem(f, "mnuEmbalagens").status, ActionResult::Status::Ok);
  Exec("INSERT INTO FILIOPER (CDFILIAL, CDOPERADOR) VALUES ('0001', 'ADMIN')");
  ClearLogs();
  Ok(UserActions::SelectIndex(*e.cmbDistrPEntrega, 2), "ponto 000001_002");
  VariantArray a = CallsOf("GetDadosDistribuicao").at(0).args;
  EXPECT_EQ(a[2].asString() + "|" + a[3].asString(), "000001|002");

  Ok(UserActions::Navigate(*f.dbnPadrao, TNavigateBtn::nbNext), "serviço 00002, não transportado");
  EXPECT_EQ(f.pgcPadrao->ActivePage(), f.tshFolhaDados);
  EXPECT_FALSE(f.sbtImportExportConf->Enabled());
  EXPECT_FALSE(f.mnuImportExportConf->Enabled());
}

TEST_P(EmbalagensTest, OrderButtonsMoveOnlyOrderedRowsInOneChangeSet) {
  auto& f = Restricoes();
  auto& e = f.Pagina<PagEmbalagens>();
  Ok(UserActions::Click(*f.sbtIncluir), "incluir");
  Codigo(*e.dbgRestricoes, "CT50");
  Ok(UserActions::SelectCell(*e.dbgRestricoes, 2, e.dbgRestricoes->Row()), "mínimo");
  Ok(UserActions::Type(*e.dbgRestricoes, "5"), "mínimo 5");
  Ok(UserActions::Click(*f.sbtConfirmar), "confirmar");
  ASSERT_EQ(Ordens(), "GN11:1 CT50:2 GN12:999999");
  // Under a category filter the neighbour shown is the one a move would swap with: GN11 above
  // GN12, which has no minimum, cannot go down.
  Ok(UserActions::SelectIndex(*e.cmbRestFiltroCat, 3), "categoria 3");
  Ok(UserActions::SelectCell(*e.dbgRestricoes, 0, 1), "GN11");
  EXPECT_FALSE(e.sbtRestricaoDown->Enabled());
  Ok(UserActions::SelectIndex(*e.cmbRestFiltroCat, 0), "todas as categorias");
  struct Caso {
    int linha;
    bool sobe, desce;
  };
  for (const Caso& c : {Caso{1, false, true}, Caso{2, true, false}, Caso{3, false, false}}) {
    Ok(UserActions::SelectCell(*e.dbgRestricoes, 0, c.linha), "linha " + std::to_string(c.linha));
    EXPECT_EQ(e.sbtRestricaoUp->Enabled(), c.sobe) << c.linha;
    EXPECT_EQ(e.sbtRestricaoDown->Enabled(), c.desce) << c.linha;
  }
  Ok(UserActions::SelectCell(*e.dbgRestricoes, 0, 2), "CT50");
  ClearLogs();
  Ok(UserActions::Click(*e.sbtRestricaoUp), "subir CT50");
  ASSERT_EQ(CallsOf("SetRestricoes").size(), 1u);
  EXPECT_EQ(CallsOf("SetRestricoes")[0].args[6].asPacket().rowCount(), 2u);
  EXPECT_EQ(Ordens(), "CT50:1 GN11:2 GN12:999999");
  EXPECT_FALSE(e.sbtRestricaoUp->Enabled());

  // Verify reloads from the server; delete removes the current row there.
  Exec("DELETE FROM RESTEMBCONT WHERE CDCONTAINER = 'GN12' AND NRRESTEMBTPPRAT = 1");
  Ok(UserActions::Click(*f.sbtVerificar), "verificar");
  EXPECT_EQ(Coluna(*e.cdsRestricoes, "CDCONTAINER"), "CT50 GN11");
  dialogs().Answer(mrYes);
  Ok(UserActions::Click(*f.sbtExcluir), "excluir CT50");
  EXPECT_EQ(Ordens(), "GN11:2");
}

TEST_P(EmbalagensTest, TheRestrictionGridSwallowsTheKeysItLists) {
  auto& f = Restricoes();
  auto& e = f.Pagina<PagEmbalagens>();
  struct Caso {
    const char* coluna;
    bool inserindo;
    int tecla;
    ShiftState shift;
    bool engolida;
  };
  const Caso casos[] = {
      {"CDCONTAINER", false, VK_DELETE, 0, true},         {"CDCONTAINER", false, VK_BACK, 0, true},
      {"CDCONTAINER", true, VK_BACK, 0, false},           {"VRMINCONTAINER", false, VK_DELETE, 0, false},
      {"VRMINCONTAINER", false, VK_DELETE, ssCtrl, true}, {"NMCONTAINER", false, VK_BACK, 0, true},
      {"NMCONTAINER", false, VK_DOWN, 0, false},
  };
  for (const Caso& c : casos) {
    if (c.inserindo && e.cdsRestricoes->State() != DataSetState::Insert) e.cdsRestricoes->Insert();
    if (!c.inserindo && e.cdsRestricoes->State() == DataSetState::Insert) e.cdsRestricoes->Cancel();
    e.dbgRestricoes->SetSelectedField(e.cdsRestricoes->FindField(c.coluna));
    int tecla = c.tecla;
    e.dbgPadraoKeyDown(*e.dbgRestricoes, tecla, c.shift);
    EXPECT_EQ(tecla == 0, c.engolida) << c.coluna << " " << c.tecla;
  }
}

CADSERV_SCREEN_SUITE(EmbalagensTest);

}  // namespace cad::test
