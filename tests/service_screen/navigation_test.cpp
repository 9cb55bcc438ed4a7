// Pages by service type, moving to another service (page correction, the main
// billed service and the billing group), and starting an include.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "tests/service_screen/cadastroserv_fixture.h"

namespace cad::test {

namespace {

class NavegacaoTest : public CadastroServTest {
 protected:
  // Which pages may be entered now, as the menu shows them (and the tab sheets agree).
  std::string Paginas(TfrmCadastroServ& f) {
    std::string out;
    const std::pair<TTabSheet*, TMenuItem*> pages[] = {
        {f.tshFolhaDados, f.mnuFolhaDados}, {f.tshFormulario, f.mnuFormulario}, {f.tshConfCard, f.mnuConfCard},
        {f.tshCustPadr, f.mnuCustPadr},     {f.tshTurnos, f.mnuTurnos},         {f.tshComensais, f.mnuComens},
        {f.tshPontEntr, f.mnuPontEntr},     {f.tshEmbalagens, f.mnuEmbalagens}};
    const char* letters = "LFCUTMPE";
    for (int i = 0; i < 8; ++i) {
      EXPECT_EQ(pages[i].first->Enabled(), pages[i].second->Enabled()) << pages[i].first->Name();
      out += pages[i].first->Enabled() ? letters[i] : '-';
    }
    return out;
  }

  void Proximo(TfrmCadastroServ& f) {
    Ok(UserActions::Navigate(*f.dbnPadrao, TNavigateBtn::nbNext), "próximo serviço");
  }

