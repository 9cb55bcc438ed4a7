// The service record on the form page: the code's adjustment and checks on exit and on post, the
// standard services that give name and product, the hour checks, the short name, the requisition
// per dish of the branch, the save with its null-field list, a stale save, the block of fixed and
// per-capita consumption, and a service's whole life (include, alter, delete) in the database.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/core/datetime.h"
#include "platform/framework/consiste.h"
#include "tests/service_screen/cadastroserv_fixture.h"

namespace cad::test {

namespace {

class RegistroTest : public CadastroServTest {
 protected:
  // Include on the list page: the new service waits on the form with the focus on its code.
  void Inclui(TfrmCadastroServ& f) {
    auto& form = f.Pagina<PagServico>();
    Ok(UserActions::Click(*f.sbtIncluir), "incluir");
    ASSERT_EQ(f.cdsServico->State(), DataSetState::Insert);
    ASSERT_TRUE(form.dbeCdServFili->Focused());
  }
  // Types into an edit and leaves it with Tab; returns what leaving did.
  ActionResult DigitaESai(TControl& edit, const std::string& text) {
    Digita(edit, text);
    ClearLogs();
    return UserActions::Key(edit, "Tab");
  }
  ActionResult Confirma(TfrmCadastroServ& f) {
    ClearLogs();
    return UserActions::Click(*f.sbtConfirmar);
  }
  std::vector<std::string> Servico(const std::string& filial, const std::string& servico, const std::string& campos) {
    return Linha("SELECT " + campos + " FROM SERVICO WHERE CDFILIAL = :F AND CDSERVFILI = :S",
                 {{"F", filial}, {"S", servico}});
  }
  using V = std::vector<std::string>;
};

}  // namespace

TEST_P(RegistroTest, TheCodeIsAdjustedAndCheckedOnExitAndAgainOnPost) {
  auto& f = AbreFilial("0001");
  auto& form = f.Pagina<PagServico>();
  ASSERT_EQ(f.NmTabServ, "SERVPADR");
  Inclui(f);
  Ok(UserActions::Type(*form.dbeCdServFili, "4 5"), "digitar com espaço");
  EXPECT_EQ(Consiste::AllTrim(form.dbeCdServFili->Text()), "45") << "blanks never enter a code";

  EXPECT_TRUE(Recusada([&] { return DigitaESai(*form.dbeCdServFili, "AB"); },
                       {"O código do serviço deve ser informado com cinco caracteres."}));
  EXPECT_EQ(Keys(), std::vector<std::string>{"Cod_Serv"});
  EXPECT_TRUE(form.dbeCdServFili->Focused());

  EXPECT_TRUE(Recusada([&] { return DigitaESai(*form.dbeCdServFili, "1"); }, {"Servico_ja_cad"}, true));
  EXPECT_EQ(Atual(f, "CDSERVFILI"), "00001") << "adjusted before the existence check";

  EXPECT_TRUE(Recusada([&] { return DigitaESai(*form.dbeCdServFili, "7"); }, {"SERVPADR_N_CAD"}, true));
  EXPECT_EQ(Texts(), std::vector<std::string>{"Padrão de serviço não cadastrado."});

  // A standard service gives name and product.
  Ok(DigitaESai(*form.dbeCdServFili, "4"), "código de um padrão de serviço");
  EXPECT_EQ(Atual(f, "NMSERVICO"), "Lanche da Tarde");
  EXPECT_EQ(Atual(f, "CDPRODUTO"), "1004");
  EXPECT_FALSE(form.dbeNmServico->Enabled());

  Ok(DigitaESai(*form.dbeCdGrupServ, "2"), "grupo");
  EXPECT_EQ(Atual(f, "NMGRUPSERV"), "Lanches e Desjejum");
  EXPECT_TRUE(Recusada([&] { return DigitaESai(*form.dbeCdGrupServ, "9"); }, {"Grupo_nao_cad"}, true));
  EXPECT_EQ(Atual(f, "NMGRUPSERV"), "") << "the name goes with the code it belonged to";
  Ok(DigitaESai(*form.dbeCdGrupServ, "2"), "grupo");

  // The post checks the code again, also when it was typed without leaving the field.
  Digita(*form.dbeCdServFili, "2");
  EXPECT_TRUE(Recusada([&] { return Confirma(f); }, {"Servico_ja_cad"}, true));
  EXPECT_EQ(Atual(f, "CDGRUPSERV"), "002") << "the values entered stay";
  EXPECT_TRUE(form.dbeCdServFili->Focused());
  EXPECT_TRUE(CallsOf("UpdServico").empty());
}

TEST_P(RegistroTest, ANewServiceIsCheckedInOrderAndSavedWithItsNullFields) {
  Exec("DELETE FROM SERVPADR");
  auto& f = AbreFilial("0001");
  auto& form = f.Pagina<PagServico>();
  ASSERT_EQ(f.NmTabServ, "SERVFILI");
  Seleciona(f, "00001");  // enabled for forecasts: the new service starts enabled too
  Inclui(f);
  EXPECT_EQ(Atual(f, "IDSERVATIV"), "S");
  EXPECT_TRUE(form.dbeNmServico->Enabled());
  Ok(DigitaESai(*form.dbeCdServFili, "7"), "código");
  // Unchecking while including says nothing yet.
  Ok(UserActions::Click(*form.dckUtilReqReti), "desmarcar habilitar");
  EXPECT_TRUE(Texts().empty());

  // The checks of the post, in their order, each keeping the record as entered.
  auto falha = [&](const std::string& key, TControl* foco) {
    ActionResult r = Confirma(f);
    EXPECT_EQ(r.status, ActionResult::Status::Aborted) << key;
    EXPECT_EQ(Keys(), std::vector<std::string>{key});
    EXPECT_EQ(f.cdsServico->State(), DataSetState::Insert) << key;
    if (foco) {
      EXPECT_TRUE(foco->Focused()) << key << " leaves the focus on " << f.ActiveControl()->Name();
    }
  };
  falha("Info_Grup_Serv", form.dbeCdGrupServ);
  EXPECT_EQ(Texts(), std::vector<std::string>{"Grupo de serviços deve ser informado."});
  Digita(*form.dbeCdGrupServ, "1");
  falha("Nome_deve", form.dbeNmServico);
  Digita(*form.dbeNmServico, "Refeição Noturna Especial");
  falha("Inic_Empty", form.dbeIniAtend);
  Digita(*form.dbeIniAtend, "0930");
  Digita(*form.dbePeriServDe, "12");
  Digita(*form.dbePeriServAte, "2561");
  falha("Hora_deve", form.dbePeriServDe);
  EXPECT_EQ(Texts(), std::vector<std::string>{"'12' não é uma hora válida."});
  EXPECT_EQ(dialogs().Log().back().kind, TMsgDlgType::mtInformation);
  Digita(*form.dbePeriServDe, "1230");
  falha("Hora_deve", form.dbePeriServAte);
  EXPECT_EQ(Texts(), std::vector<std::string>{"'2561' não é uma hora válida."});
  Digita(*form.dbePeriServAte, "1430");
  // The delivery hour is checked when it is left.
  EXPECT_TRUE(Recusada([&] { return DigitaESai(*form.dbeHrEntrega, "12"); }, {"'12' não é uma hora válida."}));
  Digita(*form.dbeHrEntrega, "");
  falha("Prod_NotNull", form.dbeCdProduto);
  EXPECT_TRUE(Recusada([&] { return DigitaESai(*form.dbeCdProduto, "1010009"); }, {"Prod_nao_Cad"}, true));
  Ok(DigitaESai(*form.dbeCdProduto, "1010005"), "produto");
  EXPECT_EQ(Atual(f, "CDPRODUTO"), "1005");

  // The post goes on after telling that the service is not enabled.
  Ok(Confirma(f), "confirmar");
  EXPECT_EQ(Keys(), std::vector<std::string>{"SERV_INATIVO"});
  EXPECT_EQ(Texts(),
            std::vector<std::string>{
                "Desmarcando esta opção, o serviço não será habilitado para previsões, requisições e retiradas."});
  EXPECT_EQ(f.cdsServico->ChangeCount(), 0);
  EXPECT_EQ(Atual(f, "NMSERVICOREDU"), "Refeição Noturn") << "the first 15 characters of the name";

  ASSERT_EQ(CallsOf("UpdServico").size(), 1u);
  std::string nulos = "_NMFANTASSERV";
  for (const char* prefixo : {"QTCOMESTI", "QTCLIESTI", "QTFUNESTI", "QTDOAESTI"})
    for (const char* dia : {"SEG", "TER", "QUA", "QUI", "SEX", "SAB", "DOM", "FER"})
      nulos += std::string("_") + prefixo + dia;
  nulos +=
      "_IDFATUSERV_CDROTATRANS_NMROTATRANS_VRPESOCUSTO_IDTPSERVHOSP_CDSERPADDIE_NMSERPADDIE_IDVLRVARDATA"
      "_CDSERVPREQUI_HRENTREGA";
  EXPECT_EQ(CallsOf("UpdServico")[0].args[1].asString(), nulos);
  EXPECT_TRUE(CallsOf("GetProdExcl").empty());
  ASSERT_FALSE(session().CacheRequests().empty());
  EXPECT_EQ(session().CacheRequests().back(), std::vector<std::string>{"SERVICO"});

  EXPECT_EQ(Servico("0001", "00007",
                    "NMSERVICO, NMSERVICOREDU, CDGRUPSERV, HRINICATEN, HRINICSERV, HRFINASERV, HRENTREGA, CDPRODUTO,"
                    " IDTIPOSERV, IDSERVATIV, IDSERVTRAN, IDUTRETIPRAT, IDCONSCOMFAT"),
            (V{"Refeição Noturna Especial", "Refeição Noturn", "001", "0930", "1230", "1430", "<null>", "1005", "N",
               "N", "N", "N", "N"}));
  EXPECT_FALSE(progress().Visible());
}

TEST_P(RegistroTest, ABranchThatRequiresRequisitionPerDishNeedsTheBoxAndItsFourDefaults) {
  auto& f = AbreFilial("0002");
  auto& form = f.Pagina<PagServico>();
  Inclui(f);
  EXPECT_TRUE(form.dckUtilReqPrato->Checked());
  EXPECT_TRUE(form.dckBloqAlt->Enabled());
  Ok(DigitaESai(*form.dbeCdServFili, "5"), "código");
  Digita(*form.dbeCdGrupServ, "1");
  Digita(*form.dbeIniAtend, "1900");

  // Unchecking the box lifts the block and locks it.
  Ok(UserActions::Click(*form.dckUtilReqPrato), "desmarcar requisição por prato");
  EXPECT_EQ(Atual(f, "IDBLOQALTPRA"), "N");
  EXPECT_FALSE(form.dckBloqAlt->Enabled());
  EXPECT_TRUE(Recusada([&] { return Confirma(f); }, {"FILIALREQPRAT"}, true));
  EXPECT_EQ(Texts(),
            std::vector<std::string>{"Filial está parametrizada para obrigar a fazer requisição/retirada por prato."});
  EXPECT_TRUE(form.dckUtilReqPrato->Focused());
  Ok(UserActions::Click(*form.dckUtilReqPrato), "marcar requisição por prato");
  EXPECT_TRUE(form.dckBloqAlt->Enabled());

  // The first default the branch lacks is named, in order.
  const char* padroes[] = {"CDTPPRATOFIXO", "CDPRATOFIXO", "CDTPPRATOPER", "CDPRATOPER"};
  Exec(
      "UPDATE PARAMREQPRAT SET CDTPPRATOFIXO = NULL, CDPRATOFIXO = NULL, CDTPPRATOPER = NULL, CDPRATOPER = NULL"
      " WHERE CDFILIAL = '0002'");
  const char* valores[] = {"'03'", "'000301'", "'01'", "'000101'"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_TRUE(Recusada([&] { return Confirma(f); }, {padroes[i]}, true));
    Exec(std::string("UPDATE PARAMREQPRAT SET ") + padroes[i] + " = " + valores[i] + " WHERE CDFILIAL = '0002'");
  }

  // The operator's block of dish-type changes reaches the database.
  Ok(UserActions::Click(*form.dckBloqAlt), "bloquear alterações");
  Ok(Confirma(f), "confirmar");
  EXPECT_EQ(f.cdsServico->State(), DataSetState::Browse);
  EXPECT_EQ(Servico("0002", "00005", "NMSERVICO, IDUTRETIPRAT, IDBLOQALTPRA, CDPRODUTO"),
            (V{"Ceia", "S", "S", "1005"}));

  // Lifting it later is stored too.
  Menu(f, "mnuFormulario");
  Ok(UserActions::Click(*f.sbtAlterar), "alterar");
  Ok(UserActions::Click(*form.dckBloqAlt), "desbloquear alterações");
  Ok(Confirma(f), "confirmar");
  EXPECT_EQ(Servico("0002", "00005", "IDBLOQALTPRA"), V{"N"});
}

TEST_P(RegistroTest, AnErrorKeyOfTheRequisitionParametersIsShownWithItsText) {
  Exec("INSERT INTO FILIAL (CDFILIAL, NMFILIAL) VALUES ('0009', 'Unidade Temporária')");
  Exec("INSERT INTO FILIOPER (CDFILIAL, CDOPERADOR) VALUES ('0009', 'ADMIN')");
  Exec("INSERT INTO PARAMPLANEJA (CDFILIAL, QTDIASPLANEJ, QTDIASANTECREQ) VALUES ('0009', 10, 1)");
  auto& f = AbreFilial("0009");
  auto& form = f.Pagina<PagServico>();
  ASSERT_TRUE(f.cdsServico->IsEmpty());
  Inclui(f);
  Ok(DigitaESai(*form.dbeCdServFili, "5"), "código");
  // The branch is removed while the service is typed.
  Exec("DELETE FROM FILIAL WHERE CDFILIAL = '0009'");
  EXPECT_TRUE(Recusada([&] { return Confirma(f); }, {"Filial não cadastrada."}));
  EXPECT_EQ(f.cdsServico->State(), DataSetState::Insert);
  EXPECT_TRUE(CallsOf("UpdServico").empty());
}

TEST_P(RegistroTest, AStaleSaveShowsTheServersTextAndKeepsNothingHalfWritten) {
  auto& f = AbrePagina("0001", "00002", "mnuFormulario");
  auto& form = f.Pagina<PagServico>();
  Ok(UserActions::Click(*f.sbtAlterar), "alterar");
  Digita(*form.dbeNmFantasServ, "Jantar Noturno");
  Digita(*form.dbeHrEntrega, "2030");
  // Another connection changes the same service meanwhile.
  Exec("UPDATE SERVICO SET NMSERVICO = 'Jantar Executivo' WHERE CDFILIAL = '0001' AND CDSERVFILI = '00002'");
  EXPECT_EQ(Confirma(f).status, ActionResult::Status::Aborted);
  ASSERT_EQ(Texts().size(), 1u);
  EXPECT_NE(Texts()[0].find("alterado por outro usuário"), std::string::npos) << Texts()[0];
  EXPECT_EQ(f.cdsServico->State(), DataSetState::Browse);
  EXPECT_EQ(f.cdsServico->ChangeCount(), 0);
  EXPECT_EQ(Atual(f, "NMFANTASSERV"), "Jantar dos Turnos Noturnos") << "what the server refused is undone";
  EXPECT_EQ(Atual(f, "NMSERVICO"), "Jantar Executivo") << "the screen shows the stored record again";
  EXPECT_EQ(Servico("0001", "00002", "NMSERVICO, NMFANTASSERV, HRENTREGA"),
            (V{"Jantar Executivo", "Jantar dos Turnos Noturnos", "<null>"}));
  EXPECT_FALSE(progress().Visible());
}

// The code's lookup opens whatever the code holds (empty here, so leaving it would refuse) and
// lists only the standard services the branch does not have yet; the pick is then checked.
TEST_P(RegistroTest, TheCodeLookupOpensFirstAndListsTheFreeStandardServices) {
  auto& f = AbreFilial("0001");
  auto& form = f.Pagina<PagServico>();
  Inclui(f);
  ClearLogs();
  lookups().QueuePick({{"CDSERVPADR", Variant("00004")}});
  Ok(UserActions::Click(*form.btpServico), "pesquisa do código");
  EXPECT_TRUE(Texts().empty()) << Texts().front();
  EXPECT_TRUE(form.dbeCdServFili->Focused());
  std::vector<std::string> livres;
  for (f.qryServPadr->First(); !f.qryServPadr->Eof(); f.qryServPadr->Next())
    livres.push_back(f.qryServPadr->FieldByName("CDSERVPADR").AsString());
  EXPECT_EQ(livres, (V{"00004", "00005", "00010", "00011"}));
  EXPECT_EQ(Atual(f, "CDSERVFILI"), "00004");
  EXPECT_EQ(Atual(f, "NMSERVICO"), "Lanche da Tarde");
}

// "Peso p/ Custo" is a number kept as text: letters never reach it, however they come.
TEST_P(RegistroTest, TheCostWeightTakesOnlyDigits) {
  auto& f = AbrePagina("0001", "00002", "mnuFormulario");
  auto& form = f.Pagina<PagServico>();
  Ok(UserActions::Click(*f.sbtAlterar), "alterar");
  Digita(*form.dbePreco, "");
  Ok(UserActions::Type(*form.dbePreco, "a1b2"), "digitar o peso");
  EXPECT_EQ(form.dbePreco->Text(), "12");
  EXPECT_TRUE(UserActions::SetText(*form.dbePreco, "ab").refused());
  Ok(UserActions::Key(*form.dbePreco, "Tab"), "sair do peso");
  f.cdsServico->Edit();
  EXPECT_EQ(Consiste::AllTrim(f.cdsServico->FieldByName("VRPESOCUSTO").AsString()), "12");
  try {
    f.cdsServico->FieldByName("VRPESOCUSTO").SetAsString("ab");
    ADD_FAILURE() << "letters stored";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "'ab' não é um valor válido para Peso p/ Custo.");
  }
}

