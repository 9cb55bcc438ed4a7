// The standard-cost page of service 0001/00001 (processing month 12/2026): the sum check with its
// locale-formatted text keeping the cursor on the month, the proportional split with its remainder
// on the last row, the reference date of a new month, the processing-month lock, an operator
// outside the authorised group (and the server refusing the write), and the month deletion
// (refused under a planned menu; the last month reloading the service), checked in the database.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "service_screen/pages/custpadr.h"
#include "tests/service_screen/cadastroserv_fixture.h"

namespace cad::test {

namespace {

class CustPadrTest : public CadastroServTest {
 protected:
  // Replaces a month of 0001/00001 (yyyy-mm-01) with its cost and dish types 01, 02, 03...
  void Mes(const std::string& mes, double custo, const std::vector<double>& tipos) {
    Exec("DELETE FROM CUSTPADRTP WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001' AND DTREFCUSPADR = :M", {{"M", mes}});
    Exec("UPDATE CUSTPADR SET VRCUSTPADR = :V WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001' AND DTREFCUSPADR = :M",
         {{"V", custo}, {"M", mes}});
    for (size_t i = 0; i < tipos.size(); ++i)
      Exec(
          "INSERT INTO CUSTPADRTP (CDFILIAL, CDSERVFILI, DTREFCUSPADR, CDTIPOPRAT, VRCUSTPADRTP)"
          " VALUES ('0001', '00001', :M, :T, :V)",
          {{"M", mes}, {"T", "0" + std::to_string(i + 1)}, {"V", tipos[i]}});
  }
  static PagCustPadr& Custo(TfrmCadastroServ& f) { return f.Pagina<PagCustPadr>(); }
  TfrmCadastroServ& Pagina(const std::string& servico = "00001") { return AbrePagina("0001", servico, "mnuCustPadr"); }
  void Linha(TfrmCadastroServ& f, int linha) {
    Ok(UserActions::SelectCell(*Custo(f).dbgCustPadr, 1, linha), "mês da linha " + std::to_string(linha));
  }
  // Types over the month's cost.
  void Valor(TfrmCadastroServ& f, const std::string& texto) {
    Ok(UserActions::SelectCell(*Custo(f).dbgCustPadr, 1, Custo(f).dbgCustPadr->CurrentRow()), "célula do valor");
    Ok(UserActions::Key(*Custo(f).dbgCustPadr, "Delete"), "apagar o valor");
    Ok(UserActions::Type(*Custo(f).dbgCustPadr, texto), "digitar o valor");
  }
  std::vector<double> Tipos(const std::string& mes) {
    std::vector<double> v;
    for (const auto& r : Sql("SELECT VRCUSTPADRTP FROM CUSTPADRTP WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001'"
                             " AND DTREFCUSPADR = :M ORDER BY CDTIPOPRAT",
                             {{"M", mes}})
                             .rows)
      v.push_back(r[0].asFloat());
    return v;
  }
  static std::string Mostrado(TfrmCadastroServ& f) {
    return Custo(f).cdsCustPadr->FieldByName("STMESREFER").AsString();
  }
};

}  // namespace

TEST_P(CustPadrTest, TheSumCheckShowsSumAndDifferenceAndKeepsTheMonth) {
  Mes("2027-01-01", 10, {3.3333, 3.3333, 3.3333});
  auto& f = Pagina();
  auto& pag = Custo(f);
  ASSERT_EQ(Mostrado(f), "09/2026");
  // A month before the processing month with mismatching costs passes; 01/2027 does not.
  Mes("2026-09-01", 99, {1});
  Linha(f, 5);
  EXPECT_EQ(pag.cdsCustPadrTp->RecordCount(), 3);
  ClearLogs();
  EXPECT_EQ(UserActions::SelectCell(*pag.dbgCustPadr, 1, 6).status, ActionResult::Status::Aborted);
  ASSERT_EQ(Texts().size(), 1u);
  EXPECT_NE(Texts()[0].find("(9,99990)"), std::string::npos) << Texts()[0];
  EXPECT_NE(Texts()[0].find("Diferença: 0,00010"), std::string::npos) << Texts()[0];
  EXPECT_EQ(Mostrado(f), "01/2027");
  // Leaving the page is refused the same way.
  Ok(UserActions::MenuItem(f, "mnuFolhaDados"), "página da lista");
  EXPECT_EQ(f.pgcPadrao->ActivePage(), f.tshCustPadr);
  EXPECT_EQ(Keys(), (std::vector<std::string>{"soma_dif", "soma_dif"}));
}

TEST_P(CustPadrTest, AChangedCostSplitsItsDishTypesInProportion) {
  struct Caso {
    double antes;
    std::vector<double> tipos;
    const char* novo;
    std::vector<double> depois;
  };
  const std::vector<Caso> casos{
      {100, {50, 30, 20}, "150", {75, 45, 30}},
      {100, {33.33333, 33.33333, 33.33334}, "200", {66.66666, 66.66666, 66.66668}},
      {0, {0, 0, 0}, "5", {0, 0, 5}},  // an old cost of 0 gives the whole to the last row
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.novo);
    Mes("2027-02-01", c.antes, c.tipos);
    auto& f = Pagina();
    Linha(f, 6);
    Ok(UserActions::Click(*f.sbtAlterar), "alterar");
    Valor(f, c.novo);
    dialogs().Answer(mrYes);
    Ok(UserActions::Click(*f.sbtConfirmar), "confirmar");
    EXPECT_EQ(Keys().back(), "alteraproporcional");
    std::vector<double> gravados = Tipos("2027-02-01");
    ASSERT_EQ(gravados.size(), c.depois.size());
    for (size_t i = 0; i < gravados.size(); ++i) EXPECT_NEAR(gravados[i], c.depois[i], 1e-9) << i;
    EXPECT_NEAR(Sql("SELECT VRCUSTPADR FROM CUSTPADR WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001'"
                    " AND DTREFCUSPADR = '2027-02-01'")
                    .rows[0][0]
                    .asFloat(),
                std::stod(c.novo), 1e-9);
    Ok(UserActions::CloseForm(f), "fechar");
  }
}

