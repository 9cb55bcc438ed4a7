// The "Dieta" page of the estimated diners rendered by the desktop renderer on the demo hospital
// service: the diet grid lists the service's diets, the panel shows the selected diet's figures,
// a diet clicked in the grid brings its own, and the page is saved as a screenshot
// (gui-main-dieta.png in the build folder) for a person to look at.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

#include "hosts/desktop/renderer.h"
#include "hosts/desktop/widgets.h"
#include "service_screen/cadastroserv.h"
#include "tests/support/screen_fixture.h"

namespace cad::test {
namespace {

class DietaPageGui : public ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    renderer = std::make_unique<desktop::Renderer>();
    Application().RunModalHook = [this](TForm& f) { renderer->runModal(f); };
  }
  void TearDown() override {
    renderer.reset();
    ScreenTest::TearDown();
  }
  std::unique_ptr<desktop::Renderer> renderer;
};

TEST_P(DietaPageGui, DietsAndFiguresOfTheDemoHospitalService) {
  CallEntry("GER04100", "IniProc", {Variant()});
  auto& f = Screen<TfrmCadastroServ>("TfrmCadastroServ");
  renderer->sync();
  QWidget* win = renderer->window(f);
  ASSERT_TRUE(UserActions::Focus(*f.medCdFilial).ok());
  ASSERT_TRUE(UserActions::SetText(*f.medCdFilial, "0003").ok());
  ASSERT_TRUE(UserActions::Key(*f.medCdFilial, "Tab").ok());
  ASSERT_TRUE(UserActions::Focus(*f.dbgPadrao).ok());
  ASSERT_TRUE(UserActions::SelectCell(*f.dbgPadrao, 0, 1).ok());
  ASSERT_EQ(f.cdsServico->FieldByName("CDSERVFILI").AsString(), "00010");
  ASSERT_TRUE(UserActions::MenuItem(f, "mnuComens").ok());
  QApplication::processEvents();
  EXPECT_TRUE(Texts().empty()) << Texts().front();

  auto* grid = dynamic_cast<QTableView*>(renderer->widgetOf(*f.dbgDieta));
  ASSERT_NE(grid, nullptr);
  EXPECT_TRUE(grid->isVisible());
  EXPECT_EQ(grid->model()->rowCount(), 6);
  EXPECT_EQ(grid->model()->index(0, 1).data().toString(), QString::fromUtf8("Dieta Geral"));
  auto* clientes = dynamic_cast<QLineEdit*>(renderer->widgetOf(*f.dbeCliSeg));
  auto* total = dynamic_cast<QLineEdit*>(renderer->widgetOf(*f.dbeTotSeg));
  ASSERT_NE(clientes, nullptr);
  ASSERT_NE(total, nullptr);
  EXPECT_TRUE(clientes->isVisible());
  EXPECT_EQ(clientes->text(), "80");
  EXPECT_EQ(total->text(), "100");
  EXPECT_FALSE(total->isEnabled());

  // The second diet, clicked as a person does.
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(1, 0)).center());
  QApplication::processEvents();
  EXPECT_EQ(clientes->text(), "25");
  QString path = QDir(QString::fromUtf8(CADSERV_BIN_DIR)).filePath("../gui-main-dieta.png");
  ASSERT_TRUE(win->grab().save(path)) << path.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Db, DietaPageGui, ::testing::Values(std::string("sqlite")), BackendName());

}  // namespace
}  // namespace cad::test
