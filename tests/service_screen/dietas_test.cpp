// The "Dieta" page of the estimated diners of a hospital service: day totals recomputed on leaving
// a category (an emptied one included), the typing filter, the diet saved before the list moves
// to another, the page lock while a diet is edited, the confirm storing the figures and a refused
// save showing the stored figures again; a service without diets shows inactive editors.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "service_screen/pages/comensais.h"
#include "tests/service_screen/cadastroserv_fixture.h"

namespace cad::test {

namespace {

class DietaTest : public CadastroServTest {
 protected:
  // The diners page of a service of the hospital branch 0003.
  TfrmCadastroServ& Comensais(const std::string& servico) { return AbrePagina("0003", servico, "mnuComens"); }
  // Clicks the diet's row in the diet grid.
  void Dieta(TfrmCadastroServ& f, int row) {
    Ok(UserActions::SelectCell(*f.Pagina<PagComensais>().dbgDieta, 0, row), "dieta da linha " + std::to_string(row));
  }
  // Replaces an editor's text and leaves it with Tab.
  void Preenche(TDBEdit& e, const std::string& text) {
    Digita(e, text);
    Ok(UserActions::Key(e, "Tab"), "sair de " + e.Name());
  }
  static std::string Figura(TfrmCadastroServ& f, const char* field) {
    Field& c = f.Pagina<PagComensais>().cdsDietServ->FieldByName(field);
    return c.IsNull() ? "null" : c.AsString();
  }
  // A stored figure of diet `dieta` of 00010 ("null", "none" when the diet has no row).
  std::string Gravada(const std::string& dieta, const char* column) {
    db::ResultSet rs = Sql(std::string("SELECT ") + column +
                               " FROM DIETSERV WHERE CDFILIAL = '0003' AND CDSERVFILI = '00010' AND CDDIETPAD = :D",
                           {{"D", dieta}});
    if (rs.rows.empty()) return "none";
    return rs.rows[0][0].isNull() ? "null" : std::to_string(static_cast<long long>(rs.rows[0][0].asFloat()));
  }
};

}  // namespace

TEST_P(DietaTest, TheDayTotalIsTheSumOfTheCategoriesThatHoldAValue) {
  auto& f = Comensais("00010");
  auto& c = f.Pagina<PagComensais>();
  ASSERT_EQ(c.nbkComensais->PageIndex(), 1);
  ASSERT_EQ(c.cdsDietPad->RecordCount(), 6);
  EXPECT_EQ(c.dbeTotSeg->Text(), "100");
  EXPECT_FALSE(c.dbeTotSeg->Enabled());
  // Nothing is typed before the alter command.
  EXPECT_NE(UserActions::SetText(*c.dbeCliSeg, "5").status, ActionResult::Status::Ok);

  // A diet without figures: a new row, keyed on its save.
  Dieta(f, 4);
  EXPECT_EQ(c.cdsDietServ->RecordCount(), 0);
  Ok(UserActions::Click(*f.sbtAlterar), "alterar");
  ASSERT_EQ(c.cdsDietServ->State(), DataSetState::Insert);
  struct Passo {
    TDBEdit* edit;
    const char* text;
    const char* total;
  };
  const std::vector<Passo> passos{
      {c.dbeCliSeg, "4", "4"},   {c.dbeFunSeg, "3", "7"},   {c.dbeDoaSeg, "", "7"},  // 4 + 3 + null
      {c.dbeCliSeg, "", "3"},                                                        // an emptied category
      {c.dbeFunSeg, "", "null"},                                                     // all three empty
      {c.dbeDoaTer, "0", "0"},   {c.dbeFunTer, "12", "12"},
  };
  for (const Passo& p : passos) {
    SCOPED_TRACE(p.edit->Name() + " = '" + p.text + "'");
    Preenche(*p.edit, p.text);
    EXPECT_EQ(Figura(f, p.edit == c.dbeDoaTer || p.edit == c.dbeFunTer ? "QTCOMDIETTER" : "QTCOMDIETSEG"), p.total);
  }
  // Confirm with the focus still in a field: its typed value counts.
  Digita(*c.dbeCliQua, "5");
  Ok(UserActions::Click(*f.sbtConfirmar), "confirmar");
  EXPECT_EQ(Gravada("0004", "QTCOMDIETSEG"), "null");
  EXPECT_EQ(Gravada("0004", "QTCOMDIETTER"), "12");
  EXPECT_EQ(Gravada("0004", "QTCLIDIETQUA"), "5");
  EXPECT_EQ(Gravada("0004", "QTCOMDIETQUA"), "5");
  EXPECT_EQ(
      Sql("SELECT CDFILIAL FROM DIETSERV WHERE CDSERVFILI = '00010' AND CDDIETPAD = '0004'").rows[0][0].asString(),
      "0003");

  // A stored diet: emptying its clients leaves employees and donations as the total.
  Dieta(f, 1);
  Ok(UserActions::Click(*f.sbtAlterar), "alterar");
  Preenche(*c.dbeCliSex, "");
  EXPECT_EQ(c.dbeTotSex->Text(), "20");
  Ok(UserActions::Click(*f.sbtConfirmar), "confirmar");
  EXPECT_EQ(Gravada("0001", "QTCLIDIETSEX"), "null");
  EXPECT_EQ(Gravada("0001", "QTCOMDIETSEX"), "20");
  EXPECT_TRUE(Texts().empty()) << Texts()[0];
}

TEST_P(DietaTest, OnlyDigitsAreTypedAndNoDietIsDeleted) {
  auto& f = Comensais("00010");
  auto& c = f.Pagina<PagComensais>();
  Ok(UserActions::Key(*c.dbgDieta, "Ctrl+Delete"), "Ctrl+Delete na grade de dietas");
  EXPECT_EQ(c.cdsDietPad->RecordCount(), 6);
  Ok(UserActions::Click(*f.sbtAlterar), "alterar");
  struct Caso {
    const char* typed;
    const char* shown;
  };
  for (const Caso& caso :
       std::vector<Caso>{{"-1.5", "15"}, {"2,5+1", "251"}, {"1E3", "13"}, {"1234567890", "123456789"}}) {
    SCOPED_TRACE(caso.typed);
    Digita(*c.dbeCliTer, "");
    Ok(UserActions::Type(*c.dbeCliTer, caso.typed), "digitar");
    EXPECT_EQ(c.dbeCliTer->Text(), caso.shown);
  }
  EXPECT_TRUE(CallsOf("UpdDietServ").empty());
}

TEST_P(DietaTest, TheDietIsSavedBeforeTheListMovesToAnother) {
  auto& f = Comensais("00010");
  auto& c = f.Pagina<PagComensais>();
  Ok(UserActions::Click(*f.sbtAlterar), "alterar");
  Preenche(*c.dbeCliSeg, "81");
  ClearLogs();
  Dieta(f, 2);
  ASSERT_EQ(CallsOf("UpdDietServ").size(), 1u);
  EXPECT_EQ(Gravada("0001", "QTCLIDIETSEG"), "81");
  EXPECT_EQ(Gravada("0001", "QTCOMDIETSEG"), "101");
  EXPECT_EQ(Figura(f, "CDDIETPAD"), "0002");
  EXPECT_EQ(c.dbeCliSeg->Text(), "25");

  // A refused save keeps the list on its diet, which shows the stored figures again.
  Ok(UserActions::Click(*f.sbtAlterar), "alterar");
  Preenche(*c.dbeCliSeg, "30");
  Exec("UPDATE DIETSERV SET QTCLIDIETSEG = 26, QTCOMDIETSEG = 26 WHERE CDSERVFILI = '00010' AND CDDIETPAD = '0002'");
  EXPECT_TRUE(Recusada([&] { return UserActions::SelectCell(*c.dbgDieta, 0, 3); },
                       {"O registro foi alterado por outro usuário. Recarregue os dados e tente novamente."}));
  EXPECT_EQ(c.cdsDietPad->FieldByName("CDDIETPAD").AsString(), "0002");
  EXPECT_EQ(c.cdsDietServ->State(), DataSetState::Browse);
  EXPECT_EQ(c.dbeCliSeg->Text(), "25");
  EXPECT_EQ(Gravada("0002", "QTCLIDIETSEG"), "26");
}

TEST_P(DietaTest, WhileADietIsEditedNoOtherPageServiceOrBranchIsReached) {
  auto& f = Comensais("00010");
  auto& c = f.Pagina<PagComensais>();
  Ok(UserActions::Click(*f.sbtAlterar), "alterar");
  for (TControl* ctl : std::vector<TControl*>{f.tshFolhaDados, f.tshFormulario, f.tshConfCard, f.tshCustPadr,
                                              f.dbnPadrao, f.medCdFilial, f.sbtAlterar, f.sbtExportComens})
    EXPECT_FALSE(ctl->Enabled()) << ctl->Name();
  EXPECT_FALSE(f.mnuCustPadr->Enabled());
  EXPECT_EQ(UserActions::SelectPage(*f.tshCustPadr).status, ActionResult::Status::Refused);
  EXPECT_EQ(f.pgcPadrao->ActivePage(), f.tshComensais);

  // Cancelling puts the stored figures back and frees the rest of the screen.
  Preenche(*c.dbeCliSeg, "7");
  dialogs().Answer(mrYes);
  Ok(UserActions::Click(*f.sbtCancelar), "cancelar");
  EXPECT_EQ(c.dbeCliSeg->Text(), "80");
  for (TControl* ctl : std::vector<TControl*>{f.tshFolhaDados, f.tshCustPadr, f.dbnPadrao, f.medCdFilial, f.sbtAlterar})
    EXPECT_TRUE(ctl->Enabled()) << ctl->Name();
  EXPECT_FALSE(f.tshTurnos->Enabled()) << "a hospital service has no shifts";
}

TEST_P(DietaTest, ARefusedSaveShowsTheServersTextAndTheStoredFigures) {
  auto& f = Comensais("00010");
  auto& c = f.Pagina<PagComensais>();
  Ok(UserActions::Click(*f.sbtAlterar), "alterar");
  Preenche(*c.dbeCliSeg, "90");
  // Another connection changed the diet meanwhile.
  Exec("UPDATE DIETSERV SET QTFUNDIETSEG = 21, QTCOMDIETSEG = 101 WHERE CDSERVFILI = '00010' AND CDDIETPAD = '0001'");
  EXPECT_TRUE(Recusada([&] { return UserActions::Click(*f.sbtConfirmar); },
                       {"O registro foi alterado por outro usuário. Recarregue os dados e tente novamente."}));
  EXPECT_EQ(c.cdsDietServ->State(), DataSetState::Browse);
  EXPECT_EQ(c.cdsDietServ->ChangeCount(), 0);
  EXPECT_EQ(c.dbeCliSeg->Text(), "80");
  EXPECT_EQ(Gravada("0001", "QTCLIDIETSEG"), "80");
  EXPECT_TRUE(f.tshFolhaDados->Enabled());
}

// Entering the page again (its diets already loaded) sets the per-diet commands from the diets,
// whatever the page left: a diet without figures can be given some.
TEST_P(DietaTest, EnteringThePageSetsItsCommandsFromTheDiets) {
  Exec("DELETE FROM DIETSERV WHERE CDSERVFILI = '00011'");
  auto& f = Comensais("00011");
  ASSERT_TRUE(f.sbtAlterar->Enabled());
  Menu(f, "mnuCustPadr");
  ASSERT_FALSE(f.sbtAlterar->Enabled());
  Menu(f, "mnuComens");
  EXPECT_TRUE(f.sbtAlterar->Enabled());
}

TEST_P(DietaTest, AServiceWithoutDietsShowsInactiveEditors) {
  Exec("DELETE FROM DIETSERV WHERE CDSERVFILI = '00011'");
  Exec("UPDATE DIETPADR SET IDATIVO = 'N'");
  auto& f = Comensais("00011");
  auto& c = f.Pagina<PagComensais>();
  ASSERT_EQ(c.nbkComensais->PageIndex(), 1);
  EXPECT_TRUE(c.cdsDietPad->IsEmpty());
  EXPECT_EQ(c.dbeCliSeg->Color(), clBtnFace);
  EXPECT_FALSE(c.panComenDiet->Enabled());
  EXPECT_FALSE(f.sbtAlterar->Enabled());
  EXPECT_FALSE(progress().Visible());
}

CADSERV_SCREEN_SUITE(DietaTest);

}  // namespace cad::test