// Closing while altering asks first: Cancelar keeps the edit, Não drops it, Sim saves it.
TEST_P(RegistroTest, ClosingWhileAlteringAsksAndStoresOnlyWhatTheUserConfirms) {
  // Browsing every page leaves nothing pending: closing asks nothing.
  {
    auto& f = AbrePagina("0001", "00001", "mnuFormulario");
    for (const char* m : {"mnuConfCard", "mnuCustPadr", "mnuTurnos", "mnuComens", "mnuPontEntr", "mnuEmbalagens"})
      Menu(f, m);
    ClearLogs();
    Ok(UserActions::CloseForm(f), "fechar");
    EXPECT_TRUE(Keys().empty()) << Keys().front();
    EXPECT_EQ(OpenForms("TfrmCadastroServ"), 0);
  }
  for (int resposta : {mrCancel, mrNo, mrYes}) {
    SCOPED_TRACE(resposta);
    auto& f = AbrePagina("0001", "00002", "mnuFormulario");
    auto& form = f.Pagina<PagServico>();
    Ok(UserActions::Click(*f.sbtAlterar), "alterar");
    Digita(*form.dbeNmFantasServ, "Jantar Noturno");
    ClearLogs();
    dialogs().Answer(resposta);
    Ok(UserActions::CloseForm(f), "fechar");
    EXPECT_EQ(Keys(), std::vector<std::string>{"SalvarAlt"}) << "asked once, the cancel question included";
    EXPECT_EQ(OpenForms("TfrmCadastroServ"), resposta == mrCancel ? 1 : 0);
    EXPECT_EQ(Servico("0001", "00002", "NMFANTASSERV"),
              V{resposta == mrYes ? "Jantar Noturno" : "Jantar dos Turnos Noturnos"});
    if (resposta == mrCancel) {
      EXPECT_EQ(f.cdsServico->State(), DataSetState::Edit);
      dialogs().Answer(mrNo);
      Ok(UserActions::CloseForm(f), "fechar");
    }
  }
}

