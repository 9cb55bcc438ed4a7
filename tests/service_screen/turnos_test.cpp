// The shifts page and the "Default" estimated diners: the code of a new shift, the first shift
// carrying the service's totals, shift saves moving the service's totals and categories, new
// totals spread onto the shifts by the diners page's confirm, the shift-count rule on every way
// out, deletion of the highest code only, and the diner editors' totals and typing filter.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "service_screen/pages/comensais.h"
#include "service_screen/pages/turnos.h"
#include "tests/service_screen/cadastroserv_fixture.h"

namespace cad::test {

namespace {

class TurnosTest : public CadastroServTest {
 protected:
  // Service 0001/00002 ("Jantar") with Monday's total and categories, and its shifts' Mondays.
  void Jantar(double total, double clientes, double funcionarios, double doacoes, const std::vector<double>& turnos) {
    Exec(
        "UPDATE SERVICO SET QTCOMESTISEG = :T, QTCLIESTISEG = :C, QTFUNESTISEG = :F, QTDOAESTISEG = :D"
        " WHERE CDFILIAL = '0001' AND CDSERVFILI = '00002'",
        {{"T", total}, {"C", clientes}, {"F", funcionarios}, {"D", doacoes}});
    Exec("DELETE FROM TURNOSERV WHERE CDFILIAL = '0001' AND CDSERVFILI = '00002'");
    for (size_t i = 0; i < turnos.size(); ++i)
      Exec(
          "INSERT INTO TURNOSERV (CDFILIAL, CDSERVFILI, CDTURNO, NMTURNO, QTCOMESTTSEG) VALUES ('0001', '00002', :C, "
          ":N, :S)",
          {{"C", std::to_string(i + 1)}, {"N", "Turno " + std::to_string(i + 1)}, {"S", turnos[i]}});
  }
  TfrmCadastroServ& Pagina(const char* menu) { return AbrePagina("0001", "00002", menu); }
  // Clicks a shift's cell and types over it.
  void Celula(TfrmCadastroServ& f, int linha, const char* campo, const std::string& texto) {
    TDBGrid& grade = *f.Pagina<PagTurnos>().dbgTurno;
    int coluna = 0;
    while (grade.Columns(coluna).FieldName != campo) ++coluna;
    Ok(UserActions::SelectCell(grade, coluna, linha), std::string("célula ") + campo);
    Ok(UserActions::Key(grade, "Delete"), "apagar a célula");
    Ok(UserActions::Type(grade, texto), std::string("digitar em ") + campo);
  }
  std::vector<double> Segundas() {
    std::vector<double> v;
    for (const auto& r : Sql("SELECT QTCOMESTTSEG FROM TURNOSERV WHERE CDFILIAL = '0001' AND CDSERVFILI = '00002'"
                             " ORDER BY CDTURNO")
                             .rows)
      v.push_back(r[0].asFloat());
    return v;
  }
  // Monday's total, clients, employees and donations of the stored service.
  std::vector<double> Servico() {
    auto r = Sql("SELECT QTCOMESTISEG, QTCLIESTISEG, QTFUNESTISEG, QTDOAESTISEG FROM SERVICO"
                 " WHERE CDFILIAL = '0001' AND CDSERVFILI = '00002'")
                 .rows.at(0);
    return {r[0].asFloat(), r[1].asFloat(), r[2].asFloat(), r[3].asFloat()};
  }
  static std::string Turno(TfrmCadastroServ& f, const char* campo) {
    return f.Pagina<PagTurnos>().cdsTurno->FieldByName(campo).AsString();
  }
};

}  // namespace

TEST_P(TurnosTest, ANewShiftTakesTheLowestFreeCodeAndOnlyTheHighestCodeIsDeleted) {
  Jantar(130, 120, 10, 0, {80, 50});
  Exec("UPDATE TURNOSERV SET CDTURNO = '3' WHERE CDFILIAL = '0001' AND CDSERVFILI = '00002' AND CDTURNO = '2'");
  auto& f = Pagina("mnuTurnos");
  auto& t = f.Pagina<PagTurnos>();
  ASSERT_EQ(t.cdsTurno->RecordCount(), 2);

  // Only the row of the highest code offers deletion.
  Ok(UserActions::SelectCell(*t.dbgTurno, 1, 1), "turno 1");
  EXPECT_FALSE(f.sbtExcluir->Enabled());
  Ok(UserActions::SelectCell(*t.dbgTurno, 1, 2), "turno 3");
  EXPECT_TRUE(f.sbtExcluir->Enabled());

  Ok(UserActions::Click(*f.sbtIncluir), "incluir turno");
  ASSERT_EQ(t.cdsTurno->State(), DataSetState::Insert);
  EXPECT_EQ(Turno(f, "CDTURNO"), "2");
  EXPECT_FALSE(f.tshFolhaDados->Enabled()) << "no other page while a shift is typed";

  // A name is required, and no day goes below zero.
  EXPECT_TRUE(Recusada([&] { return UserActions::Click(*f.sbtConfirmar); }, {"Nome deve ser informado."}));
  Ok(UserActions::Type(*t.dbgTurno, "Ceia"), "nome");
  Ok(UserActions::Key(*t.dbgTurno, "Tab"), "segunda-feira");
  ClearLogs();
  Ok(UserActions::Type(*t.dbgTurno, "-5"), "quantidade negativa");
  EXPECT_EQ(t.dbgTurno->EditorText(), "5") << "the minus is refused as typed";
  Ok(UserActions::Key(*t.dbgTurno, "Backspace"), "apagar");
  Ok(UserActions::Type(*t.dbgTurno, "20"), "quantidade");
  Ok(UserActions::Click(*f.sbtConfirmar), "confirmar");
  EXPECT_EQ(Segundas(), (std::vector<double>{80, 20, 50}));
  EXPECT_EQ(Servico(), (std::vector<double>{150, 140, 10, 0})) << "the shift sum became the service's total";

  // Deleting the highest code (3) brings the include back; code 1 can never be deleted first.
  Ok(UserActions::SelectCell(*t.dbgTurno, 1, 3), "turno 3");
  dialogs().Answer(mrYes);
  Ok(UserActions::Click(*f.sbtExcluir), "excluir");
  EXPECT_EQ(Segundas(), (std::vector<double>{80, 20}));
  EXPECT_EQ(f.panStMensagem->Caption(), "Registro excluído.") << "a page's delete is reported like the list's";
  EXPECT_TRUE(f.sbtIncluir->Enabled());
  EXPECT_EQ(Servico()[0], 100);
}

TEST_P(TurnosTest, TheFirstShiftCarriesTheServicesTotalsAndOneShiftAloneNeverLeavesThePage) {
  Jantar(130, 120, 10, 0, {});
  auto& f = Pagina("mnuTurnos");
  auto& t = f.Pagina<PagTurnos>();
  EXPECT_FALSE(f.sbtAlterar->Enabled());
  // An empty grid starts no row by itself.
  Ok(UserActions::Focus(*t.dbgTurno), "grade");
  Ok(UserActions::Key(*t.dbgTurno, "Down"), "seta");
  Ok(UserActions::Type(*t.dbgTurno, "x"), "digitar");
  EXPECT_EQ(t.cdsTurno->State(), DataSetState::Browse);

  Ok(UserActions::Click(*f.sbtIncluir), "incluir turno");
  Ok(UserActions::Type(*t.dbgTurno, "Único"), "nome");
  Ok(UserActions::Click(*f.sbtConfirmar), "confirmar");
  auto rs =
      Sql("SELECT CDTURNO, QTCOMESTTSEG, QTCOMESTTSAB, QTCOMESTTFER FROM TURNOSERV"
          " WHERE CDFILIAL = '0001' AND CDSERVFILI = '00002'");
  ASSERT_EQ(rs.rows.size(), 1u);
  EXPECT_EQ(rs.rows[0][0].asString(), "1");
  EXPECT_EQ((std::vector<double>{rs.rows[0][1].asFloat(), rs.rows[0][2].asFloat(), rs.rows[0][3].asFloat()}),
            (std::vector<double>{130, 70, 40}));

  // One shift: refused on leaving the grid, the page, the service and the screen.
  // The refusal is shown and the user stays where he was (a refused page change is not an error).
  auto recusado = [&](ActionResult r, const char* what) {
    EXPECT_NE(r.status, ActionResult::Status::Failed) << what;
    EXPECT_EQ(Texts(), std::vector<std::string>{"Quantidade de turnos por serviço deve estar entre 2 e 4."}) << what;
    EXPECT_EQ(f.pgcPadrao->ActivePage(), f.tshTurnos) << what;
    ClearLogs();
  };
  ClearLogs();
  recusado(UserActions::Focus(*f.edtCdGrupoFiltro), "sair da grade");
  EXPECT_TRUE(t.dbgTurno->Focused());
  recusado(UserActions::MenuItem(f, "mnuFolhaDados"), "sair da página");
  recusado(UserActions::Navigate(*f.dbnPadrao, TNavigateBtn::nbNext), "outro serviço");
  EXPECT_EQ(Atual(f, "CDSERVFILI"), "00002");
  recusado(UserActions::CloseForm(f), "fechar a tela");
  EXPECT_EQ(OpenForms("TfrmCadastroServ"), 1);

  // With no shift the page may be left.
  dialogs().Answer(mrYes);
  Ok(UserActions::Click(*f.sbtExcluir), "excluir o turno");
  EXPECT_TRUE(Segundas().empty());
  Menu(f, "mnuFolhaDados");
  EXPECT_EQ(f.pgcPadrao->ActivePage(), f.tshFolhaDados);
}

TEST_P(TurnosTest, ShiftSumsBecomeTheTotalTakingADecreaseFromClientsThenEmployeesThenDonations) {
  Jantar(100, 60, 30, 10, {60, 40});
  auto& f = Pagina("mnuTurnos");
  auto& t = f.Pagina<PagTurnos>();
  Celula(f, 1, "QTCOMESTTSEG", "90");
  Ok(UserActions::Click(*f.sbtConfirmar), "confirmar");
  EXPECT_EQ(Servico(), (std::vector<double>{130, 90, 30, 10})) << "an increase goes to the clients";
  EXPECT_EQ(CallsOf("UpdServico").size(), 1u) << "the service is saved once per shift save";

  Celula(f, 1, "QTCOMESTTSEG", "0");
  Ok(UserActions::Click(*f.sbtConfirmar), "confirmar");
  EXPECT_EQ(Servico(), (std::vector<double>{40, 0, 30, 10}));
  Celula(f, 2, "QTCOMESTTSEG", "20");
  Ok(UserActions::Click(*f.sbtConfirmar), "confirmar");
  EXPECT_EQ(Servico(), (std::vector<double>{20, 0, 10, 10})) << "then employees, none below zero";
  EXPECT_EQ(Segundas(), (std::vector<double>{0, 20}));

  // Verify reloads what another user stored.
  Exec("UPDATE TURNOSERV SET NMTURNO = 'Outro' WHERE CDFILIAL = '0001' AND CDSERVFILI = '00002' AND CDTURNO = '1'");
  Ok(UserActions::Click(*f.sbtVerificar), "verificar");
  t.cdsTurno->First();
  EXPECT_EQ(Turno(f, "NMTURNO"), "Outro");
}

// A shift save sends every day with a total its categories add up to, also when the stored total
// disagreed with them; a refused service save keeps the saved shift's code taken.
TEST_P(TurnosTest, AShiftSaveSendsConsistentTotalsAndTheNextCodeFollowsTheShifts) {
  Jantar(100, 60, 30, 5, {60, 40});  // Monday's categories hold 95 of the 100
  auto& f = Pagina("mnuTurnos");
  auto& t = f.Pagina<PagTurnos>();
  Celula(f, 1, "QTCOMESTTSEG", "90");
  Ok(UserActions::Click(*f.sbtConfirmar), "confirmar");
  EXPECT_EQ(Servico(), (std::vector<double>{130, 95, 30, 5}));
  for (const char* dia : {"SEG", "TER", "QUA", "QUI", "SEX", "SAB", "DOM", "FER"})
    EXPECT_EQ(Sql(std::string("SELECT COALESCE(QTCOMESTI") + dia + ", 0) - COALESCE(QTCLIESTI" + dia +
                  ", 0) - COALESCE(QTFUNESTI" + dia + ", 0) - COALESCE(QTDOAESTI" + dia +
                  ", 0) FROM SERVICO WHERE CDFILIAL = '0001' AND CDSERVFILI = '00002'")
                  .rows.at(0)[0]
                  .asFloat(),
              0)
        << dia;

  Exec("UPDATE SERVICO SET QTCOMESTISEG = 999 WHERE CDFILIAL = '0001' AND CDSERVFILI = '00002'");
  Ok(UserActions::Click(*f.sbtIncluir), "incluir turno");
  Ok(UserActions::Type(*t.dbgTurno, "Ceia"), "nome");
  Ok(UserActions::Key(*t.dbgTurno, "Tab"), "segunda-feira");
  Ok(UserActions::Type(*t.dbgTurno, "10"), "10");
  EXPECT_NE(UserActions::Click(*f.sbtConfirmar).status, ActionResult::Status::Ok) << "the service save is refused";
  ASSERT_EQ(Segundas().size(), 3u);
  Ok(UserActions::Click(*f.sbtIncluir), "incluir outro turno");
  EXPECT_EQ(Turno(f, "CDTURNO"), "4");
}

TEST_P(TurnosTest, ConfirmedTotalsOnTheDinersPageAreSpreadOntoTheShifts) {
  struct Caso {
    std::vector<double> antes;
    const char* total;
    std::vector<double> depois;
  };
  for (const Caso& caso : {Caso{{40, 60}, "70", {10, 60}}, Caso{{40, 60}, "30", {0, 30}}, Caso{{40, 60}, "0", {0, 0}},
                           Caso{{39.6, 60}, "100", {40.6, 60}}}) {
    SCOPED_TRACE(caso.total);
    Jantar(caso.antes[0] + caso.antes[1], caso.antes[0] + caso.antes[1], 0, 0, caso.antes);
    auto& f = Pagina("mnuComens");
    auto& c = f.Pagina<PagComensais>();
    ASSERT_EQ(c.nbkComensais->PageIndex(), 0);
    Ok(UserActions::Click(*f.sbtAlterar), "alterar");
    Digita(*c.dbeCSeg, caso.total);
    Ok(UserActions::Click(*f.sbtConfirmar), "confirmar");
    std::vector<double> segundas = Segundas();
    ASSERT_EQ(segundas.size(), 2u);
    EXPECT_NEAR(segundas[0], caso.depois[0], 1e-9);
    EXPECT_NEAR(segundas[1], caso.depois[1], 1e-9);
    EXPECT_EQ(Servico()[0], std::stod(caso.total)) << "the value still being typed counted";

    // Leaving the page after the confirm refreshes the shift cache once.
    size_t antes = session().CacheRequests().size();
    Menu(f, "mnuFormulario");
    Menu(f, "mnuComens");
    Menu(f, "mnuFormulario");
    const auto& pedidos = session().CacheRequests();
    ASSERT_EQ(pedidos.size(), antes + 1);
    EXPECT_EQ(pedidos.back(), std::vector<std::string>{"TURNOSERV"});
    Ok(UserActions::CloseForm(f), "fechar");
  }
}

TEST_P(TurnosTest, DefaultTotalsFollowTheCategoriesOnlyWhileTheServiceIsAltered) {
  Jantar(130, 120, 10, 0, {80, 50});
  auto& f = Pagina("mnuComens");
  auto& c = f.Pagina<PagComensais>();
  // Browsing: leaving a field changes no total.
  Ok(UserActions::Focus(*c.dbeCSeg), "clientes");
  Ok(UserActions::Focus(*c.dbeFSeg), "funcionários");
  EXPECT_EQ(Atual(f, "QTCOMESTISEG"), "130");

  Ok(UserActions::Click(*f.sbtAlterar), "alterar");
  Digita(*c.dbeCSeg, "10");
  Digita(*c.dbeFSeg, "");
  Digita(*c.dbeDSeg, "5");
  Ok(UserActions::Focus(*c.dbeCTer), "terça");
  EXPECT_EQ(Atual(f, "QTCOMESTISEG"), "15");
  // The emptied employees field reads 0 once left.
  EXPECT_EQ(c.dbeFSeg->Text(), "0");

  // Whole numbers only on this page.
  for (const char* tecla : {"-", "+", ",", ".", "e", "E"}) {
    Digita(*c.dbeCTer, "");
    Ok(UserActions::Type(*c.dbeCTer, std::string("1") + tecla + "2"), "digitar");
    EXPECT_EQ(c.dbeCTer->Text(), "12") << tecla;
  }
}

CADSERV_SCREEN_SUITE(TurnosTest);

}  // namespace cad::test