  // A hospital ("D") service before the corporate ones of branch 0001 and an outpatient ("A")
  // one after them: 00000 D, 00001..00003 N, 00004 A, 00090 F.
  void ServicosHospitalares() {
    Exec(
        "INSERT INTO SERVICO (CDFILIAL, CDSERVFILI, NMSERVICO, CDGRUPSERV, IDTIPOSERV, IDSERVTRAN, IDSERVATIV)"
        " VALUES ('0001', '00000', 'Dieta Hospitalar', '003', 'D', 'N', 'S'),"
        " ('0001', '00004', 'Ambulatório', '003', 'A', 'N', 'S')");
  }
};

}  // namespace

TEST_P(NavegacaoTest, PagesFollowTheServiceType) {
  auto& f = AbreFilial("0001");
  auto& form = f.Pagina<PagServico>();
  const std::map<std::string, std::string> expected{{"00001", "LFCUTMPE"},  // corporate and transported: packaging too
                                                    {"00002", "LFCUTMP-"},  // corporate
                                                    {"00003", "LFCUTMP-"},
                                                    {"00090", "LF------"}};  // billing only
  for (const auto& [code, pages] : expected) {
    Seleciona(f, code);
    EXPECT_EQ(Paginas(f), pages) << code;
  }
  Seleciona(f, "00090");
  EXPECT_TRUE(UserActions::SelectPage(*f.tshCustPadr).refused());

  Ok(UserActions::Focus(*f.medCdFilial), "voltar à filial");
  Digita(*f.medCdFilial, "3");
  SaiPainel(f);
  Seleciona(f, "00010");
  EXPECT_EQ(Paginas(f), "LFCU-M--") << "hospital";
  Seleciona(f, "00011");
  EXPECT_EQ(Paginas(f), "LFCU-M--") << "outpatient";
  Seleciona(f, "00091");
  EXPECT_EQ(Paginas(f), "LF------") << "billing only";
  EXPECT_FALSE(form.dbcTipoServ->Enabled());
  Seleciona(f, "00010");
  EXPECT_TRUE(form.dbcTipoServ->Enabled());
}

// The list has no title handler of its own: a title click sorts it by that column, a second one
// reverses it, and the selected service stays the current one.
TEST_P(NavegacaoTest, ATitleClickSortsTheListKeepingTheCurrentService) {
  auto& f = AbreFilial("0001");
  Seleciona(f, "00002");
  auto nomes = [&] {
    std::vector<std::string> out;
    for (int r = 1; r < f.dbgPadrao->RowCount(); ++r) out.push_back(f.dbgPadrao->ShownText(1, r));
    return out;
  };
  std::vector<std::string> crescente{"Almoço", "Desjejum", "Faturamento Refeições Metal.", "Jantar"};
  Ok(UserActions::TitleClick(*f.dbgPadrao, 1), "ordenar por nome");
  EXPECT_EQ(nomes(), crescente);
  EXPECT_EQ(Atual(f, "CDSERVFILI"), "00002");
  EXPECT_EQ(f.dbgPadrao->CurrentRow(), 4);
  Ok(UserActions::TitleClick(*f.dbgPadrao, 1), "inverter a ordem");
  EXPECT_EQ(nomes(), std::vector<std::string>(crescente.rbegin(), crescente.rend()));
  EXPECT_EQ(Atual(f, "CDSERVFILI"), "00002");
  EXPECT_EQ(f.dbgPadrao->CurrentRow(), 1);
}

TEST_P(NavegacaoTest, AnotherServiceCorrectsThePageToOneItsTypeHas) {
  ServicosHospitalares();
  auto& f = AbreFilial("0001");
  Seleciona(f, "00001");

  // Shifts page of a corporate service -> a hospital service lands on the standard-cost page.
  Menu(f, "mnuTurnos");
  ASSERT_EQ(f.pgcPadrao->ActivePage(), f.tshTurnos);
  Ok(UserActions::Navigate(*f.dbnPadrao, TNavigateBtn::nbPrior), "serviço anterior");
  EXPECT_EQ(Atual(f, "IDTIPOSERV"), "D");
  EXPECT_EQ(f.pgcPadrao->ActivePage(), f.tshCustPadr);
  EXPECT_TRUE(f.mnuCustPadr->Checked());

  // The same for an outpatient service, which has no shifts either.
  Proximo(f);
  Proximo(f);
  Proximo(f);
  ASSERT_EQ(Atual(f, "CDSERVFILI"), "00003");
  Menu(f, "mnuTurnos");
  Proximo(f);
  EXPECT_EQ(Atual(f, "IDTIPOSERV"), "A");
  EXPECT_EQ(f.pgcPadrao->ActivePage(), f.tshCustPadr);

  // Delivery points of a corporate service -> an outpatient service lands on the diners page.
  Ok(UserActions::Navigate(*f.dbnPadrao, TNavigateBtn::nbPrior), "serviço anterior");
  Menu(f, "mnuPontEntr");
  ASSERT_EQ(f.pgcPadrao->ActivePage(), f.tshPontEntr);
  Proximo(f);
  EXPECT_EQ(f.pgcPadrao->ActivePage(), f.tshComensais);

  // Any of those pages -> a billing-only service lands on the list with the list's commands.
  Proximo(f);
  EXPECT_EQ(Atual(f, "CDSERVFILI"), "00090");
  EXPECT_EQ(f.pgcPadrao->ActivePage(), f.tshFolhaDados);
  for (TMenuItem* m : {f.mnuIncluir, f.mnuAlterar, f.mnuExcluir, f.mnuProcurar, f.mnuVerificar})
    EXPECT_TRUE(m->Enabled()) << m->Name();
}

TEST_P(NavegacaoTest, TheMainBilledServiceAndTheBillingGroupFollowTheSelectedService) {
  Exec("UPDATE SERVICO SET IDVLRVARDATA = 'S' WHERE CDFILIAL = '0001' AND CDSERVFILI = '00002'");
  auto& f = AbreFilial("0001");
  auto& form = f.Pagina<PagServico>();
  Seleciona(f, "00003");
  EXPECT_EQ(form.medCdServico->Text(), "00001");
  EXPECT_EQ(form.edtNmServico->Text(), "Almoço");
  EXPECT_FALSE(form.grbServFatu->Enabled()) << "billed under its main service, not by equivalence";
  EXPECT_FALSE(form.dbFatServSep->Enabled());

  Menu(f, "mnuFormulario");
  ClearLogs();
  Ok(UserActions::Navigate(*f.dbnPadrao, TNavigateBtn::nbPrior), "serviço anterior");
  EXPECT_EQ(Atual(f, "CDSERVFILI"), "00002");
  EXPECT_EQ(form.edtNmServico->Text(), "");
  EXPECT_TRUE(form.grbServFatu->Enabled());
  EXPECT_TRUE(form.dbFatServSep->Enabled()) << "billing value varies by date";
  // The form page shows the billing services of the new service.
  ASSERT_EQ(CallsOf("GetServFatu").size(), 1u);
  ASSERT_EQ(form.cdsServFatu->RecordCount(), 1);
  EXPECT_EQ(form.cdsServFatu->FieldByName("CDSERVICFATURAM").AsString(), "00090");

  // The billing-only service: billing mode on the form.
  Ok(UserActions::Navigate(*f.dbnPadrao, TNavigateBtn::nbLast), "último serviço");
  EXPECT_EQ(Atual(f, "IDTIPOSERV"), "F");
  EXPECT_TRUE(form.medCdServico->Enabled());
  EXPECT_FALSE(form.dbeIniAtend->Enabled());
  EXPECT_FALSE(form.dbgServFatu->Enabled());
  EXPECT_TRUE(form.dbeNmFantasServ->Focused());
}

TEST_P(NavegacaoTest, ThePackagingPageIsLeftForAServiceThatIsNotTransported) {
  auto& f = AbrePagina("0001", "00001", "mnuEmbalagens");
  ASSERT_EQ(f.pgcPadrao->ActivePage(), f.tshEmbalagens);
  Proximo(f);
  EXPECT_EQ(f.pgcPadrao->ActivePage(), f.tshFolhaDados);
  EXPECT_FALSE(f.tshEmbalagens->Enabled());
}

TEST_P(NavegacaoTest, AnIncludeNeedsPlanningParametersAndStartsOnTheForm) {
  auto& f = AbreFilial("0003");
  auto& form = f.Pagina<PagServico>();
  EXPECT_EQ(UserActions::Click(*f.sbtIncluir).status, ActionResult::Status::Aborted);
  EXPECT_EQ(Texts(), std::vector<std::string>{
                         "Não há parametrização definida para a filial na tela \"Parâmetros de Planejamento\"."});
  EXPECT_EQ(Keys(), std::vector<std::string>{"N_PARAM_PLANEJA"});
  EXPECT_EQ(f.cdsServico->State(), DataSetState::Browse);
  EXPECT_EQ(f.pgcPadrao->ActivePage(), f.tshFolhaDados);

  Ok(UserActions::Focus(*f.medCdFilial), "voltar à filial");
  Digita(*f.medCdFilial, "1");
  SaiPainel(f);
  ClearLogs();
  Ok(UserActions::Click(*f.sbtIncluir), "incluir");
  EXPECT_TRUE(Texts().empty());
  ASSERT_EQ(f.cdsServico->State(), DataSetState::Insert);
  EXPECT_EQ(f.pgcPadrao->ActivePage(), f.tshFormulario);
  EXPECT_TRUE(form.dbeCdServFili->Focused());
  EXPECT_TRUE(form.drgTipoServ->Enabled());
  EXPECT_TRUE(form.btpServico->Visible()) << "service codes come from the standard services";
  EXPECT_FALSE(f.dbnPadrao->Enabled());
  EXPECT_FALSE(f.medCdFilial->Enabled()) << "the branch panel is closed while a service is edited";
  EXPECT_EQ(form.medCdServico->Text(), "");

  // Cancelling asks first; the list is back with its commands.
  dialogs().Answer(mrYes);
  Ok(UserActions::Click(*f.sbtCancelar), "cancelar");
  EXPECT_EQ(Keys(), std::vector<std::string>{"Canc"});
  EXPECT_EQ(f.cdsServico->RecordCount(), 4);
  EXPECT_TRUE(f.medCdFilial->Enabled());
  EXPECT_FALSE(form.drgTipoServ->Enabled());
}

TEST_P(NavegacaoTest, SearchListsTheServicesOrTheBillingServicesOfTheFocusedGrid) {
  auto& f = AbreFilial("0001");
  auto& form = f.Pagina<PagServico>();
  lookups().QueuePick({{"CDSERVFILI", Variant("00003")}});
  Ok(UserActions::Click(*f.sbtProcurar), "procurar");
  EXPECT_EQ(Atual(f, "CDSERVFILI"), "00003");
  EXPECT_FALSE(f.cdsServico->FieldByName("NMFANTASSERV").Visible) << "the fantasy name shows off the list page only";
  EXPECT_EQ(form.edtNmServico->Text(), "Almoço") << "the search is a move like any other";

  Ok(UserActions::Navigate(*f.dbnPadrao, TNavigateBtn::nbFirst), "primeiro serviço");
  Menu(f, "mnuFormulario");
  EXPECT_TRUE(f.cdsServico->FieldByName("NMFANTASSERV").Visible);
  Ok(UserActions::Focus(*form.dbgServFatu), "grade de faturamento");
  lookups().QueuePick({{"CDSERVICFATURAM", Variant("00090")}});
  Ok(UserActions::Click(*f.sbtProcurar), "procurar");
  EXPECT_EQ(lookups().Log().back().dataSet, "cdsServFatu");
  EXPECT_EQ(Atual(f, "CDSERVFILI"), "00001");
}

CADSERV_SCREEN_SUITE(NavegacaoTest);

}  // namespace cad::test
