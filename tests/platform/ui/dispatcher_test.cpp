// The user-action dispatcher: refusals, typing through key filters, key order, menus and
// shortcuts, list controls, page changes and the shaped edits. (Caret and selection keys in a
// plain edit are checked against a model in grid_editor_test.cpp.)
#include <gtest/gtest.h>

#include "platform/core/errors.h"
#include "platform/ui/actions.h"
#include "platform/ui/controls.h"
#include "platform/ui/menus.h"
#include "platform/ui/pages.h"
#include "tests/platform/ui/ui_fixture.h"

namespace cad::test {
namespace {

using DispatcherTest = UiTest;

TEST_F(DispatcherTest, DisabledOrHiddenControlsRefuseClicksAndRunNothing) {
  TForm f;
  auto* pan = f.Create<TPanel>("panFilial", &f);
  auto* inner = f.Create<TButton>("btnInner", pan);
  auto* sbt = f.Create<TButtonFlat>("sbtIncluir", &f);
  auto* edt = f.Create<TEdit>("edtNome", &f);
  int clicks = 0;
  inner->OnClick = sbt->OnClick = [&](TComponent&) { ++clicks; };
  f.Show();

  sbt->SetEnabled(false);
  EXPECT_TRUE(UserActions::Click(*sbt).refused());

  pan->SetEnabled(false);  // the button keeps its own Enabled, but its container refuses input
  ActionResult r = UserActions::Click(*inner);
  EXPECT_TRUE(r.refused());
  EXPECT_NE(r.message.find("panFilial"), std::string::npos);
  pan->SetEnabled(true);
  pan->SetVisible(false);
  EXPECT_TRUE(UserActions::Click(*inner).refused());
  EXPECT_TRUE(UserActions::Type(*inner, "x").refused());
  EXPECT_EQ(clicks, 0);

  // A toolbar button never takes the focus; a push button does.
  pan->SetVisible(true);
  sbt->SetEnabled(true);
  ASSERT_TRUE(UserActions::Focus(*edt).ok());
  EXPECT_TRUE(UserActions::Click(*sbt).ok());
  EXPECT_EQ(f.ActiveControl(), edt);
  EXPECT_TRUE(UserActions::Click(*inner).ok());
  EXPECT_EQ(f.ActiveControl(), inner);
  EXPECT_EQ(clicks, 2);

  // A form behind a modal one takes no input; a hidden form neither.
  TForm dialog;
  dialog.SetName("frmDialogo");
  Application().ScriptModal("frmDialogo", [&](TForm&) {
    EXPECT_TRUE(UserActions::Click(*sbt).refused());
    dialog.SetModalResult(mrOk);
  });
  EXPECT_EQ(dialog.ShowModal(), mrOk);
  f.Hide();
  EXPECT_TRUE(UserActions::Click(*sbt).refused());
}

TEST_F(DispatcherTest, TypingGoesThroughKeyFiltersMaxLengthAndMask) {
  TForm f;
  auto* code = f.Create<TEdit>("dbeCdServFili", &f);
  auto* perc = f.Create<TEdit>("edtPerc", &f);
  auto* branch = f.Create<TMaskEdit>("medCdFilial", &f);
  int changes = 0;
  code->OnChange = [&](TComponent&) { ++changes; };
  // No blanks in a code; at most five characters.
  code->OnKeyPress = [](TComponent&, std::string& key) {
    if (key == " ") key.clear();
  };
  code->SetMaxLength(5);
  // Only digits and the comma; a point becomes a comma.
  perc->OnKeyPress = [](TComponent&, std::string& key) {
    if (key == ".") key = ",";
    if (key != "," && key != "\b" && !(key.size() == 1 && key[0] >= '0' && key[0] <= '9')) key.clear();
  };
  branch->SetEditMask(">aaaa;0; ");
  f.Show();

  EXPECT_TRUE(UserActions::Type(*code, "a b c 123").ok());
  EXPECT_EQ(code->Text(), "abc12");  // blanks swallowed, then the length limit
  EXPECT_EQ(changes, 5);

  EXPECT_TRUE(UserActions::Type(*perc, "1.5x").ok());
  EXPECT_EQ(perc->Text(), "1,5");
  EXPECT_TRUE(UserActions::Type(*branch, "ab1").ok());
  EXPECT_EQ(branch->EditText(), "AB1 ");

  // Entering an edit by the keyboard selects its text, so typing replaces it.
  EXPECT_TRUE(UserActions::Focus(*code).ok());
  EXPECT_TRUE(UserActions::Type(*code, "77").ok());
  EXPECT_EQ(code->Text(), "77");

  // SetText replaces at once with one OnChange; read-only edits refuse typing and SetText.
  changes = 0;
  EXPECT_TRUE(UserActions::SetText(*code, "0001").ok());
  EXPECT_EQ(changes, 1);
  // Left collapses a selection to its start, not one character before it.
  for (const char* key : {"End", "Shift+Left", "Left"}) EXPECT_TRUE(UserActions::Key(*code, key).ok());
  EXPECT_EQ(std::make_pair(code->SelStart(), code->SelLength()), std::make_pair(3, 0));
  code->SetReadOnly(true);
  EXPECT_TRUE(UserActions::Type(*code, "9").ok());
  EXPECT_EQ(code->Text(), "0001");
  EXPECT_TRUE(UserActions::SetText(*code, "x").refused());
}

TEST_F(DispatcherTest, KeyPreviewShortcutsAndDialogKeys) {
  TForm f;
  auto* e1 = f.Create<TEdit>("e1", &f);
  auto* e2 = f.Create<TEdit>("e2", &f);
  auto* ok = f.Create<TButton>("btnOk", &f);
  auto* menu = f.Create<TMainMenu>("mnuPrincipal");
  f.SetMenu(menu);
  auto* mnuManut = f.Create<TMenuItem>("mnuManutencao");
  auto* mnuAuto = f.Create<TMenuItem>("mnuCadaAuto");
  menu->Items().Add(mnuManut);
  mnuManut->Add(mnuAuto);
  mnuAuto->SetShortCut(TextToShortCut("Ctrl+A"));
  int autoRuns = 0;
  mnuAuto->OnClick = [&](TComponent&) { ++autoRuns; };
  EventLog log;
  f.SetKeyPreview(true);
  f.OnKeyDown = [&](TComponent&, int& key, ShiftState) {
    log.events.push_back("form:" + std::to_string(key));
    if (key == VK_RETURN) {  // Enter moves to the next control, as the dialog base does
      key = 0;
      f.SelectNext(f.ActiveControl());
    }
  };
  e1->OnKeyDown = [&](TComponent&, int& key, ShiftState) { log.events.push_back("e1:" + std::to_string(key)); };
  e1->OnKeyPress = [&](TComponent&, std::string& key) { log.events.push_back("press:" + key); };
  f.Show();

  EXPECT_TRUE(UserActions::Type(*e1, "a").ok());
  EXPECT_EQ(log.joined(), "form:65 e1:65 press:a");
  log.clear();
  EXPECT_TRUE(UserActions::Key(*e1, "Enter").ok());
  EXPECT_EQ(f.ActiveControl(), e2);
  EXPECT_EQ(log.joined(), "form:13");

  // Menu shortcuts come before every key handler; a disabled item does not run.
  log.clear();
  EXPECT_TRUE(UserActions::Key(*e2, "Ctrl+A").ok());
  EXPECT_EQ(autoRuns, 1);
  EXPECT_TRUE(log.events.empty());
  mnuManut->SetEnabled(false);
  EXPECT_TRUE(UserActions::Key(*e2, "Ctrl+A").ok());
  EXPECT_TRUE(UserActions::MenuItem(f, "mnuCadaAuto").refused());
  EXPECT_EQ(autoRuns, 1);
  mnuManut->SetEnabled(true);
  EXPECT_TRUE(UserActions::MenuItem(f, "mnuManutencao").refused());  // opens a submenu only

  // Without key preview, Enter clicks the default button.
  f.SetKeyPreview(false);
  int okClicks = 0;
  ok->OnClick = [&](TComponent&) { ++okClicks; };
  ok->SetDefault(true);
  EXPECT_TRUE(UserActions::Key(*e2, "Enter").ok());
  EXPECT_EQ(okClicks, 1);
}

TEST_F(DispatcherTest, ChecksRadiosAndListsFollowTheUser) {
  TForm f;
  auto* grp = f.Create<TGroupBox>("grbFilial", &f);
  auto* todas = f.Create<TRadioButton>("rbtTodasFili", grp);
  auto* lista = f.Create<TRadioButton>("rbtListaFili", grp);
  auto* rg = f.Create<TRadioGroup>("rdgTipo", &f);
  auto* lsb = f.Create<TListBox>("lsbDisponiveis", &f);
  auto* cmb = f.Create<TComboBox>("cmbPontoEntrega", &f);
  EventLog log;
  todas->OnClick = log.note("todas");
  lista->OnClick = log.note("lista");
  rg->OnClick = log.note("rg");
  cmb->OnChange = log.note("cmb");
  todas->SetChecked(true);
  rg->SetItems({"Normal", "Hospitalar", "Ambulatorial"});
  lsb->SetItems({"Arroz", "Feijão", "Salada", "Sobremesa"});
  lsb->SetMultiSelect(true);
  cmb->SetItems({"", "Ponto 1", "Ponto 2"});
  cmb->SetStyle(TComboStyle::csDropDownList);
  cmb->SetItemIndex(0);  // programmatic: no OnChange
  f.Show();
  log.clear();

  EXPECT_TRUE(UserActions::Click(*lista).ok());
  EXPECT_FALSE(todas->Checked());
  EXPECT_TRUE(UserActions::SelectIndex(*rg, 2).ok());
  EXPECT_TRUE(UserActions::SelectIndex(*rg, 5).refused());
  EXPECT_TRUE(UserActions::SelectIndex(*cmb, 2).ok());
  EXPECT_EQ(log.joined(), "lista rg cmb");

  EXPECT_TRUE(UserActions::SelectIndex(*lsb, 1).ok());
  EXPECT_TRUE(UserActions::SelectIndex(*lsb, 3, true).ok());
  EXPECT_TRUE(lsb->Selected(1) && !lsb->Selected(2) && lsb->Selected(3));
  EXPECT_TRUE(UserActions::SelectIndex(*lsb, 2).ok());  // a plain click selects only that item
  EXPECT_EQ(lsb->SelCount(), 1);
}

TEST_F(DispatcherTest, TabSheetsChangeThroughTheirPageControl) {
  TForm f;
  auto* pgc = f.Create<TPageControl>("pgcPadrao", &f);
  auto* tshGrid = f.Create<TTabSheet>("tshFolhaDados", pgc);
  auto* tshForm = f.Create<TTabSheet>("tshFormulario", pgc);
  auto* tshCost = f.Create<TTabSheet>("tshCustPadr", pgc);
  auto* grid = f.Create<TEdit>("edtGrid", tshGrid);
  auto* onForm = f.Create<TEdit>("dbeNmServico", tshForm);
  pgc->SetActivePage(tshGrid);
  EventLog log;
  bool allow = false;
  pgc->OnChanging = [&](TComponent&, bool& a) {
    log.events.push_back("changing");
    a = allow;
  };
  pgc->OnChange = log.note("change");
  grid->OnExit = log.note("exit:grid");
  f.SetActiveControl(grid);
  f.Show();
  EXPECT_TRUE(UserActions::Click(*onForm).refused());  // on a page that is not shown

  EXPECT_TRUE(UserActions::Click(*tshForm).ok());
  EXPECT_EQ(pgc->ActivePage(), tshGrid);
  allow = true;
  EXPECT_TRUE(UserActions::SelectPage(*tshForm).ok());
  EXPECT_EQ(pgc->ActivePage(), tshForm);
  EXPECT_EQ(f.ActiveControl(), pgc);  // the focus left the hidden page
  EXPECT_EQ(log.joined(), "changing changing exit:grid change");
  EXPECT_TRUE(UserActions::Click(*onForm).ok());

  tshCost->SetTabVisible(false);
  EXPECT_TRUE(UserActions::Click(*tshCost).refused());
  EXPECT_EQ(pgc->ActivePage(), tshForm);
}

// Edits with shapes: masked edits keeping literals while typing and deleting, the date edit's
// validity check, and the number edit's separators and decimals.
TEST_F(DispatcherTest, MaskedDateAndNumberEdits) {
  TForm f;
  auto* hora = f.Create<TMaskEdit>("medHora", &f);
  auto* de = f.Create<TDateEditPlus>("depDataDe", &f);
  auto* ned = f.Create<TNumberEdit>("nedValPer", &f);
  auto* other = f.Create<TEdit>("edtOutro", &f);
  hora->SetEditMask("99:99;0;_");
  ned->SetDecimals(5);
  f.Show();

  // Literals stay in place; Backspace blanks the previous digit and skips the literal.
  ASSERT_TRUE(UserActions::Type(*hora, "123\b\b").ok());
  EXPECT_EQ(hora->EditText(), "1_:__");
  ASSERT_TRUE(UserActions::Type(*hora, "x930").ok());  // a letter does not fit a digit position
  EXPECT_EQ(hora->Text(), "1930");

  // The date edit takes the session's short date format.
  ASSERT_TRUE(UserActions::Type(*de, "31022024").ok());
  EXPECT_EQ(de->EditText(), "31/02/2024");
  EXPECT_THROW(de->CheckValidDate(), Exception);
  ASSERT_TRUE(UserActions::SetText(*de, "29/02/2024").ok());
  EXPECT_EQ(de->Date(), DateTime::fromDate(2024, 2, 29));
  de->SetDate(DateTime{});
  EXPECT_NO_THROW(de->CheckValidDate());  // blank is valid

  // The number edit groups thousands when it shows the value, not while it is typed.
  ASSERT_TRUE(UserActions::Type(*ned, "1234.5x-").ok());
  EXPECT_EQ(ned->Text(), "1234,5");
  ASSERT_TRUE(UserActions::Focus(*other).ok());
  EXPECT_EQ(ned->Text(), "1.234,50000");
  ASSERT_TRUE(UserActions::Focus(*ned).ok());
  EXPECT_EQ(ned->Text(), "1234,50000");
  EXPECT_TRUE(UserActions::SetText(*ned, "abc").refused());
  ned->SetValue(-0.000001);
  EXPECT_EQ(ned->Text(), "0,00000");
}

// Window activation, popup menus and host-started steps end like every other action: EAbort is
// silent, other errors are shown and reported, refusals run nothing, released forms are freed.
TEST_F(DispatcherTest, ActivationPopupsAndHostStepsEndLikeAnyAction) {
  TForm a, b;
  a.SetName("frmA");
  b.SetName("frmB");
  auto* edt = a.Create<TEdit>("edtNome", &a);
  auto* pop = a.Create<TPopupMenu>("popNome");
  std::string activated;
  b.OnActivate = [&](TComponent&) { activated += "B"; };
  a.Show();
  b.Show();
  ASSERT_TRUE(UserActions::Activate(a).ok());
  activated.clear();

  // Activation runs OnActivate once; an already active form runs nothing; a hidden form refuses.
  EXPECT_TRUE(UserActions::Activate(b).ok());
  EXPECT_TRUE(UserActions::Activate(b).ok());
  EXPECT_EQ(activated, "B");
  b.OnActivate = [](TComponent&) { throw Exception("Filial bloqueada."); };
  ASSERT_TRUE(UserActions::Activate(a).ok());
  ActionResult r = UserActions::Activate(b);
  EXPECT_EQ(r.status, ActionResult::Status::Failed);
  ASSERT_FALSE(Application().Errors().empty());
  EXPECT_EQ(Application().Errors().back(), "Filial bloqueada.");
  b.Hide();
  EXPECT_TRUE(UserActions::Activate(b).refused());

  // The popup focuses its control before OnPopup; a disabled control runs nothing.
  int popups = 0;
  pop->OnPopup = [&](TComponent&) {
    ++popups;
    EXPECT_EQ(a.ActiveControl(), edt);
    if (popups == 2) Abort();
  };
  EXPECT_TRUE(UserActions::Popup(*edt, *pop).ok());
  EXPECT_EQ(UserActions::Popup(*edt, *pop).status, ActionResult::Status::Aborted);
  edt->SetEnabled(false);
  EXPECT_TRUE(UserActions::Popup(*edt, *pop).refused());
  EXPECT_EQ(popups, 2);

  // A host step: its error is shown, and a form it released is freed afterwards.
  const size_t before = Application().Forms().size();
  r = UserActions::Run([] {
    TForm& opened = Application().CreateForm<TForm>();
    Application().release(&opened);
    throw Exception("Pacote de tela 'X' não encontrado.");
  });
  EXPECT_EQ(r.status, ActionResult::Status::Failed);
  EXPECT_EQ(Application().Forms().size(), before);
  EXPECT_EQ(UserActions::Run([] { Abort(); }).status, ActionResult::Status::Aborted);
}

}  // namespace
}  // namespace cad::test