TEST_P(CustPadrTest, ANewMonthFollowsTheLatestAndNeverPrecedesTheProcessingMonth) {
  struct Caso {
    const char* ultimo;  // latest stored month, "" for none
    const char* processamento;
    const char* novo;
  };
  const std::vector<Caso> casos{
      {"2024-12-01", "2025-03-07", "03/2025"},
      {"2025-05-01", "2025-03-07", "06/2025"},
      {"2025-12-01", "2025-03-07", "01/2026"},
      {"", "2099-03-07", "03/2099"},  // none stored: this month, or the later processing month
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.novo);
    Exec("DELETE FROM CUSTPADRTP WHERE CDFILIAL = '0001' AND CDSERVFILI = '00002'");
    Exec("DELETE FROM CUSTPADR WHERE CDFILIAL = '0001' AND CDSERVFILI = '00002'");
    if (*c.ultimo)
      Exec("INSERT INTO CUSTPADR (CDFILIAL, CDSERVFILI, DTREFCUSPADR, VRCUSTPADR) VALUES ('0001', '00002', :M, 7)",
           {{"M", std::string(c.ultimo)}});
    session().SetDataProc("0001", *DateTime::parseIso(c.processamento));
    auto& f = Pagina("00002");
    auto& pag = Custo(f);
    Ok(UserActions::Focus(*pag.dbgCustPadr), "grade dos meses");
    Ok(UserActions::Click(*f.sbtIncluir), "incluir mês");
    EXPECT_EQ(Mostrado(f), c.novo);
    // Posting without a value is refused; a value of 0 too.
    ClearLogs();
    EXPECT_EQ(UserActions::Click(*f.sbtConfirmar).status, ActionResult::Status::Aborted);
    Valor(f, "0");
    EXPECT_EQ(UserActions::Click(*f.sbtConfirmar).status, ActionResult::Status::Aborted);
    EXPECT_EQ(Keys(), (std::vector<std::string>{"Valor_inf", "CUST_ZERO"}));
    Valor(f, "12,5");
    Ok(UserActions::Click(*f.sbtConfirmar), "confirmar");
    EXPECT_EQ(
        Sql("SELECT COUNT(*) FROM CUSTPADR WHERE CDFILIAL = '0001' AND CDSERVFILI = '00002' AND VRCUSTPADR = 12.5")
            .rows[0][0]
            .asInt(),
        1);
    Ok(UserActions::CloseForm(f), "fechar");
  }
}

