// Focus moves: the exit/enter order across containers, exit handlers that refuse, enter handlers
// that move the focus elsewhere, and Tab navigation.
#include <gtest/gtest.h>

#include "platform/core/errors.h"
#include "platform/ui/actions.h"
#include "platform/ui/controls.h"
#include "tests/platform/ui/ui_fixture.h"

namespace cad::test {
namespace {

// panA { a1, a2 }  panB { grpG { b1 } }  c1
struct FocusForm : TForm {
  TPanel* panA = Create<TPanel>("panA", this);
  TEdit* a1 = Create<TEdit>("a1", panA);
  TEdit* a2 = Create<TEdit>("a2", panA);
  TPanel* panB = Create<TPanel>("panB", this);
  TGroupBox* grpG = Create<TGroupBox>("grpG", panB);
  TEdit* b1 = Create<TEdit>("b1", grpG);
  TEdit* c1 = Create<TEdit>("c1", this);
  EventLog log;
  FocusForm() {
    for (TControl* c : std::initializer_list<TControl*>{panA, a1, a2, panB, grpG, b1, c1}) {
      c->OnEnter = log.note("enter:" + c->Name());
      c->OnExit = log.note("exit:" + c->Name());
    }
  }
};

using FocusTest = UiTest;

TEST_F(FocusTest, ContainersAreLeftInnermostFirstAndEnteredOutermostFirst) {
  FocusForm f;
  f.Show();
  EXPECT_EQ(f.ActiveControl(), f.a1);
  EXPECT_EQ(f.log.joined(), "enter:panA enter:a1");

  f.log.clear();
  ASSERT_TRUE(UserActions::Focus(*f.b1).ok());
  EXPECT_EQ(f.log.joined(), "exit:a1 exit:panA enter:panB enter:grpG enter:b1");

  // Within the same container only the controls change.
  f.log.clear();
  ASSERT_TRUE(UserActions::Focus(*f.a2).ok());
  ASSERT_TRUE(UserActions::Focus(*f.a1).ok());
  EXPECT_EQ(f.log.joined(), "exit:b1 exit:grpG exit:panB enter:panA enter:a2 exit:a2 enter:a1");

  // Focusing the focused control runs nothing.
  f.log.clear();
  ASSERT_TRUE(UserActions::Focus(*f.a1).ok());
  EXPECT_TRUE(f.log.events.empty());
}

TEST_F(FocusTest, ExitHandlerThatFailsKeepsTheFocusAndRunsNoEnter) {
  FocusForm f;
  f.Show();
  f.a1->OnExit = [&](TComponent&) {
    f.log.events.push_back("exit:a1");
    Abort();
  };
  f.log.clear();
  EXPECT_EQ(UserActions::Focus(*f.b1).status, ActionResult::Status::Aborted);
  EXPECT_EQ(f.ActiveControl(), f.a1);
  EXPECT_EQ(f.log.joined(), "exit:a1");

  // A container's exit that fails after the control's exit also keeps the focus on the control.
  f.a1->OnExit = f.log.note("exit:a1");
  f.panA->OnExit = [&](TComponent&) { throw Exception("Filial não cadastrada."); };
  f.log.clear();
  EXPECT_EQ(UserActions::Focus(*f.c1).status, ActionResult::Status::Failed);
  EXPECT_EQ(f.ActiveControl(), f.a1);
  EXPECT_EQ(f.log.joined(), "exit:a1");
  EXPECT_EQ(Application().Errors(), std::vector<std::string>{"Filial não cadastrada."});

  // Once the handler passes, the move completes with every event.
  f.panA->OnExit = f.log.note("exit:panA");
  f.log.clear();
  EXPECT_TRUE(UserActions::Focus(*f.c1).ok());
  EXPECT_EQ(f.log.joined(), "exit:a1 exit:panA enter:c1");
}

TEST_F(FocusTest, EnterHandlerThatRedirectsAndAbortsLeavesTheFocusWhereItWas) {
  // The container's enter refuses the entry by sending the focus back and aborting; the
  // container's own exit (run by that nested move) also aborts.
  FocusForm f;
  f.Show();
  ASSERT_TRUE(UserActions::Focus(*f.c1).ok());
  bool refuse = true;
  f.panB->OnEnter = [&](TComponent&) {
    f.log.events.push_back("enter:panB");
    if (refuse) {
      f.c1->SetFocus();
      Abort();
    }
  };
  f.panB->OnExit = [&](TComponent&) {
    f.log.events.push_back("exit:panB");
    if (refuse) Abort();
  };
  f.log.clear();
  EXPECT_EQ(UserActions::Focus(*f.b1).status, ActionResult::Status::Aborted);
  EXPECT_EQ(f.ActiveControl(), f.c1);
  EXPECT_EQ(f.log.joined(), "exit:c1 enter:panB exit:panB");

  // A handler that moves the focus and returns normally wins over the move in progress.
  f.panB->OnEnter = [&](TComponent&) {
    f.log.events.push_back("enter:panB");
    f.a2->SetFocus();
  };
  refuse = false;
  f.log.clear();
  EXPECT_TRUE(UserActions::Focus(*f.b1).ok());
  EXPECT_EQ(f.ActiveControl(), f.a2);
  EXPECT_EQ(f.log.joined(), "exit:c1 enter:panB exit:panB enter:panA enter:a2");
}

TEST_F(FocusTest, TabSkipsControlsThatCannotTakeTheFocus) {
  FocusForm f;
  f.a2->SetEnabled(false);
  f.panB->SetVisible(false);
  f.Show();
  ASSERT_EQ(f.ActiveControl(), f.a1);
  EXPECT_TRUE(UserActions::Key(*f.a1, "Tab").ok());
  EXPECT_EQ(f.ActiveControl(), f.c1);
  EXPECT_TRUE(UserActions::Key(*f.c1, "Tab").ok());
  EXPECT_EQ(f.ActiveControl(), f.a1);  // wraps around

  // An explicit tab order reorders siblings; SetFocus on a hidden control is an error.
  f.panB->SetVisible(true);
  f.panB->SetTabOrder(0);
  f.panA->SetTabOrder(1);
  EXPECT_TRUE(UserActions::Key(*f.c1, "Tab").ok());
  EXPECT_EQ(f.ActiveControl(), f.b1);
  ASSERT_TRUE(UserActions::Key(*f.b1, "Shift+Tab").ok());
  EXPECT_EQ(f.ActiveControl(), f.c1);
  f.panB->SetVisible(false);
  EXPECT_THROW(f.b1->SetFocus(), Exception);
  EXPECT_EQ(UserActions::Focus(*f.b1).status, ActionResult::Status::Refused);
}

}  // namespace
}  // namespace cad::test
