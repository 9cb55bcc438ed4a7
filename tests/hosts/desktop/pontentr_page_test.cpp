// The delivery-points page rendered by the desktop renderer on the demo corporate service: the
// client grid shows the registration numbers formatted, the points grid the current client's
// points by name with their diners, a client clicked in the grid brings its own points, and the
// page is saved as a screenshot (gui-main-pontentr.png in the build folder) for a person to look at.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTableView>
#include <QTest>

#include "hosts/desktop/renderer.h"
#include "hosts/desktop/widgets.h"
#include "service_screen/cadastroserv.h"
#include "tests/hosts/desktop/gui_fixture.h"

namespace cad::test {
namespace {

class PontEntrPageGui : public ScreenGuiTest {};

TEST_P(PontEntrPageGui, ClientsAndPointsOfTheDemoCorporateService) {
  auto& f = AbrePagina("0001", 1, "mnuPontEntr");
  ASSERT_EQ(f.cdsServico->FieldByName("CDSERVFILI").AsString(), "00001");
  EXPECT_TRUE(Texts().empty()) << Texts().front();

  auto* clientes = dynamic_cast<QTableView*>(renderer->widgetOf(*f.dbgCliente));
  auto* pontos = dynamic_cast<QTableView*>(renderer->widgetOf(*f.dbgPontEntr));
  ASSERT_NE(clientes, nullptr);
  ASSERT_NE(pontos, nullptr);
  EXPECT_TRUE(clientes->isVisible());
  EXPECT_TRUE(pontos->isVisible());
  EXPECT_EQ(clientes->model()->rowCount(), 2);
  EXPECT_EQ(clientes->model()->index(0, 0).data().toString(), QString::fromUtf8("33.444.555/0001-81"));
  EXPECT_EQ(pontos->model()->rowCount(), 2);
  EXPECT_EQ(pontos->model()->index(0, 0).data().toString(), QString::fromUtf8("Portaria Principal"));
  EXPECT_EQ(pontos->model()->index(0, 1).data().toString(), "150");

  // The second client, clicked as a person does.
  QTest::mouseClick(clientes->viewport(), Qt::LeftButton, {},
                    clientes->visualRect(clientes->model()->index(1, 1)).center());
  QApplication::processEvents();
  EXPECT_EQ(pontos->model()->rowCount(), 1);
  EXPECT_EQ(pontos->model()->index(0, 0).data().toString(), QString::fromUtf8("Refeitório Bloco B"));
  Salva(f, "gui-main-pontentr.png");
}

INSTANTIATE_TEST_SUITE_P(Db, PontEntrPageGui, ::testing::Values(std::string("sqlite")), BackendName());

}  // namespace
}  // namespace cad::test