TEST_P(CustPadrTest, MonthsBeforeTheProcessingMonthAreReadOnly) {
  auto& f = Pagina();
  auto& pag = Custo(f);
  Linha(f, 1);  // 09/2026
  Ok(UserActions::Focus(*pag.dbgCustPadr), "grade dos meses");
  EXPECT_FALSE(f.mnuAlterar->Enabled());
  EXPECT_FALSE(f.mnuExcluir->Enabled());
  Ok(UserActions::Type(*pag.dbgCustPadr, "9"), "digitar");
  EXPECT_EQ(pag.cdsCustPadr->State(), DataSetState::Browse);
  Ok(UserActions::Focus(*pag.dbgCustPadrTp), "grade dos tipos");
  EXPECT_FALSE(pag.dbgCustPadrTp->HasOption(goEditing));
  Linha(f, 4);  // 12/2026
  EXPECT_TRUE(f.mnuAlterar->Enabled());
  EXPECT_TRUE(f.mnuCadaAuto->Enabled()) << "the module has the automatic maintenance";
}

TEST_P(CustPadrTest, AnOperatorOutsideTheGroupOnlyReadsAndTheServerRefusesTheWrite) {
  session().Operador = "JOAO";
  server().setOperator("JOAO");
  auto& f = Pagina();
  auto& pag = Custo(f);
  EXPECT_FALSE(pag.dbgCustPadr->HasOption(goEditing));
  EXPECT_FALSE(pag.dbgCustPadrTp->HasOption(goEditing));
  for (TMenuItem* m : {f.mnuIncluir, f.mnuAlterar, f.mnuExcluir, f.mnuConfirmar, f.mnuCadaAuto})
    EXPECT_FALSE(m->Enabled()) << m->Name();
  // Whatever a client sends, the server keeps the month, and the screen shows it again.
  pag.cdsCustPadr->Last();
  pag.cdsCustPadr->Edit();
  pag.cdsCustPadr->FieldByName("VRCUSTPADR").SetAsFloat(1);
  ClearLogs();
  EXPECT_THROW(pag.cdsCustPadr->Post(), EAbort);
  EXPECT_EQ(Texts(),
            std::vector<std::string>{"O operador JOAO não pertence ao grupo autorizado a manter custos padrão."});
  EXPECT_DOUBLE_EQ(pag.cdsCustPadr->FieldByName("VRCUSTPADR").AsFloat(), 20.35);
  EXPECT_DOUBLE_EQ(Sql("SELECT VRCUSTPADR FROM CUSTPADR WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001'"
                       " AND DTREFCUSPADR = '2027-02-01'")
                       .rows[0][0]
                       .asFloat(),
                   20.35);
}

