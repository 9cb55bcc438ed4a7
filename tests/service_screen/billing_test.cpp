// The billing setup on the form page: the equivalence grid (duplicates and unknown codes refused,
// a stored row never edited, deletion and insertion saved at once, its lookup), billing mode
// emptying and locking the planning fields of a new service at once, and the separate invoice
// that depends on a billing value varying by date.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "tests/service_screen/cadastroserv_fixture.h"

namespace cad::test {

namespace {

class FaturamentoTest : public CadastroServTest {
 protected:
  // The form page of a service, with the focus in its equivalence grid.
  void GradeDoServico(TfrmCadastroServ& f, const std::string& servico) {
    auto& form = f.Pagina<PagServico>();
    Seleciona(f, servico);
    Menu(f, "mnuFormulario");
    Ok(UserActions::Focus(*form.dbgServFatu), "foco na grade de faturamento");
  }
  int64_t Equivalencias(const std::string& servico) {
    return Sql("SELECT COUNT(*) FROM SERVFATU WHERE CDFILIAL = '0001' AND CDSERVFILI = :S", {{"S", servico}})
        .rows[0][0]
        .asInt();
  }
  std::vector<std::string> Servico(const std::string& servico, const std::string& campos) {
    return Linha("SELECT " + campos + " FROM SERVICO WHERE CDFILIAL = '0001' AND CDSERVFILI = :S", {{"S", servico}});
  }
  using V = std::vector<std::string>;
  static std::string Fatu(TfrmCadastroServ& f, const char* field) {
    auto& form = f.Pagina<PagServico>();
    return form.cdsServFatu->FieldByName(field).AsString();
  }
};

}  // namespace

TEST_P(FaturamentoTest, AStoredEquivalenceIsNeverEditedAndANewOneMustBeABillingServiceNotYetThere) {
  auto& f = AbreFilial("0001");
  auto& form = f.Pagina<PagServico>();
  GradeDoServico(f, "00001");
  ASSERT_EQ(form.cdsServFatu->RecordCount(), 1);
  EXPECT_FALSE(f.sbtAlterar->Enabled());

  // Typing over the stored code is discarded, editing it is refused, and so is deleting by key.
  Ok(UserActions::SelectCell(*form.dbgServFatu, 0, 1), "célula do código");
  Ok(UserActions::Type(*form.dbgServFatu, "12"), "digitar sobre o código");
  Ok(UserActions::Key(*form.dbgServFatu, "F3"), "F3");
  EXPECT_FALSE(f.mnuAlterar->Enabled());
  Ok(UserActions::Key(*form.dbgServFatu, "Delete"), "Delete");
  Ok(UserActions::Key(*form.dbgServFatu, "Ctrl+Delete"), "Ctrl+Delete");
  EXPECT_EQ(form.cdsServFatu->State(), DataSetState::Browse);
  EXPECT_EQ(Fatu(f, "CDSERVICFATURAM"), "00090");
  EXPECT_TRUE(CallsOf("SerServFatu").empty());

  // A new row: while it is typed only confirm and cancel are offered and no page can be entered.
  Ok(UserActions::Click(*f.sbtIncluir), "incluir equivalência");
  ASSERT_EQ(form.cdsServFatu->State(), DataSetState::Insert);
  EXPECT_FALSE(f.sbtIncluir->Enabled());
  EXPECT_FALSE(f.tshFolhaDados->Enabled());
  Ok(UserActions::Type(*form.dbgServFatu, "90"), "código");
  EXPECT_TRUE(Recusada([&] { return UserActions::Key(*form.dbgServFatu, "Tab"); }, {"SERV_JA_CAD"}, true));
  EXPECT_EQ(Fatu(f, "CDSERVICFATURAM"), "00090") << "looked up with the normalised code";
  EXPECT_TRUE(form.dbgServFatu->Focused());
  EXPECT_FALSE(progress().Visible());

  Ok(UserActions::Key(*form.dbgServFatu, "Escape"), "cancelar a linha");
  ASSERT_EQ(form.cdsServFatu->State(), DataSetState::Browse);
  Ok(UserActions::Click(*f.sbtIncluir), "incluir equivalência");
  Ok(UserActions::Type(*form.dbgServFatu, "3"), "código de um serviço que não é de faturamento");
  EXPECT_TRUE(Recusada([&] { return UserActions::Key(*form.dbgServFatu, "Tab"); }, {"Serv_cad"}, true));
  // Confirming the empty code is refused too.
  Ok(UserActions::Key(*form.dbgServFatu, "Escape"), "cancelar a linha");
  Ok(UserActions::Click(*f.sbtIncluir), "incluir equivalência");
  EXPECT_TRUE(Recusada([&] { return UserActions::Click(*f.sbtConfirmar); }, {"SERV_INF"}, true));
  Ok(UserActions::Key(*form.dbgServFatu, "Escape"), "cancelar a linha");
  EXPECT_TRUE(CallsOf("SerServFatu").empty());
  EXPECT_EQ(Equivalencias("00001"), 1);
}

TEST_P(FaturamentoTest, AnEquivalenceIsReplacedByDeletingItAndInsertingAnother) {
  Exec(
      "INSERT INTO SERVICO (CDFILIAL, CDSERVFILI, NMSERVICO, IDTIPOSERV, IDSERVTRAN, IDSERVATIV)"
      " VALUES ('0001', '00091', 'Faturamento Jantar', 'F', 'N', 'N')");
  auto& f = AbreFilial("0001");
  auto& form = f.Pagina<PagServico>();
  GradeDoServico(f, "00002");
  ASSERT_EQ(Fatu(f, "CDSERVICFATURAM"), "00090");

  ClearLogs();
  dialogs().Answer(mrYes);
  Ok(UserActions::Click(*f.sbtExcluir), "excluir equivalência");
  EXPECT_EQ(CallsOf("verificaEfetServFat").size(), 1u);
  EXPECT_EQ(form.cdsServFatu->ChangeCount(), 0);
  EXPECT_EQ(Equivalencias("00002"), 0);
  EXPECT_FALSE(f.sbtExcluir->Enabled()) << "nothing left to delete";

  // The lookup lists the branch's billing services.
  Ok(UserActions::Click(*f.sbtIncluir), "incluir equivalência");
  ClearLogs();
  lookups().QueuePick({{"CDSERVFILI", Variant("00091")}});
  Ok(UserActions::EditButtonClick(*form.dbgServFatu), "pesquisa de serviço de faturamento");
  EXPECT_EQ(CallsOf("GetPesqServFatu")[0].args, VariantArray{Variant("0001")});
  EXPECT_EQ(Fatu(f, "NMSERVICO"), "Faturamento Jantar");
  Ok(UserActions::Click(*f.sbtConfirmar), "confirmar");
  EXPECT_EQ(Linha("SELECT CDSERVICFATURAM FROM SERVFATU WHERE CDFILIAL = '0001' AND CDSERVFILI = '00002'"), V{"00091"});

  // A second one typed, as the server reloads it.
  Ok(UserActions::Click(*f.sbtIncluir), "incluir equivalência");
  Ok(UserActions::Type(*form.dbgServFatu, "90"), "código");
  Ok(UserActions::Key(*form.dbgServFatu, "Tab"), "sair do código");
  EXPECT_EQ(Fatu(f, "NMSERVICO"), "Faturamento Refeições Metal.");
  Ok(UserActions::Click(*f.sbtConfirmar), "confirmar");
  EXPECT_EQ(Equivalencias("00002"), 2);
  EXPECT_TRUE(f.sbtExcluir->Enabled());

  // The operator lost the branch meanwhile: the server already refuses the read that checks the new
  // row, with the same text as a write; nothing is sent to be stored and the row stays to be
  // corrected or cancelled.
  ASSERT_EQ(Fatu(f, "CDSERVICFATURAM"), "00090");
  dialogs().Answer(mrYes);
  Ok(UserActions::Click(*f.sbtExcluir), "excluir equivalência");
  ASSERT_EQ(Equivalencias("00002"), 1);
  Ok(UserActions::Click(*f.sbtIncluir), "incluir equivalência");
  Ok(UserActions::Type(*form.dbgServFatu, "90"), "código");
  Ok(UserActions::Key(*form.dbgServFatu, "Tab"), "sair do código");
  Exec("DELETE FROM FILIOPER WHERE CDFILIAL = '0001' AND CDOPERADOR = 'ADMIN'");
  EXPECT_TRUE(Recusada([&] { return UserActions::Click(*f.sbtConfirmar); },
                       {"O operador ADMIN não tem acesso à filial 0001."}));
  EXPECT_EQ(form.cdsServFatu->State(), DataSetState::Insert);
  EXPECT_TRUE(CallsOf("SerServFatu").empty());
  EXPECT_EQ(Equivalencias("00002"), 1);
  EXPECT_FALSE(progress().Visible());
}

TEST_P(FaturamentoTest, BillingModeEmptiesAndLocksThePlanningFieldsOfANewServiceAtOnce) {
  auto& f = AbreFilial("0001");
  auto& form = f.Pagina<PagServico>();
  Seleciona(f, "00001");
  Ok(UserActions::Click(*f.sbtIncluir), "incluir");
  Digita(*form.dbeCdServFili, "5");
  Digita(*form.dbeIniAtend, "1800");
  Digita(*form.dbePeriServDe, "1900");
  Digita(*form.dbeCdRota, "000001");
  Ok(UserActions::Click(*form.dckServTran), "transportado");
  ASSERT_EQ(Atual(f, "IDSERVTRAN"), "S");
  ASSERT_EQ(Atual(f, "IDSERVATIV"), "S");
  ClearLogs();

  Ok(UserActions::SelectIndex(*form.drgTipoServ, 3), "Faturamento");
  for (const char* campo : {"HRINICATEN", "HRINICSERV", "CDROTATRANS"}) EXPECT_EQ(Atual(f, campo), "") << campo;
  for (const char* campo : {"IDSERVTRAN", "IDSERVATIV", "IDUTRETIPRAT"}) EXPECT_EQ(Atual(f, campo), "N") << campo;
  for (TControl* c : std::initializer_list<TControl*>{form.dbeIniAtend, form.dbePeriServDe, form.dbePeriServAte,
                                                      form.dbeCdRota, form.btnRota, form.dbeHrEntrega, form.dbcTipoServ,
                                                      form.dckUtilReqReti, form.dckServTran, form.dbgServFatu})
    EXPECT_FALSE(c->Enabled()) << c->Name();
  EXPECT_TRUE(form.medCdServico->Enabled());
  for (TTabSheet* t : {f.tshConfCard, f.tshCustPadr, f.tshTurnos, f.tshComensais, f.tshPontEntr, f.tshEmbalagens})
    EXPECT_FALSE(t->Enabled()) << t->Name();

  // Back to a planning type: the controls open again.
  Ok(UserActions::SelectIndex(*form.drgTipoServ, 0), "Corporativo");
  EXPECT_TRUE(form.dbeIniAtend->Enabled());
  Ok(UserActions::SelectIndex(*form.drgTipoServ, 3), "Faturamento");

  // A billing service posts without preparation, serving and delivery hours or route.
  Digita(*form.dbeCdGrupServ, "4");
  ClearLogs();
  Ok(UserActions::Click(*f.sbtConfirmar), "confirmar");
  EXPECT_TRUE(Keys().empty()) << "no planning check and no \"not enabled\" notice";
  ASSERT_EQ(f.cdsServico->State(), DataSetState::Browse);
  EXPECT_EQ(Servico("00005", "IDTIPOSERV, HRINICATEN, CDROTATRANS, IDSERVTRAN, NMSERVICO"),
            (V{"F", "<null>", "<null>", "N", "Ceia"}));
  EXPECT_FALSE(f.tshCustPadr->Enabled()) << "the saved billing service keeps its pages closed";

  // Altering a billing service that still carried planning flags clears them without a word:
  // that is not the user unchecking "enabled".
  Exec("UPDATE SERVICO SET IDSERVATIV = 'S', HRINICATEN = '0800' WHERE CDFILIAL = '0001' AND CDSERVFILI = '00090'");
  Ok(UserActions::Click(*f.sbtVerificar), "verificar");
  Menu(f, "mnuFolhaDados");
  Seleciona(f, "00090");
  ClearLogs();
  Ok(UserActions::Click(*f.sbtAlterar), "alterar");
  ASSERT_EQ(f.cdsServico->State(), DataSetState::Edit);
  EXPECT_TRUE(Texts().empty());
  EXPECT_EQ(Atual(f, "IDSERVATIV"), "N");
}

TEST_P(FaturamentoTest, ASeparateInvoiceNeedsABillingValueThatVariesByDate) {
  auto& f = AbrePagina("0001", "00002", "mnuFormulario");
  auto& form = f.Pagina<PagServico>();
  EXPECT_FALSE(form.dbFatServSep->Enabled());
  Ok(UserActions::Click(*f.sbtAlterar), "alterar");
  Ok(UserActions::Click(*form.dbServFatVar), "valor variável");
  EXPECT_TRUE(form.dbFatServSep->Enabled());
  Ok(UserActions::Click(*form.dbFatServSep), "nota separada");
  EXPECT_EQ(Atual(f, "IDSERVFATSEP"), "S");
  Ok(UserActions::Click(*form.dbServFatVar), "valor fixo");
  EXPECT_EQ(Atual(f, "IDSERVFATSEP"), "N");
  EXPECT_EQ(UserActions::Click(*form.dbFatServSep).status, ActionResult::Status::Refused);

  Ok(UserActions::Click(*form.dbServFatVar), "valor variável");
  Ok(UserActions::Click(*form.dbFatServSep), "nota separada");
  Ok(UserActions::Click(*f.sbtConfirmar), "confirmar");
  EXPECT_EQ(Servico("00002", "IDVLRVARDATA, IDSERVFATSEP"), (V{"S", "S"}));
}

TEST_P(FaturamentoTest, ABillingServiceShowsNoPlanningValuesAndChecksItsMainServiceOnPost) {
  Exec(
      "UPDATE SERVICO SET HRINICATEN = '0800', CDROTATRANS = '000001' WHERE CDFILIAL = '0001' AND CDSERVFILI = "
      "'00090'");
  auto& f = AbrePagina("0001", "00090", "mnuFormulario");
  auto& form = f.Pagina<PagServico>();
  // Browsing: the stored planning values are not shown, and stay stored.
  EXPECT_EQ(form.dbeIniAtend->Text(), "");
  EXPECT_EQ(Atual(f, "HRINICATEN"), "0800");
  Menu(f, "mnuFolhaDados");
  Seleciona(f, "00001");
  Menu(f, "mnuFormulario");
  EXPECT_EQ(form.dbeIniAtend->Text(), "0930") << "a planned service shows its own values again";
  EXPECT_EQ(Servico("00090", "HRINICATEN"), V{"0800"});

  // A main service typed while browsing is not checked on leaving it, but is on the next post.
  Menu(f, "mnuFolhaDados");
  Seleciona(f, "00090");
  Menu(f, "mnuFormulario");
  ASSERT_TRUE(form.medCdServico->Enabled());
  Digita(*form.medCdServico, "99");
  Ok(UserActions::Key(*form.medCdServico, "Tab"), "sair do serviço principal");
  Ok(UserActions::Click(*f.sbtAlterar), "alterar");
  Digita(*form.dbeNmFantasServ, "Faturamento Metalúrgica");
  EXPECT_TRUE(Recusada([&] { return UserActions::Click(*f.sbtConfirmar); }, {"Serviço não cadastrado."}));
  EXPECT_TRUE(CallsOf("UpdServico").empty());
  EXPECT_EQ(f.cdsServico->State(), DataSetState::Edit) << "the other changes wait for a valid code";
  Digita(*form.medCdServico, "1");
  Ok(UserActions::Click(*f.sbtConfirmar), "confirmar");
  EXPECT_EQ(Servico("00090", "CDSERVPREQUI, NMFANTASSERV"), (V{"00001", "Faturamento Metalúrgica"}));
}

CADSERV_SCREEN_SUITE(FaturamentoTest);

}  // namespace cad::test
