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
#include "tests/support/screen_fixture.h"

namespace cad::test {
namespace {

class PontEntrPageGui : public ScreenTest {
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

TEST_P(PontEntrPageGui, ClientsAndPointsOfTheDemoCorporateService) {
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
  ASSERT_TRUE(UserActions::MenuItem(f, "mnuPontEntr").ok());
  QApplication::processEvents();
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
  QString path = QDir(QString::fromUtf8(CADSERV_BIN_DIR)).filePath("../gui-main-pontentr.png");
  ASSERT_TRUE(win->grab().save(path)) << path.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Db, PontEntrPageGui, ::testing::Values(std::string("sqlite")), BackendName());

}  // namespace
}  // namespace cad::test