TEST_P(CustPadrTest, DeletingAMonthWithAPlannedMenuIsRefusedAndTheLastMonthReloadsTheService) {
  auto& f = Pagina();
  auto& pag = Custo(f);
  Linha(f, 4);  // 12/2026 has menus planned
  Ok(UserActions::Focus(*pag.dbgCustPadr), "grade dos meses");
  EXPECT_TRUE(Recusada([&] { return UserActions::Click(*f.sbtExcluir); }, {"EXISTE_CARD"}, true));
  EXPECT_EQ(Sql("SELECT COUNT(*) FROM CUSTPADR WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001'").rows[0][0].asInt(),
            6);

  // 0001/00002: one month left after 11/2026 and 12/2026 go.
  Exec("DELETE FROM CUSTPADR WHERE CDFILIAL = '0001' AND CDSERVFILI = '00002' AND DTREFCUSPADR <> '2027-01-01'");
  Menu(f, "mnuFolhaDados");
  Seleciona(f, "00002");
  Menu(f, "mnuCustPadr");
  ASSERT_EQ(pag.cdsCustPadr->RecordCount(), 1);
  Ok(UserActions::Focus(*pag.dbgCustPadr), "grade dos meses");
  ClearLogs();
  dialogs().Answer(mrYes);
  Ok(UserActions::Click(*f.sbtExcluir), "excluir o mês");
  EXPECT_EQ(Sql("SELECT COUNT(*) FROM CUSTPADR WHERE CDFILIAL = '0001' AND CDSERVFILI = '00002'").rows[0][0].asInt(),
            0);
  EXPECT_FALSE(CallsOf("GetCustPadr").empty()) << "the verify command reloads the page";
  EXPECT_FALSE(f.mnuExcluir->Enabled());
}

TEST_P(CustPadrTest, DishTypeRowsAreCheckedAndSentWhenTheirGridIsLeft) {
  Mes("2027-01-01", 10, {4, 6});
  auto& f = Pagina();
  auto& pag = Custo(f);
  Linha(f, 5);
  Ok(UserActions::Focus(*pag.dbgCustPadrTp), "grade dos tipos");
  ASSERT_TRUE(pag.dbgCustPadrTp->HasOption(goEditing));
  auto novo = [&](const std::string& codigo, const std::string& valor) {
    Ok(UserActions::Click(*f.sbtIncluir), "incluir tipo");
    Ok(UserActions::Type(*pag.dbgCustPadrTp, codigo), "código");
    ActionResult r = UserActions::Key(*pag.dbgCustPadrTp, "Tab");
    if (r.status != ActionResult::Status::Ok) return r;
    Ok(UserActions::Type(*pag.dbgCustPadrTp, valor), "valor");
    return UserActions::Click(*f.sbtConfirmar);
  };
  auto cancela = [&] {
    dialogs().Answer(mrYes);
    Ok(UserActions::Click(*f.sbtCancelar), "cancelar");
  };
  ClearLogs();
  EXPECT_EQ(novo("1", "1").status, ActionResult::Status::Aborted);  // "1" is "01", already there
  cancela();
  EXPECT_EQ(novo("99", "1").status, ActionResult::Status::Aborted);
  cancela();
  EXPECT_EQ(Keys(), (std::vector<std::string>{"TPPRATO_J_CAD", "Canc", "TPPRATO_N_CAD", "Canc"}));
  // A negative cost cannot be typed (the minus is refused as typed); 0 is accepted and the rows
  // go when the grid is left.
  Ok(UserActions::Click(*f.sbtIncluir), "incluir tipo");
  Ok(UserActions::Type(*pag.dbgCustPadrTp, "3"), "código");
  Ok(UserActions::Key(*pag.dbgCustPadrTp, "Tab"), "valor");
  Ok(UserActions::Type(*pag.dbgCustPadrTp, "-1"), "valor negativo");
  EXPECT_EQ(pag.dbgCustPadrTp->EditorText(), "1");
  cancela();
  Ok(UserActions::Key(*pag.dbgCustPadrTp, "Delete"), "Delete não exclui");
  EXPECT_EQ(pag.cdsCustPadrTp->RecordCount(), 2);
  Ok(novo("3", "0"), "tipo 03 com custo 0");
  Ok(UserActions::Focus(*pag.dbgCustPadr), "sair da grade dos tipos");
  EXPECT_EQ(pag.cdsCustPadrTp->ChangeCount(), 0);
  EXPECT_EQ(Tipos("2027-01-01"), (std::vector<double>{4, 6, 0}));
  // The lookup fills a new row's code and name.
  lookups().QueuePick({{"CDTIPOPRAT", Variant("08")}});
  Ok(UserActions::Focus(*pag.dbgCustPadrTp), "grade dos tipos");
  Ok(UserActions::Click(*f.sbtIncluir), "incluir tipo");
  Ok(UserActions::EditButtonClick(*pag.dbgCustPadrTp), "pesquisa de tipos de prato");
  EXPECT_EQ(pag.cdsCustPadrTp->FieldByName("NMTIPOPRAT").AsString(), "Sopa");
  Ok(UserActions::SelectCell(*pag.dbgCustPadrTp, 1, pag.dbgCustPadrTp->CurrentRow()), "valor");
  Ok(UserActions::Type(*pag.dbgCustPadrTp, "0"), "valor");
  Ok(UserActions::Click(*f.sbtConfirmar), "confirmar");
  EXPECT_EQ(Tipos("2027-01-01"), (std::vector<double>{4, 6, 0, 0}));
}

