// The packaging page rendered by the desktop renderer on the demo transported service 0001/00001:
// the distribution grid lists the service's packages, the dish-type lists show the free and the
// placed dish types, the restrictions sub-page its ordered packages; both sub-pages are saved as
// screenshots (gui-main-embalagens*.png in the build folder) for a person to look at.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTableView>

#include "hosts/desktop/renderer.h"
#include "hosts/desktop/widgets.h"
#include "service_screen/cadastroserv.h"
#include "tests/hosts/desktop/gui_fixture.h"

namespace cad::test {
namespace {

class EmbalagensPageGui : public ScreenGuiTest {};

TEST_P(EmbalagensPageGui, DistributionAndRestrictionsOfTheDemoService) {
  auto& f = AbrePagina("0001", 1, "mnuEmbalagens");
  ASSERT_EQ(f.cdsServico->FieldByName("CDSERVFILI").AsString(), "00001");
  EXPECT_TRUE(Texts().empty()) << Texts().front();

  QTableView* pacotes = Widget<QTableView>(*f.dbgDistrEmb);
  ASSERT_NE(pacotes, nullptr);
  EXPECT_TRUE(pacotes->isVisible());
  EXPECT_EQ(pacotes->model()->rowCount(), 2);
  EXPECT_EQ(pacotes->model()->index(0, 0).data().toString(), QString::fromUtf8("MX08"));
  ASSERT_NE(Widget<QTableView>(*f.dbgDistrTpPrat), nullptr);
  EXPECT_EQ(Widget<QTableView>(*f.dbgDistrTpPrat)->model()->rowCount(), 2);
  EXPECT_EQ(Widget<QTableView>(*f.dbgDistrEmbTpPrat)->model()->rowCount(), 5);
  Salva(f, "gui-main-embalagens.png");

  ASSERT_TRUE(UserActions::SelectPage(*f.tshRestricoes).ok());
  QApplication::processEvents();
  EXPECT_TRUE(Texts().empty()) << Texts().front();
  QTableView* restricoes = Widget<QTableView>(*f.dbgRestricoes);
  ASSERT_NE(restricoes, nullptr);
  EXPECT_TRUE(restricoes->isVisible());
  EXPECT_EQ(restricoes->model()->rowCount(), 2);
  EXPECT_EQ(restricoes->model()->index(0, 0).data().toString(), QString::fromUtf8("GN11"));
  EXPECT_EQ(Widget<QTableView>(*f.dbgRestTpPrat)->model()->rowCount(), 8);
  Salva(f, "gui-main-embalagens-restricoes.png");
}

INSTANTIATE_TEST_SUITE_P(Db, EmbalagensPageGui, ::testing::Values(std::string("sqlite")), BackendName());

}  // namespace
}  // namespace cad::test
