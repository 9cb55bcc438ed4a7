// The progress display and the hourglass: hidden again on every way out of a step that fails
// (error, silent abort, early hide), nested steps restoring the outer step's text.
#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/core/errors.h"
#include "platform/framework/showavi.h"
#include "tests/platform/framework/framework_fixture.h"

namespace cad::test {
namespace {

using ShowAviTest = FrameworkTest;

TEST_F(ShowAviTest, HiddenAgainOnEveryWayOutOfAFailingStep) {
  TForm form;
  form.SetName("frmCadastroServ");
  auto step = [&](int how) {
    ShowAviGuard guard(&form, 6, "Carregando serviços...");
    EXPECT_TRUE(progress().Visible());
    if (how == 0) throw Exception("GetServico falhou.");
    if (how == 1) Abort();
    if (how == 2) throw std::runtime_error("inesperado");
    guard.Hide();  // the step hides before its last action, which then fails
    EXPECT_FALSE(progress().Visible());
    throw Exception("depois de esconder");
  };
  for (int how = 0; how < 4; ++how) {
    EXPECT_ANY_THROW(step(how));
    EXPECT_FALSE(progress().Visible()) << how;
    EXPECT_EQ(Showavi::Depth(), 0) << how;
  }
  EXPECT_EQ(progress().HideCount(), 4);  // the early hide is not repeated by the guard
  EXPECT_EQ(progress().Shown()[0].form, "frmCadastroServ");
}

TEST_F(ShowAviTest, NestedStepsRestoreTheOuterDisplay) {
  {
    ShowAviGuard outer(nullptr, 1, "Verificando...");
    try {
      ShowAviGuard inner(nullptr, 6, "Carregando turnos...");
      // A stray display opened without a guard inside the inner step is dropped with it.
      Showavi::ActiveShowAvi(nullptr, 0);
      throw Exception("GetTurno falhou.");
    } catch (const Exception&) {
    }
    EXPECT_TRUE(progress().Visible());
    EXPECT_EQ(Showavi::Depth(), 1);
    EXPECT_EQ(progress().Shown().back().text, "Verificando...");
    // A plain deactivation with the free function pops only the top frame.
    Showavi::ActiveShowAvi(nullptr, 6, "Gravando...");
    Showavi::DeactiveShowAvi();
    EXPECT_TRUE(progress().Visible());
  }
  EXPECT_FALSE(progress().Visible());
  Showavi::DeactiveShowAvi();  // nothing shown: nothing happens
  EXPECT_EQ(progress().HideCount(), 1);
}

// A dialog never shows under the progress display: it steps aside and comes back for the step.
TEST_F(ShowAviTest, ADialogIsNeverDrawnUnderTheDisplay) {
  struct Observa : IDialogs {
    ScriptedProgress* progress = nullptr;
    std::vector<bool> sobDisplay;
    int Show(const DialogRequest&) override {
      sobDisplay.push_back(progress->Visible());
      return mrOk;
    }
  };
  auto dialogos = std::make_shared<Observa>();
  dialogos->progress = &progress();
  InstallHostServices(HostServices{dialogos, nullptr, nullptr, nullptr});
  {
    ShowAviGuard passo(nullptr, 1, "Gravando...");
    ShowDialog(DialogRequest{TMsgDlgType::mtError, {}, "Recusado.", mbOK, 0});
    EXPECT_TRUE(progress().Visible());
    EXPECT_EQ(progress().Shown().back().text, "Gravando...");
  }
  ShowDialog(DialogRequest{TMsgDlgType::mtInformation, {}, "Pronto.", mbOK, 0});
  EXPECT_EQ(dialogos->sobDisplay, (std::vector<bool>{false, false}));
  EXPECT_FALSE(progress().Visible());
}

TEST_F(ShowAviTest, HourGlassComesBackToThePreviousCursor) {
  std::vector<TCursor> changes;
  Application().OnCursorChange = [&](TCursor c) { changes.push_back(c); };
  try {
    HourGlass outer;
    HourGlass inner;
    EXPECT_EQ(Application().Cursor(), TCursor::crHourGlass);
    throw Exception("GetVerifClie falhou.");
  } catch (const Exception&) {
  }
  EXPECT_EQ(Application().Cursor(), TCursor::crDefault);
  EXPECT_EQ(changes.front(), TCursor::crHourGlass);
}

}  // namespace
}  // namespace cad::test