TEST_P(RegistroTest, AServiceWithBillingProductAndRouteIsIncludedAlteredAndDeleted) {
  auto& f = AbreFilial("0001");
  auto& form = f.Pagina<PagServico>();
  Inclui(f);
  Ok(DigitaESai(*form.dbeCdServFili, "5"), "código");
  lookups().QueuePick({{"CDGRUPSERV", Variant("001")}});
  Ok(UserActions::Click(*form.btnGrupServ), "pesquisa de grupo");
  EXPECT_EQ(Atual(f, "NMGRUPSERV"), "Refeições Principais");
  lookups().QueuePick({{"CDROTATRANS", Variant("000003")}});
  Ok(UserActions::Click(*form.btnRota), "pesquisa de rota");
  Digita(*form.dbeIniAtend, "1700");
  Digita(*form.dbePeriServDe, "1900");
  Digita(*form.dbePeriServAte, "2100");
  lookups().QueuePick({{"CDSERVFILI", Variant("00002")}});
  Ok(UserActions::Click(*form.btnServico), "pesquisa do serviço principal");
  EXPECT_EQ(form.edtNmServico->Text(), "Jantar");
  Ok(Confirma(f), "confirmar a inclusão");
  ASSERT_EQ(f.cdsServico->State(), DataSetState::Browse);
  EXPECT_FALSE(form.grbServFatu->Enabled()) << "a service billed through its main service has no equivalences";

  const char* campos =
      "NMSERVICO, CDPRODUTO, CDGRUPSERV, CDROTATRANS, HRINICATEN, HRENTREGA, CDSERVPREQUI, NMSERVICOREDU";
  EXPECT_EQ(Servico("0001", "00005", campos), (V{"Ceia", "1005", "001", "000003", "1700", "<null>", "00002", "Ceia"}));

  // Alter: another route typed, a delivery hour, no main service any more.
  Ok(UserActions::Click(*f.sbtAlterar), "alterar");
  Ok(DigitaESai(*form.dbeCdRota, "1"), "rota");
  EXPECT_EQ(Atual(f, "NMROTATRANS"), "Rota Centro - Av. Paulista");
  EXPECT_TRUE(Recusada([&] { return DigitaESai(*form.dbeCdRota, "99"); }, {"Rota_cad"}, true));
  Ok(DigitaESai(*form.dbeCdRota, "1"), "rota");
  Digita(*form.dbeHrEntrega, "1830");
  Digita(*form.medCdServico, "");
  Ok(Confirma(f), "confirmar a alteração");
  EXPECT_EQ(Servico("0001", "00005", campos), (V{"Ceia", "1005", "001", "000001", "1700", "1830", "<null>", "Ceia"}));
  EXPECT_TRUE(form.grbServFatu->Enabled());

  // Delete.
  dialogs().Answer(mrYes);
  Ok(UserActions::Click(*f.sbtExcluir), "excluir");
  EXPECT_TRUE(Servico("0001", "00005", "1").empty());
  EXPECT_EQ(f.cdsServico->RecordCount(), 4);
}

