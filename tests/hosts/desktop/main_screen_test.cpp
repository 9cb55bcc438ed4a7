// The main service screen rendered by the desktop renderer on demo data: the branch typed with
// Qt keys reaches the screen's handlers, the list page shows the branch's services in the grid,
// the shifts and diners pages show the current service's; the pages are saved as screenshots
// (gui-main-*.png in the build folder) for a person to look at. The form page is in the
// first-steps walk (first_steps_gui_test.cpp).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

#include "hosts/desktop/renderer.h"
#include "hosts/desktop/widgets.h"
#include "service_screen/cadastroserv.h"
#include "service_screen/pages/comensais.h"
#include "service_screen/pages/turnos.h"
#include "tests/hosts/desktop/gui_fixture.h"

namespace cad::test {
namespace {

class MainScreenGui : public ScreenGuiTest {};

TEST_P(MainScreenGui, ListAndFormPagesOfTheDemoBranch) {
  CallEntry("GER04100", "IniProc", {Variant()});
  auto& f = Screen<TfrmCadastroServ>("TfrmCadastroServ");
  renderer->sync();
  QWidget* win = renderer->window(f);
  ASSERT_TRUE(win->isVisible());

  // The branch is typed and left with Tab as a person does, through the Qt widgets.
  auto* branch = dynamic_cast<QLineEdit*>(renderer->widgetOf(*f.medCdFilial));
  ASSERT_NE(branch, nullptr);
  EXPECT_EQ(win->focusWidget(), branch);
  QTest::keyClick(branch, Qt::Key_A, Qt::ControlModifier);
  for (int i = 0; i < 6; ++i) QTest::keyClick(branch, Qt::Key_Backspace);
  QTest::keyClicks(branch, "0001");
  QTest::keyClick(branch, Qt::Key_Tab);
  auto* grid = dynamic_cast<QTableView*>(renderer->widgetOf(*f.dbgPadrao));
  ASSERT_NE(grid, nullptr);
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(0, 0)).center());
  QApplication::processEvents();
  EXPECT_TRUE(Texts().empty()) << Texts().front();
  ASSERT_GT(f.cdsServico->RecordCount(), 0);
  EXPECT_EQ(win->focusWidget(), grid);
  EXPECT_EQ(grid->model()->rowCount(), f.cdsServico->DisplayCount());
  EXPECT_EQ(grid->model()->index(0, 0).data().toString().toStdString(), f.dbgPadrao->CellText(0, 1));
  Salva(f, "gui-main-list.png");

  // The shifts of the service in their grid, and its estimated diners on the "Default" page.
  ASSERT_TRUE(UserActions::MenuItem(f, "mnuTurnos").ok());
  QApplication::processEvents();
  TDBGrid* dbgTurno = f.Pagina<PagTurnos>().dbgTurno;
  auto* turnos = dynamic_cast<QTableView*>(renderer->widgetOf(*dbgTurno));
  ASSERT_NE(turnos, nullptr);
  EXPECT_EQ(turnos->model()->rowCount(), 2);
  EXPECT_EQ(turnos->model()->index(0, 2).data().toString().toStdString(), dbgTurno->CellText(2, 1));
  Salva(f, "gui-main-turnos.png");
  ASSERT_TRUE(UserActions::MenuItem(f, "mnuComens").ok());
  QApplication::processEvents();
  TDBEdit* dbeCSeg = f.Pagina<PagComensais>().dbeCSeg;
  auto* clientes = dynamic_cast<QLineEdit*>(renderer->widgetOf(*dbeCSeg));
  ASSERT_NE(clientes, nullptr);
  EXPECT_EQ(clientes->text().toStdString(), dbeCSeg->Text());
  Salva(f, "gui-main-comensais.png");
}

INSTANTIATE_TEST_SUITE_P(Db, MainScreenGui, ::testing::Values(std::string("sqlite")), BackendName());

}  // namespace
}  // namespace cad::test
