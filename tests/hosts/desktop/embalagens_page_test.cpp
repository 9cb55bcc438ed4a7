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
#include "tests/support/screen_fixture.h"

namespace cad::test {
namespace {

class EmbalagensPageGui : public ScreenTest {
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
  QTableView* grade(TDBGrid& g) { return dynamic_cast<QTableView*>(renderer->widgetOf(g)); }
  std::unique_ptr<desktop::Renderer> renderer;
};

TEST_P(EmbalagensPageGui, DistributionAndRestrictionsOfTheDemoService) {
  CallEntry("GER04100", "IniProc", {Variant()});
  auto& f = Screen<TfrmCadastroServ>("TfrmCadastroServ");
  renderer->sync();
  QWidget* win = renderer->window(f);
  ASSERT_TRUE(UserActions::Focus(*f.medCdFilial).ok());
  ASSERT_TRUE(UserActions::SetText(*f.medCdFilial, "0001").ok());
  ASSERT_TRUE(UserActions::Key(*f.medCdFilial, "Tab").ok());
  ASSERT_TRUE(UserActions::Focus(*f.dbgPadrao).ok());
  ASSERT_TRUE(UserActions::SelectCell(*f.dbgPadrao, 0, 1).ok());
  ASSERT_EQ(f.cdsServico->FieldByName("CDSERVFILI").AsString(), "00001");
  ASSERT_TRUE(UserActions::MenuItem(f, "mnuEmbalagens").ok());
  QApplication::processEvents();
  EXPECT_TRUE(Texts().empty()) << Texts().front();

  QTableView* pacotes = grade(*f.dbgDistrEmb);
  ASSERT_NE(pacotes, nullptr);
  EXPECT_TRUE(pacotes->isVisible());
  EXPECT_EQ(pacotes->model()->rowCount(), 2);
  EXPECT_EQ(pacotes->model()->index(0, 0).data().toString(), QString::fromUtf8("MX08"));
  ASSERT_NE(grade(*f.dbgDistrTpPrat), nullptr);
  EXPECT_EQ(grade(*f.dbgDistrTpPrat)->model()->rowCount(), 2);
  EXPECT_EQ(grade(*f.dbgDistrEmbTpPrat)->model()->rowCount(), 5);
  QDir dir(QString::fromUtf8(CADSERV_BIN_DIR));
  ASSERT_TRUE(win->grab().save(dir.filePath("../gui-main-embalagens.png")));

  ASSERT_TRUE(UserActions::SelectPage(*f.tshRestricoes).ok());
  QApplication::processEvents();
  EXPECT_TRUE(Texts().empty()) << Texts().front();
  QTableView* restricoes = grade(*f.dbgRestricoes);
  ASSERT_NE(restricoes, nullptr);
  EXPECT_TRUE(restricoes->isVisible());
  EXPECT_EQ(restricoes->model()->rowCount(), 2);
  EXPECT_EQ(restricoes->model()->index(0, 0).data().toString(), QString::fromUtf8("GN11"));
  EXPECT_EQ(grade(*f.dbgRestTpPrat)->model()->rowCount(), 8);
  ASSERT_TRUE(win->grab().save(dir.filePath("../gui-main-embalagens-restricoes.png")));
}

INSTANTIATE_TEST_SUITE_P(Db, EmbalagensPageGui, ::testing::Values(std::string("sqlite")), BackendName());

}  // namespace
}  // namespace cad::test
