// Forms: modal runs through the application's hook or a script, close queries and actions,
// activation order and the release of application-owned forms.
#include <gtest/gtest.h>

#include "platform/core/errors.h"
#include "platform/ui/actions.h"
#include "platform/ui/controls.h"
#include "tests/platform/ui/ui_fixture.h"

namespace cad::test {
namespace {

// A small dialog: a code edit, confirm (mrOk) and cancel buttons, and a close query that refuses
// while the code is empty.
struct CodeDialog : TForm {
  TEdit* edtCodigo = Create<TEdit>("edtCodigo", this);
  TButton* btnOk = Create<TButton>("btnOk", this);
  TButton* btnCancel = Create<TButton>("btnCancel", this);
  EventLog log;
  CodeDialog() {
    SetName("frmCodigo");
    btnOk->SetModalResult(mrOk);
    btnCancel->SetModalResult(mrCancel);
    OnShow = log.note("show");
    OnActivate = log.note("activate");
    edtCodigo->OnEnter = log.note("enter:edtCodigo");
    OnCloseQuery = [this](TComponent&, bool& canClose) {
      log.events.push_back("closequery");
      canClose = !edtCodigo->Text().empty() || ModalResult() == mrCancel;
    };
    OnClose = [this](TComponent&, TCloseAction&) { log.events.push_back("close"); };
  }
  const char* ClassName() const override { return "TfrmCodigo"; }
};

using FormsTest = UiTest;

TEST_F(FormsTest, ShowModalRunsTheScriptedDialogToItsResult) {
  CodeDialog dlg;
  Application().ScriptModal("TfrmCodigo", [&](TForm& form) {
    EXPECT_TRUE(form.Modal());
    // Confirming with an empty code is kept open by the close query.
    EXPECT_TRUE(UserActions::Click(*dlg.btnOk).ok());
    EXPECT_TRUE(dlg.Visible());
    EXPECT_TRUE(UserActions::Type(*dlg.edtCodigo, "0042").ok());
    EXPECT_TRUE(UserActions::Click(*dlg.btnOk).ok());
  });
  EXPECT_EQ(dlg.ShowModal(), mrOk);
  EXPECT_FALSE(dlg.Visible());
  EXPECT_EQ(dlg.log.joined(), "show enter:edtCodigo activate closequery enter:edtCodigo closequery close");

  // Closing the window of a modal form is a cancel; a script that returns without closing
  // leaves with mrCancel too.
  Application().ScriptModal("frmCodigo", [&](TForm&) { EXPECT_TRUE(UserActions::CloseForm(dlg).ok()); });
  EXPECT_EQ(dlg.ShowModal(), mrCancel);
  Application().ScriptModal("frmCodigo", [](TForm&) {});
  EXPECT_EQ(dlg.ShowModal(), mrCancel);

  // The host's loop, when installed, replaces the scripts; with neither, ShowModal fails.
  int loops = 0;
  Application().RunModalHook = [&](TForm& form) {
    ++loops;
    form.SetModalResult(mrYes);
  };
  EXPECT_EQ(dlg.ShowModal(), mrYes);
  EXPECT_EQ(loops, 1);
  Application().ResetHooks();
  EXPECT_THROW(dlg.ShowModal(), Exception);
}

TEST_F(FormsTest, CloseActionsAndRelease) {
  struct Screen : TForm {
    TCloseAction action = TCloseAction::caHide;
    bool allowClose = true;
    Screen() {
      OnCloseQuery = [this](TComponent&, bool& can) { can = allowClose; };
      OnClose = [this](TComponent&, TCloseAction& a) { a = action; };
    }
  };
  Screen& s = Application().CreateForm<Screen>();
  s.SetName("frmTela");
  s.Show();
  s.allowClose = false;
  EXPECT_TRUE(UserActions::CloseForm(s).ok());
  EXPECT_TRUE(s.Visible());
  s.allowClose = true;
  s.action = TCloseAction::caMinimize;
  s.Close();
  EXPECT_EQ(s.WindowState(), TWindowState::wsMinimized);
  s.Show();  // showing again restores a minimised window
  EXPECT_EQ(s.WindowState(), TWindowState::wsNormal);

  s.action = TCloseAction::caFree;
  EXPECT_TRUE(UserActions::CloseForm(s).ok());
  EXPECT_EQ(Application().FindForm("frmTela"), nullptr);  // freed after the action
}

TEST_F(FormsTest, FindAndHandlersReportWrongNamesAndTypes) {
  TForm f;
  f.SetName("frmTeste");
  f.Create<TEdit>("edtNome", &f);
  EXPECT_NE(f.find<TEdit>("EDTNOME"), nullptr);             // names match without regard to case
  EXPECT_THROW(f.find<TButton>("edtNome"), Exception);      // wrong type
  EXPECT_THROW(f.Create<TEdit>("edtNome", &f), Exception);  // duplicate name

  int runs = 0;
  f.Handler<void(TComponent&)>("edtNomeExit", [&](TComponent&) { ++runs; });
  auto h = f.ResolveHandler<TNotifyEvent>("edtNomeExit");
  TEdit probe;
  h(probe);
  EXPECT_EQ(runs, 1);
  EXPECT_THROW(f.ResolveHandler<TKeyEvent>("edtNomeExit"), Exception);  // wrong parameters
  EXPECT_THROW(f.ResolveHandler<TNotifyEvent>("semTratador"), Exception);
}

}  // namespace
}  // namespace cad::test