TEST_P(RegistroTest, BlockingFixedAndPerCapitaConsumptionAsksAndRemovesTheConsumptionProducts) {
  Exec("UPDATE SERVICO SET IDCONSSERVCA = 'S' WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001'");
  auto consumos = [&] {
    return Sql("SELECT COUNT(*) FROM CONSPRODSERV WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001'").rows[0][0].asInt();
  };
  ASSERT_EQ(consumos(), 3);
  auto& f = AbrePagina("0001", "00001", "mnuFormulario");
  auto& form = f.Pagina<PagServico>();
  Ok(UserActions::Click(*f.sbtAlterar), "alterar");

  // Unchecking "enabled" while altering tells at once what it means.
  ClearLogs();
  Ok(UserActions::Click(*form.dckUtilReqReti), "desmarcar habilitar");
  EXPECT_EQ(Keys(), std::vector<std::string>{"SERV_INATIVO"});
  Ok(UserActions::Click(*form.dckUtilReqReti), "marcar habilitar");

  ClearLogs();
  dialogs().Answer(mrNo);
  Ok(UserActions::Click(*form.dbkConFixPer), "bloquear consumo (não)");
  EXPECT_EQ(Keys(), std::vector<std::string>{"ExcluiProd"});
  EXPECT_EQ(Atual(f, "IDBLOQCONFIXPER"), "N");
  EXPECT_EQ(Atual(f, "IDCONSSERVCA"), "S");

  dialogs().Answer(mrYes);
  Ok(UserActions::Click(*form.dbkConFixPer), "bloquear consumo");
  EXPECT_EQ(Atual(f, "IDCONSSERVCA"), "N");
  EXPECT_EQ(consumos(), 3) << "nothing is removed before the confirm";
  Ok(Confirma(f), "confirmar");
  ASSERT_EQ(CallsOf("GetProdExcl").size(), 1u);
  EXPECT_EQ(CallsOf("GetProdExcl")[0].args,
            (VariantArray{Variant("0001"), Variant("00001"), Variant(DateTime::fromDate(2026, 12, 7))}));
  EXPECT_EQ(Methods().back(), "GetProdExcl") << "after the service was saved";
  EXPECT_EQ(consumos(), 0);
  EXPECT_EQ(Servico("0001", "00001", "IDBLOQCONFIXPER, IDCONSSERVCA"), (V{"S", "N"}));
}