TEST_P(CustPadrTest, PendingDishTypeCostsKeepTheServiceFromChanging) {
  Mes("2027-01-01", 10, {4, 6});
  auto& f = Pagina();
  auto& pag = Custo(f);
  Linha(f, 5);
  ASSERT_TRUE(f.dbnPadrao->Enabled());
  auto digita = [&](int linha, const std::string& valor) {
    Ok(UserActions::SelectCell(*pag.dbgCustPadrTp, 1, linha), "custo do tipo");
    Ok(UserActions::Key(*pag.dbgCustPadrTp, "Delete"), "apagar o custo");
    Ok(UserActions::Type(*pag.dbgCustPadrTp, valor), "digitar o custo");
  };
  digita(1, "5");
  EXPECT_FALSE(f.dbnPadrao->Enabled()) << "a dish-type cost is being edited";
  digita(2, "5");  // row 1 is posted locally and waits to be sent with row 2
  ASSERT_GT(pag.cdsCustPadrTp->ChangeCount(), 0);
  EXPECT_FALSE(f.dbnPadrao->Enabled());
  EXPECT_FALSE(f.medCdFilial->Enabled());
  EXPECT_TRUE(UserActions::Navigate(*f.dbnPadrao, TNavigateBtn::nbNext).refused());
  // Confirm sends the split, which adds up; then the service may change again.
  Ok(UserActions::Click(*f.sbtConfirmar), "confirmar");
  EXPECT_EQ(Tipos("2027-01-01"), (std::vector<double>{5, 5}));
  EXPECT_TRUE(f.dbnPadrao->Enabled());
}

// (The read-only grids and the commands offered in fixed-branch mode are entry_test's.)
TEST_P(CustPadrTest, FixedBranchModeVerifiesAndTheKeysMoveBetweenTheGrids) {
  auto& f = Abre(Variant("0001"));
  auto& pag = Custo(f);
  Seleciona(f, "00001");
  Menu(f, "mnuCustPadr");
  EXPECT_TRUE(f.mnuVerificar->Enabled());
  Ok(UserActions::Focus(*pag.dbgCustPadr), "grade dos meses");
  ClearLogs();
  Ok(UserActions::Click(*f.sbtVerificar), "verificar");
  EXPECT_EQ(CallsOf("GetCustPadr").size(), 1u);
  EXPECT_EQ(pag.cdsCustPadrTp->RecordCount(), 7) << "the dish types of the current month only";
  Ok(UserActions::Key(*pag.dbgCustPadr, "Ctrl+Delete"), "Ctrl+Delete");
  EXPECT_EQ(pag.cdsCustPadr->RecordCount(), 6);
  Ok(UserActions::Key(*pag.dbgCustPadr, "Alt+PageDown"), "Alt+PageDown");
  EXPECT_TRUE(pag.dbgCustPadrTp->Focused());
  Ok(UserActions::Key(*pag.dbgCustPadrTp, "Alt+PageUp"), "Alt+PageUp");
  EXPECT_TRUE(pag.dbgCustPadr->Focused());
  EXPECT_TRUE(Texts().empty()) << Texts()[0];
}

CADSERV_SCREEN_SUITE(CustPadrTest);

}  // namespace cad::test
