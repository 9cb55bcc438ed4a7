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
#include "tests/hosts/desktop/gui_fixture.h"

namespace cad::test {
namespace {

class DietaPageGui : public ScreenGuiTest {};

TEST_P(DietaPageGui, DietsAndFiguresOfTheDemoHospitalService) {
  auto& f = AbrePagina("0003", 1, "mnuComens");
  ASSERT_EQ(f.cdsServico->FieldByName("CDSERVFILI").AsString(), "00010");
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
  Salva(f, "gui-main-dieta.png");
}

INSTANTIATE_TEST_SUITE_P(Db, DietaPageGui, ::testing::Values(std::string("sqlite")), BackendName());

}  // namespace
}  // namespace cad::test