TEST_P(RegistroTest, HospitalModulesShowTheKindAsTextAndCheckTheHospitalizationStandard) {
  session().ModuloAtiv = 10;
  auto& f = AbreFilial("0003");
  auto& form = f.Pagina<PagServico>();
  EXPECT_FALSE(form.dbeCdRota->Visible());
  EXPECT_TRUE(form.dbeCdPadInt->Visible());
  Seleciona(f, "00010");
  Menu(f, "mnuFormulario");
  EXPECT_EQ(form.dbcTipoServ->Text(), "Oral");
  Ok(UserActions::Click(*f.sbtAlterar), "alterar");
  Ok(UserActions::SelectIndex(*form.dbcTipoServ, 2), "lactário");
  EXPECT_EQ(Atual(f, "IDTPSERVHOSP"), "2");
  EXPECT_TRUE(Recusada([&] { return DigitaESai(*form.dbeCdPadInt, "9"); }, {"PadInt_NCad"}, true));
  EXPECT_FALSE(progress().Visible());
  Ok(DigitaESai(*form.dbeCdPadInt, "2"), "padrão de internação");
  EXPECT_EQ(Atual(f, "NMSERPADDIE"), "Apartamento");
  Ok(Confirma(f), "confirmar");
  EXPECT_EQ(Servico("0003", "00010", "IDTPSERVHOSP, CDSERPADDIE"), (V{"2", "002"}));
  EXPECT_EQ(form.dbcTipoServ->Text(), "Lactário");
}

