// The default menu configuration page: adding lines (row 1 reused, the line limit), removing a
// selection, the flag toggles (checks-diners group, optional lines, variable lines and weekdays,
// the aggregated branch's refusal), typing in the text and percentage columns, the save with its
// print pairs and the packaging question, cancel and verify, and the import from the central
// branch, each checked in the database.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/core/format.h"
#include "platform/core/scope.h"
#include "platform/framework/session.h"
#include "service_screen/pages/confcard.h"
#include "tests/service_screen/cadastroserv_fixture.h"

namespace cad::test {

namespace {

class ConfCardTest : public CadastroServTest {
 protected:
  // The page of a service; standard-menu mode when `padrao` (general parameters use the standard
  // menu and no service of the branch plans its own).
  TfrmCadastroServ& Pagina(const std::string& filial, const std::string& servico, bool padrao = false) {
    if (padrao) Exec("UPDATE PARAMGERAL SET IDUTCARDPADR = 'S'");
    return AbrePagina(filial, servico, "mnuConfCard");
  }
  // The page's grid.
  static TStringGrid& Grade(TfrmCadastroServ& f) { return *f.Pagina<PagConfCard>().stgCard; }
  // Double-clicks a cell of the grid.
  void Alterna(TfrmCadastroServ& f, int col, int row, ActionResult::Status esperado = ActionResult::Status::Ok) {
    Ok(UserActions::SelectCell(Grade(f), col, row), "célula " + std::to_string(col) + "," + std::to_string(row));
    EXPECT_EQ(UserActions::DblClick(Grade(f)).status, esperado) << "coluna " << col << " linha " << row;
  }
  // One column of the grid's lines, joined by blanks.
  static std::string Coluna(TfrmCadastroServ& f, int col) {
    std::string s;
    for (int r = 1; r < Grade(f).RowCount(); ++r) s += (r > 1 ? " " : "") + Grade(f).Cells(col, r);
    return s;
  }
  // Stored columns of a service's lines in line order, "|" between lines.
  std::string Gravado(const std::string& filial, const std::string& servico, const std::string& colunas) {
    std::string s;
    for (const auto& row : Sql("SELECT " + colunas +
                                   " FROM CNFCARD WHERE CDFILIAL = :F AND CDSERVFILI = :S"
                                   " ORDER BY NRSEQCNFCARD",
                               {{"F", filial}, {"S", servico}})
                               .rows) {
      if (!s.empty()) s += "|";
      for (size_t i = 0; i < row.size(); ++i)
        s += (i ? " " : "") + (row[i].isNull() ? std::string("-") : row[i].asString());
    }
    return s;
  }
  void Confirma(TfrmCadastroServ& f, ActionResult::Status esperado = ActionResult::Status::Ok) {
    EXPECT_EQ(UserActions::Click(*f.sbtConfirmar).status, esperado);
  }
};

}  // namespace

TEST_P(ConfCardTest, AddingFillsAnEmptyRowOneThenAppendsAndStopsAtTheLineLimit) {
  Exec("DELETE FROM CNFCARD WHERE CDFILIAL = '0001' AND CDSERVFILI = '00003'");
  auto& f = Pagina("0001", "00003");
  auto& c = f.Pagina<PagConfCard>();
  ASSERT_EQ(c.stgCard->RowCount(), 2);
  ASSERT_GE(c.lsbDisponiveis->Count(), 3);
  EXPECT_FALSE(f.sbtConfirmar->Enabled());

  Ok(UserActions::SelectIndex(*c.lsbDisponiveis, 2), "tipo 03");
  Ok(UserActions::Click(*c.spbItemDir), "incluir tipo");
  ASSERT_EQ(c.stgCard->RowCount(), 2);
  std::string linha;
  for (const std::string& celula : c.stgCard->Rows(1)) linha += celula + "|";
  EXPECT_EQ(linha, c.lsbDisponiveis->Items()[2] + "|03||Não|Sim||0|Não|Sim|Sim|||||||||A|||");
  // Enter in the list adds the selection after the existing line.
  Ok(UserActions::SelectIndex(*c.lsbDisponiveis, 0), "tipo 01");
  Ok(UserActions::Key(*c.lsbDisponiveis, "Enter"), "Enter na lista");
  EXPECT_EQ(Coluna(f, 1), "03 01");
  EXPECT_FALSE(f.tshFolhaDados->Enabled()) << "no other page while the lines are edited";

  Confirma(f);
  EXPECT_EQ(Gravado("0001", "00003", "CDTIPOPRAT, IDOPCCNFCARD, IDIMPCNFCARD, NRPAGCNFCARD, VRPERCOMCARD, IDALTERCARD"),
            "03 N S 1 0 A|01 N S 1 0 A");

  // The whole catalogue again and again: the grid stops at 998 lines without a message.
  ClearLogs();
  for (int i = 0; i < 1000 / c.lsbDisponiveis->Count() + 1; ++i)
    Ok(UserActions::Click(*c.spbTodosDir), "incluir todos");
  EXPECT_EQ(c.stgCard->RowCount(), 999);
  EXPECT_TRUE(Texts().empty());
}

TEST_P(ConfCardTest, FlagTogglesAndTheSaveWithPrintPairs) {
  // Line 4 (the second main dish) is not optional and checks diners, like line 3.
  Exec(
      "UPDATE CNFCARD SET IDOPCCNFCARD = 'N', IDCONCNFCARD = 'S' WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001'"
      " AND NRSEQCNFCARD = 4");
  auto& f = Pagina("0001", "00001");
  auto& c = f.Pagina<PagConfCard>();
  ASSERT_EQ(Coluna(f, 1), "01 02 03 03 04 05 06 07");
  EXPECT_FALSE(c.stgCard->Cells(20, 1).empty()) << "line 1 is packed at the service level";

  // "Consiste Comensais": every non-optional line of the dish type with the same value follows.
  Alterna(f, 9, 3);
  EXPECT_EQ(Coluna(f, 9), "Sim Sim Não Não Sim Sim Sim Sim");
  // An optional line never checks diners; on it the checks-diners toggle does nothing.
  Alterna(f, 3, 1);
  EXPECT_EQ(Coluna(f, 3), "Sim Não Não Não Não Não Não Não");
  EXPECT_EQ(Coluna(f, 9), "Não Sim Não Não Sim Sim Sim Sim");
  Alterna(f, 9, 1);
  EXPECT_EQ(c.stgCard->Cells(9, 1), "Não");
  // Lines 3 and 6 are not printed: the printed ones pair 1, 1, 2, 2, 3.
  Alterna(f, 4, 3);
  Alterna(f, 4, 6);
  EXPECT_EQ(Coluna(f, 4), "Sim Sim Não Sim Sim Não Sim Não");

  // The service has packaging settings: Cancel to the question keeps everything stored.
  ClearLogs();
  dialogs().Answer(mrCancel);
  Confirma(f);
  EXPECT_EQ(Texts(),
            std::vector<std::string>{"A alteração da configuração padrão implica na exclusão da configuração de"
                                     " distribuição e restrição de embalagens. Confirma operação?"});
  EXPECT_TRUE(CallsOf("UpdConfCard").empty());
  EXPECT_EQ(Gravado("0001", "00001", "IDOPCCNFCARD"), "N|N|N|N|N|N|N|N");

  EXPECT_TRUE(f.sbtConfirmar->Enabled()) << "the edit goes on";
  dialogs().Answer(mrOk);
  Confirma(f);
  EXPECT_EQ(Gravado("0001", "00001", "IDOPCCNFCARD, IDIMPCNFCARD, NRPAGCNFCARD, IDCONCNFCARD"),
            "S S 1 N|N S 1 S|N N 0 N|N S 2 N|N S 2 S|N N 0 S|N S 3 S|N N 0 S");
  // Nothing moved: every line keeps its number and dish type, so its packaging stays.
  EXPECT_EQ(Sql("SELECT COUNT(*) FROM CNFDISTEMBTP WHERE CDFILIAL = '0001'").rows[0][0].asInt(), 8);
  EXPECT_TRUE(f.tshFolhaDados->Enabled());
}

TEST_P(ConfCardTest, VariableLinesAndWeekdaysInStandardMenuMode) {
  auto& f = Pagina("0001", "00001", true);
  auto& c = f.Pagina<PagConfCard>();
  ASSERT_EQ(TpConfPadrao, "S");
  EXPECT_EQ(c.stgCard->ColWidths(10), -1) << "the central branch plans no weekdays";
  EXPECT_EQ(Coluna(f, 7), "Não Não Não Não Não Não Sim Não");
  EXPECT_EQ(c.stgCard->Rows(7)[15], "Não");
  // Marking a line variable offers it every day; unmarking empties the days.
  Alterna(f, 7, 1);
  Alterna(f, 7, 7);
  EXPECT_EQ(c.stgCard->Rows(1)[10] + c.stgCard->Rows(1)[17], "SimSim");
  EXPECT_EQ(c.stgCard->Rows(7)[15], "");
  dialogs().Answer(mrOk);
  Confirma(f);
  const char* dias =
      "IDTPPRATEXTR, IDTPPRATSEGP, IDTPPRATTERP, IDTPPRATQUAP, IDTPPRATQUIP, IDTPPRATSEXP, IDTPPRATSABP,"
      " IDTPPRATDOMP, IDTPPRATFERP";
  std::string linhas = Gravado("0001", "00001", dias);
  constexpr std::size_t kLinha = 18;  // nine flags, their blanks and the line's end
  EXPECT_EQ(linhas.substr(0, kLinha - 1), "S S S S S S S S S");
  EXPECT_EQ(linhas.substr(6 * kLinha, kLinha - 1), "N S S S S S S S S")
      << "a line that is not variable is offered every day";
}

TEST_P(ConfCardTest, AnAggregatedBranchChangesOnlyItsVariableLinesAndImportsFromTheCentral) {
  auto& f = Pagina("0002", "00001", true);
  auto& c = f.Pagina<PagConfCard>();
  EXPECT_TRUE(c.sbtImportExport->Visible());
  EXPECT_EQ(Coluna(f, 18), "I I I I I I I I");
  ClearLogs();
  Alterna(f, 3, 1, ActionResult::Status::Aborted);
  EXPECT_EQ(Texts(), std::vector<std::string>{"Filial agregada só pode alterar tipo de prato variável."});
  EXPECT_EQ(c.stgCard->Cells(3, 1), "Não");
  Alterna(f, 15, 7);  // Saturday of the variable line
  Confirma(f);
  EXPECT_EQ(Gravado("0002", "00001", "IDALTERCARD, IDTPPRATSABP"), "I S|I S|I S|I S|I S|I S|A S|I S");

  // The central branch dropped its last line meanwhile: the import brings its seven lines.
  Exec("DELETE FROM CNFCARD WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001' AND NRSEQCNFCARD = 8");
  dialogs().Answer(mrYes);
  Ok(UserActions::Click(*c.sbtImportExport), "importar da central");
  EXPECT_EQ(Coluna(f, 18), "I I I I I I I");
  EXPECT_EQ(Gravado("0002", "00001", "CDTIPOPRAT, IDALTERCARD, IDTPPRATSABP"),
            "01 I S|02 I S|03 I S|03 I S|04 I S|05 I S|06 I N");
}

TEST_P(ConfCardTest, RemovingASelectionMovesTheRestUpAndDeletesThoseLines) {
  auto& f = Pagina("0003", "00010");
  auto& c = f.Pagina<PagConfCard>();
  ASSERT_EQ(Coluna(f, 1), "08 01 02 03 06");
  Ok(UserActions::SelectCell(*c.stgCard, 0, 2), "linha 2");
  Ok(UserActions::SelectCell(*c.stgCard, 0, 3, true), "até a linha 3");
  Ok(UserActions::Click(*c.sbtItemEsq), "remover");
  EXPECT_EQ(Coluna(f, 1), "08 03 06");
  EXPECT_EQ(Coluna(f, 19), "1 4 5");
  // Moving the last line up.
  Ok(UserActions::SelectCell(*c.stgCard, 0, 3), "linha 3");
  Ok(UserActions::Click(*c.spbItemUp), "subir");
  EXPECT_EQ(Coluna(f, 1), "08 06 03");
  Confirma(f);
  EXPECT_EQ(Gravado("0003", "00010", "NRSEQCNFCARD, CDTIPOPRAT"), "1 08|2 06|3 03");
  EXPECT_EQ(Coluna(f, 19), "1 2 3");
}

TEST_P(ConfCardTest, TypingInTheTextAndPercentageColumns) {
  session().ModuloAtiv = 10;  // the hospital modules show the percentage
  auto& f = Pagina("0003", "00010");
  auto& c = f.Pagina<PagConfCard>();
  ASSERT_GT(c.stgCard->ColWidths(6), 0);
  Ok(UserActions::SelectCell(*c.stgCard, 6, 1), "percentual");
  Ok(UserActions::Key(*c.stgCard, "Delete"), "apagar");
  Ok(UserActions::Type(*c.stgCard, "1.5x"), "digitar o percentual");
  EXPECT_EQ(c.stgCard->Cells(6, 1), "1,5");
  EXPECT_EQ(c.stgCard->ShownText(6, 1), "1,50");
  // The complement takes no more than its field holds.
  const int largura = c.cdsConfCard->FieldByName("DSCOMPLTP").Size();
  Ok(UserActions::SelectCell(*c.stgCard, 2, 2), "complemento");
  Ok(UserActions::Key(*c.stgCard, "Delete"), "apagar");
  Ok(UserActions::Type(*c.stgCard, std::string(static_cast<size_t>(largura) + 5, 'c')), "digitar o complemento");
  EXPECT_EQ(c.stgCard->Cells(2, 2), std::string(static_cast<size_t>(largura), 'c'));
  Confirma(f);
  EXPECT_EQ(Sql("SELECT VRPERCOMCARD FROM CNFCARD WHERE CDFILIAL = '0003' AND NRSEQCNFCARD = 1").rows[0][0].asFloat(),
            1.5);
  EXPECT_EQ(Sql("SELECT DSCOMPLTP FROM CNFCARD WHERE CDFILIAL = '0003' AND NRSEQCNFCARD = 2").rows[0][0].asString(),
            std::string(static_cast<size_t>(largura), 'c'));
}

TEST_P(ConfCardTest, ThePercentageFollowsTheSessionsDecimalSeparator) {
  session().ModuloAtiv = 10;  // the hospital modules show the percentage
  FormatSettings brasil = formatSettings();
  formatSettings().decimalSeparator = '.';
  formatSettings().thousandSeparator = ',';
  ScopeExit volta([&] { formatSettings() = brasil; });
  auto& f = Pagina("0003", "00010");
  auto& c = f.Pagina<PagConfCard>();
  auto digita = [&](int linha, const std::string& texto) {
    Ok(UserActions::SelectCell(*c.stgCard, 6, linha), "percentual");
    Ok(UserActions::Key(*c.stgCard, "Delete"), "apagar");
    Ok(UserActions::Type(*c.stgCard, texto), "digitar o percentual");
  };
  digita(1, "1.5");
  digita(2, "1,2,3");  // the second separator is discarded as typed
  EXPECT_EQ(c.stgCard->Cells(6, 1), "1.5");
  EXPECT_EQ(c.stgCard->Cells(6, 2), "1.23");
  Confirma(f);
  auto perc =
      Sql("SELECT VRPERCOMCARD FROM CNFCARD WHERE CDFILIAL = '0003' AND CDSERVFILI = '00010' ORDER BY NRSEQCNFCARD")
          .rows;
  EXPECT_DOUBLE_EQ(perc.at(0)[0].asFloat(), 1.5);
  EXPECT_DOUBLE_EQ(perc.at(1)[0].asFloat(), 1.23);
}

TEST_P(ConfCardTest, DecliningToLoseThePackagingSettingsKeepsTheEdit) {
  auto& f = Pagina("0001", "00001");
  auto& c = f.Pagina<PagConfCard>();
  Ok(UserActions::SelectCell(*c.stgCard, 0, 2), "linha 2");
  Ok(UserActions::Click(*c.sbtItemEsq), "remover a linha 2");
  dialogs().Answer(mrCancel);
  Confirma(f);
  EXPECT_EQ(Keys(), std::vector<std::string>{"CONF_EXCL_DIST_REST"});
  EXPECT_EQ(Coluna(f, 1), "01 03 03 04 05 06 07") << "the removed line stays removed";
  EXPECT_TRUE(f.sbtConfirmar->Enabled());
  EXPECT_TRUE(f.sbtCancelar->Enabled());
  EXPECT_FALSE(f.dbnPadrao->Enabled());
  EXPECT_FALSE(f.tshFolhaDados->Enabled());
  dialogs().Answer(mrOk);
  Confirma(f);
  EXPECT_EQ(Gravado("0001", "00001", "NRSEQCNFCARD, CDTIPOPRAT"), "1 01|2 03|3 03|4 04|5 05|6 06|7 07");
  EXPECT_EQ(Sql("SELECT COUNT(*) FROM CNFDISTEMBTP WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001'"
                " AND NRSEQCNFCARD = 2 AND CDDESTFILI = '002'")
                .rows[0][0]
                .asInt(),
            0)
      << "the removed line's package at point 002 went with it";
}

TEST_P(ConfCardTest, VerifyAndCancelShowTheStoredLines) {
  auto& f = Pagina("0003", "00010");
  auto& c = f.Pagina<PagConfCard>();
  Ok(UserActions::Click(*c.sbtTodosEsq), "remover todas");
  EXPECT_EQ(c.stgCard->RowCount(), 2);
  dialogs().Answer(mrYes);
  Ok(UserActions::Click(*f.sbtCancelar), "cancelar");
  EXPECT_EQ(Coluna(f, 1), "08 01 02 03 06");
  EXPECT_FALSE(c.cdsDelCard->Active());
  Exec("DELETE FROM CNFCARD WHERE CDFILIAL = '0003' AND CDSERVFILI = '00010' AND NRSEQCNFCARD = 5");
  // Verify is the page's command once an edit ends in the browse state.
  Ok(UserActions::Run([&] { f.sbtVerificarClick(*f.sbtVerificar); }), "verificar");
  EXPECT_EQ(Coluna(f, 1), "08 01 02 03");
  EXPECT_TRUE(CallsOf("UpdConfCard").empty());
}

TEST_P(ConfCardTest, ARefusedSaveKeepsTheUsersLinesAndTheLoadedRows) {
  Exec("INSERT INTO TIPOPRAT (CDTIPOPRAT, NMTIPOPRAT) VALUES ('11', 'Molho')");
  auto& f = Pagina("0003", "00010");
  auto& c = f.Pagina<PagConfCard>();
  Alterna(f, 3, 2);
  Ok(UserActions::SelectIndex(*c.lsbDisponiveis, c.lsbDisponiveis->Count() - 1), "tipo 11");
  Ok(UserActions::Click(*c.spbItemDir), "incluir tipo");
  // Another user removes the new dish type from the catalogue meanwhile.
  Exec("DELETE FROM TIPOPRAT WHERE CDTIPOPRAT = '11'");
  ClearLogs();
  Confirma(f, ActionResult::Status::Aborted);
  EXPECT_EQ(Texts(), std::vector<std::string>{"Tipo de prato não cadastrado: 11."});
  EXPECT_EQ(CallsOf("UpdConfCard").size(), 1u);
  EXPECT_EQ(Coluna(f, 1), "08 01 02 03 06 11") << "the user's lines stay on screen";
  EXPECT_EQ(c.stgCard->Cells(3, 2), "Sim");
  EXPECT_EQ(c.cdsConfCard->RecordCount(), 5);
  EXPECT_EQ(Gravado("0003", "00010", "IDOPCCNFCARD"), "N|N|N|N|N");
}

TEST_P(ConfCardTest, TheExportOpensItsPackageOnlyWhenTheModuleHasIt) {
  auto& f = Pagina("0001", "00001");
  EXPECT_TRUE(f.sbtExportComens->Enabled()) << "the package's library is next to the module";
  // Neither registered nor a library in the package folder: the export is off.
  RegisterScreenPackage("GER04106", nullptr);
  std::string pasta = ScreenPackageFolder();
  SetScreenPackageFolder("/nonexistent");
  Menu(f, "mnuFolhaDados");
  Menu(f, "mnuConfCard");
  EXPECT_FALSE(f.mnuExpConfiguracaoPadr->Enabled()) << "no export package";
  SetScreenPackageFolder(pasta);

  std::string servico;
  RegisterScreenPackage("GER04106", [&](VariantArray& params) {
    servico = params.at(2).asString();
    Exec("UPDATE SERVICO SET NMSERVICO = 'Almoço Exportado' WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001'");
    params.at(4) = 1;  // services changed
  });
  Menu(f, "mnuFolhaDados");
  Seleciona(f, "00001");
  Menu(f, "mnuConfCard");
  EXPECT_TRUE(f.sbtExportComens->Enabled());
  ClearLogs();
  Ok(UserActions::Click(*f.sbtExportComens), "exportar");
  EXPECT_EQ(servico, "00001");
  EXPECT_EQ(Atual(f, "CDSERVFILI"), "00001");
  EXPECT_EQ(Atual(f, "NMSERVICO"), "Almoço Exportado");
  RegisterScreenPackage("GER04106", nullptr);
}

TEST_P(ConfCardTest, FixedBranchModeShowsTheLinesAndChangesNothing) {
  auto& f = Abre(Variant("0003"));
  auto& c = f.Pagina<PagConfCard>();
  Seleciona(f, "00010");
  Menu(f, "mnuConfCard");
  ASSERT_EQ(Coluna(f, 1), "08 01 02 03 06");
  // (The page's buttons and grid offered no change on entering: entry_test.)
  Alterna(f, 3, 1);
  Ok(UserActions::Key(*c.stgCard, "Space"), "espaço");
  EXPECT_EQ(c.stgCard->Cells(3, 1), "Não");
  EXPECT_EQ(c.cdsConfCard->State(), DataSetState::Browse);
  EXPECT_TRUE(CallsOf("UpdConfCard").empty());
}

CADSERV_SCREEN_SUITE(ConfCardTest);

}  // namespace cad::test
