// Entry of the module and the branch panel: single instance, fixed-branch mode, the host's fixed
// branch, the branch typed or refused by the user, and the standard-cost authorization read at
// activation.
#include <gtest/gtest.h>

#include <initializer_list>
#include <set>
#include <string>
#include <vector>

#include "service_screen/pages/confcard.h"
#include "service_screen/pages/custpadr.h"
#include "tests/service_screen/cadastroserv_fixture.h"

namespace cad::test {

namespace {

class EntradaTest : public CadastroServTest {};

}  // namespace

TEST_P(EntradaTest, OneScreenWhateverTheEntryAndAMinimisedOneComesBack) {
  CallEntry("GER04100", "IniProc", {Variant()});
  CallEntry("GER04100", "CriaCadServico");
  EXPECT_EQ(OpenForms("TfrmCadastroServ"), 1);
  auto& f = Screen<TfrmCadastroServ>("TfrmCadastroServ");
  EXPECT_EQ(CallsOf("GetAutGrupACPS").size(), 1u) << "a second call does not activate the screen again";

  f.SetWindowState(TWindowState::wsMinimized);
  CallEntry("GER04100", "CriaCadServico");
  EXPECT_EQ(OpenForms("TfrmCadastroServ"), 1);
  EXPECT_EQ(f.WindowState(), TWindowState::wsNormal);

  // Closing frees the screen; the next call makes a fresh one.
  Ok(UserActions::CloseForm(f), "fechar");
  EXPECT_EQ(OpenForms("TfrmCadastroServ"), 0);
  EXPECT_EQ(frmCadastroServ, nullptr);
  ClearLogs();
  CallEntry("GER04100", "CriaCadServico");
  EXPECT_EQ(OpenForms("TfrmCadastroServ"), 1);
  EXPECT_EQ(CallsOf("GetAutGrupACPS").size(), 1u);
}

TEST_P(EntradaTest, TheHostsBranchIsOfferedAndLoadedWhenThePanelIsLeft) {
  auto& f = Abre();
  EXPECT_EQ(f.medCdFilial->Text(), "0001");
  EXPECT_EQ(f.edtNmFilial->Text(), "Central São Paulo");
  EXPECT_TRUE(f.medCdFilial->Enabled());
  EXPECT_FALSE(f.cdsServico->Active()) << "nothing is listed before the branch panel is left";
  // Not in standard-menu mode: % increase, variable and visible hidden, diners checked at 105.
  const TStringGrid& conf = *f.Pagina<PagConfCard>().stgCard;
  EXPECT_EQ(conf.ColWidths(6), -1);
  EXPECT_EQ(conf.ColWidths(9), 105);
  EXPECT_EQ(conf.ColWidths(12), -1);
  EXPECT_EQ(f.cdsServicoCDARVPROD->EditMask, session().DBPict(0));

  SaiPainel(f);
  ASSERT_TRUE(f.cdsServico->Active());
  EXPECT_EQ(f.cdsServico->RecordCount(), 4);
  ASSERT_EQ(CallsOf("GetServico").size(), 1u);
  EXPECT_EQ(CallsOf("GetServico")[0].args, (VariantArray{Variant("0001"), Variant("")}));
  EXPECT_FALSE(progress().Visible());
  EXPECT_TRUE(f.mnuIncluir->Enabled());
  EXPECT_FALSE(f.sbtConfirmar->Enabled());
  // Copy and print open side screens the module has: both offered while browsing.
  EXPECT_TRUE(f.mnuCopiar->Enabled());
  EXPECT_TRUE(f.mnuImprimir->Enabled());
  Menu(f, "mnuFormulario");
  Menu(f, "mnuComens");
  EXPECT_TRUE(f.sbtExportComens->Enabled()) << "a corporate service exports to the menu";
  EXPECT_FALSE(f.mnuExpComDiet->Enabled()) << "a corporate service has no diets";
}

TEST_P(EntradaTest, AnotherBranchIsTypedAndAnUnknownOneKeepsTheUserInTheField) {
  auto& f = Abre();
  Digita(*f.medCdFilial, "2");
  EXPECT_EQ(f.edtNmFilial->Text(), "") << "a changed code clears the name";
  EXPECT_FALSE(f.pgcPadrao->Enabled()) << "the services cannot be worked on until the branch is validated";
  Ok(UserActions::Key(*f.medCdFilial, "Tab"), "Tab");
  EXPECT_EQ(f.medCdFilial->Text(), "0002");
  EXPECT_EQ(f.edtNmFilial->Text(), "Unidade Campinas");
  SaiPainel(f);
  EXPECT_EQ(Atual(f, "CDFILIAL"), "0002");

  // Back in the panel: the list closes and only the list page stays.
  Ok(UserActions::Focus(*f.medCdFilial), "voltar à filial");
  EXPECT_FALSE(f.cdsServico->Active());
  EXPECT_FALSE(f.mnuFormulario->Enabled());
  EXPECT_FALSE(f.sbtIncluir->Enabled());
  EXPECT_FALSE(f.sbtCopiar->Enabled());

  ClearLogs();
  Digita(*f.medCdFilial, "9");
  EXPECT_EQ(UserActions::Key(*f.medCdFilial, "Tab").status, ActionResult::Status::Aborted);
  EXPECT_EQ(Texts(), std::vector<std::string>{"Filial não cadastrada."});
  EXPECT_TRUE(f.medCdFilial->Focused());
  EXPECT_TRUE(CallsOf("GetServico").empty());

  // The branch lookup lists every branch and shows the one picked.
  lookups().QueuePick({{"CDFILIAL", Variant("0003")}});
  Digita(*f.medCdFilial, "1");
  Ok(UserActions::Click(*f.btnFilial), "pesquisa de filial");
  EXPECT_EQ(f.qryFilial->RecordCount(), 3) << "all branches are offered";
  EXPECT_EQ(f.medCdFilial->Text(), "0003");
  EXPECT_EQ(f.edtNmFilial->Text(), "Hospital Santa Clara");

  // An operator without access to the branch is refused the same way.
  session().Operador = "JOAO";
  ClearLogs();
  Digita(*f.medCdFilial, "2");
  EXPECT_EQ(UserActions::Key(*f.medCdFilial, "Tab").status, ActionResult::Status::Aborted);
  EXPECT_EQ(Texts(), std::vector<std::string>{"Operador sem permissão para a filial."});
}

TEST_P(EntradaTest, EnterInTheBranchFieldLoadsTheListOrKeepsTheUserThereOnARefusal) {
  auto& f = Abre();
  Digita(*f.medCdFilial, "9");
  EXPECT_EQ(UserActions::Key(*f.medCdFilial, "Enter").status, ActionResult::Status::Aborted);
  EXPECT_EQ(Texts(), std::vector<std::string>{"Filial não cadastrada."});
  EXPECT_TRUE(f.medCdFilial->Focused());
  EXPECT_TRUE(CallsOf("GetServico").empty());

  Digita(*f.medCdFilial, "2");
  Ok(UserActions::Key(*f.medCdFilial, "Enter"), "Enter na filial");
  EXPECT_TRUE(f.dbgPadrao->Focused());
  EXPECT_EQ(f.edtNmFilial->Text(), "Unidade Campinas");
  ASSERT_EQ(CallsOf("GetServico").size(), 1u);
  EXPECT_EQ(CallsOf("GetServico")[0].args, (VariantArray{Variant("0002"), Variant("")}));
  EXPECT_EQ(Atual(f, "CDFILIAL"), "0002");
  EXPECT_TRUE(f.mnuIncluir->Enabled());
}

// The mode belongs to the entry that opens the screen: the normal entry after the read-only one
// (closed or still open) opens a screen that changes data, and the other way round.
TEST_P(EntradaTest, EachEntryOpensTheScreenInItsOwnMode) {
  auto& fixa = Abre(Variant("0001"));
  Ok(UserActions::CloseForm(fixa), "fechar");
  CallEntry("GER04100", "CriaCadServico");
  auto& normal = Screen<TfrmCadastroServ>("TfrmCadastroServ");
  EXPECT_FALSE(FilialFixa);
  EXPECT_TRUE(normal.medCdFilial->Enabled());
  SaiPainel(normal);
  EXPECT_TRUE(normal.sbtIncluir->Enabled());

  // Open in normal mode, the read-only entry replaces it, and the normal one brings it back.
  CallEntry("GER04100", "IniProc", {Variant("0001")});
  EXPECT_EQ(OpenForms("TfrmCadastroServ"), 1);
  auto& deNovo = Screen<TfrmCadastroServ>("TfrmCadastroServ");
  EXPECT_FALSE(deNovo.medCdFilial->Enabled());
  EXPECT_FALSE(deNovo.sbtIncluir->Enabled());
  CallEntry("GER04100", "CriaCadServico");
  EXPECT_EQ(OpenForms("TfrmCadastroServ"), 1);
  EXPECT_TRUE(Screen<TfrmCadastroServ>("TfrmCadastroServ").medCdFilial->Enabled());
}

// Fixed-branch mode lists the branch's services at once and, for every service type (branch 0001:
// corporate and billing only; 0003: hospital, outpatient and billing only) on every page it may
// enter, offers no command, lookup or editor that changes data (the billing grid is read-only and
// the include shortcut does nothing).
TEST_P(EntradaTest, FixedBranchModeNeverEnablesAChangeOnAnyTypeOrPage) {
  const char* const paginas[] = {"mnuFormulario", "mnuConfCard", "mnuCustPadr",  "mnuTurnos",
                                 "mnuComens",     "mnuPontEntr", "mnuEmbalagens"};
  std::set<std::string> tipos;
  for (const char* filial : {"0001", "0003"}) {
    auto& f = Abre(Variant(filial));
    EXPECT_TRUE(FilialFixa);
    EXPECT_EQ(f.medCdFilial->Text(), filial);
    EXPECT_FALSE(f.panFilial->Enabled());
    EXPECT_TRUE(f.sbtProcurar->Enabled());
    ASSERT_TRUE(f.cdsServico->Active()) << filial;
    std::vector<std::string> servicos;
    for (int i = 0; i < f.cdsServico->DisplayCount(); ++i)
      f.cdsServico->ReadRow(i, [&] { servicos.push_back(Atual(f, "CDSERVFILI")); });
    for (const std::string& servico : servicos) {
      Menu(f, "mnuFolhaDados");
      Seleciona(f, servico);
      std::string tipo = Atual(f, "IDTIPOSERV");
      tipos.insert(tipo);
      std::string onde = std::string(filial) + "/" + servico + " (" + tipo + ")";
      EXPECT_EQ(Alteravel(f), "") << onde << " lista";
      for (const char* pagina : paginas) {
        auto* item = dynamic_cast<TMenuItem*>(f.FindComponent(pagina));
        ASSERT_NE(item, nullptr) << pagina;
        if (!item->Enabled()) continue;
        Menu(f, pagina);
        EXPECT_EQ(Alteravel(f), "") << onde << " " << pagina;
      }
    }
    Menu(f, "mnuFolhaDados");
    UserActions::Key(*f.dbgPadrao, "F2");
    EXPECT_EQ(f.cdsServico->State(), DataSetState::Browse) << filial;
    Ok(UserActions::CloseForm(f), "fechar");
  }
  EXPECT_EQ(tipos, (std::set<std::string>{"A", "D", "F", "N"}));
}

TEST_P(EntradaTest, TheHostsFixedBranchDisablesAndTagsTheBranchFieldsAndListsAtOnce) {
  session().ModuFili = true;
  session().FiliProc = "0002";
  auto& f = Abre();
  EXPECT_FALSE(FilialFixa);
  EXPECT_EQ(f.medCdFilial->Text(), "0002");
  for (TControl* c : std::initializer_list<TControl*>{f.medCdFilial, f.btnFilial, f.lblFilial}) {
    EXPECT_FALSE(c->Enabled()) << c->Name();
    EXPECT_EQ(c->Tag(), 99) << c->Name();
  }
  ASSERT_TRUE(f.cdsServico->Active());
  EXPECT_EQ(f.cdsServico->RecordCount(), 2);
  EXPECT_TRUE(f.sbtIncluir->Enabled()) << "the host fixing its branch is not fixed-branch mode";

  // Editing and confirming a service does not bring the fixed branch fields back.
  Menu(f, "mnuFormulario");
  Ok(UserActions::Click(*f.sbtAlterar), "alterar");
  Ok(UserActions::Click(*f.sbtCancelar), "cancelar");  // no answer queued: the question is answered No
  dialogs().Answer(mrYes);
  Ok(UserActions::Click(*f.sbtCancelar), "cancelar");
  EXPECT_EQ(f.cdsServico->State(), DataSetState::Browse);
  EXPECT_FALSE(f.medCdFilial->Enabled());
  EXPECT_FALSE(f.btnFilial->Enabled());
}

// The cost grids of an operator outside the group are checked on the cost page (custpadr_test);
// here, the authorisation read at activation for the session's operator.
TEST_P(EntradaTest, TheCostAuthorisationIsReadForTheOperatorAndAnUnknownOneIsShown) {
  session().Operador = "JOAO";
  server().setOperator("JOAO");
  auto& f = Abre();
  EXPECT_EQ(CallsOf("GetAutGrupACPS").back().args, VariantArray{Variant("JOAO")});
  EXPECT_FALSE(f.Pagina<PagCustPadr>().dbgCustPadr->HasOption(goEditing));

  // An unknown operator: the server's text is shown and the screen stays usable.
  Ok(UserActions::CloseForm(f), "fechar");
  session().Operador = "NINGUEM";
  ClearLogs();
  CallEntry("GER04100", "IniProc", {Variant()});
  EXPECT_EQ(Texts(), std::vector<std::string>{"Operador NINGUEM não cadastrado."});
  EXPECT_FALSE(progress().Visible());
  EXPECT_EQ(OpenForms("TfrmCadastroServ"), 1);
}

CADSERV_SCREEN_SUITE(EntradaTest);

}  // namespace cad::test