TEST_P(RegistroTest, TheHospitalKindIsKeptOutsideTheHospitalModulesToo) {
  ASSERT_EQ(session().ModuloAtiv, 0);
  auto& f = AbrePagina("0001", "00001", "mnuFormulario");
  auto& form = f.Pagina<PagServico>();
  Ok(UserActions::Click(*f.sbtAlterar), "alterar");
  Ok(UserActions::SelectIndex(*form.dbcTipoServ, 0), "oral");
  EXPECT_EQ(Atual(f, "IDTPSERVHOSP"), "0");
  Ok(Confirma(f), "confirmar");
  EXPECT_EQ(form.dbcTipoServ->Text(), "Oral") << "the combo shows the stored kind";
  // A second post keeps it: the combo did not lose the kind.
  Ok(UserActions::Click(*f.sbtAlterar), "alterar");
  Ok(Confirma(f), "confirmar");
  EXPECT_EQ(Servico("0001", "00001", "IDTPSERVHOSP"), V{"0"});
}

TEST_P(RegistroTest, TheGroupFilterTakesLeadingZerosOfACodeThatFitsAndRefusesTheRest) {
  auto& f = Abre();
  struct Caso {
    const char* digitado;
    bool aceito;
    const char* mostrado;
  };
  for (const Caso& c : {Caso{"00001", true, "001"}, Caso{"1", true, "001"}, Caso{"00002", true, "002"},
                        Caso{"12345", false, "12345"}, Caso{"01234", false, "01234"}, Caso{"9", false, "009"}}) {
    SCOPED_TRACE(c.digitado);
    ActionResult r = DigitaESai(*f.edtCdGrupoFiltro, c.digitado);
    if (c.aceito) {
      Ok(r, "filtro de grupo");
      EXPECT_FALSE(f.edtNmGrupoFiltro->Text().empty());
    } else {
      EXPECT_EQ(r.status, ActionResult::Status::Aborted);
      EXPECT_EQ(Texts(), std::vector<std::string>{"Grupo de serviços não cadastrado."});
      EXPECT_TRUE(f.edtCdGrupoFiltro->Focused());
    }
    EXPECT_EQ(Consiste::AllTrim(f.edtCdGrupoFiltro->Text()), c.mostrado);
  }
  // The accepted code is the filter the list is loaded with (Enter leaves the panel as Tab does).
  Digita(*f.edtCdGrupoFiltro, "00001");
  Ok(UserActions::Key(*f.edtCdGrupoFiltro, "Enter"), "Enter no filtro");
  EXPECT_TRUE(f.dbgPadrao->Focused());
  ASSERT_FALSE(CallsOf("GetServico").empty());
  EXPECT_EQ(CallsOf("GetServico").back().args, (VariantArray{Variant("0001"), Variant("001")}));
}

CADSERV_SCREEN_SUITE(RegistroTest);

}  // namespace cad::test
