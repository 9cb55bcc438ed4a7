// The standard-cost page rendered by the desktop renderer on demo service 0001/00001: the month
// grid lists its months as month/year with their costs, the dish-type grid the split of the month
// under the cursor, a month clicked in the grid brings its own split, and the page is saved as a
// screenshot (gui-main-custpadr.png in the build folder) for a person to look at.
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

class CustPadrPageGui : public ScreenTest {
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

TEST_P(CustPadrPageGui, MonthsAndDishTypeSplitOfTheDemoService) {
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
  ASSERT_TRUE(UserActions::MenuItem(f, "mnuCustPadr").ok());
  QApplication::processEvents();
  EXPECT_TRUE(Texts().empty()) << Texts().front();

  auto* meses = dynamic_cast<QTableView*>(renderer->widgetOf(*f.dbgCustPadr));
  auto* tipos = dynamic_cast<QTableView*>(renderer->widgetOf(*f.dbgCustPadrTp));
  ASSERT_NE(meses, nullptr);
  ASSERT_NE(tipos, nullptr);
  EXPECT_TRUE(meses->isVisible());
  EXPECT_TRUE(tipos->isVisible());
  EXPECT_EQ(meses->model()->rowCount(), 6);
  EXPECT_EQ(meses->model()->index(0, 0).data().toString(), QString::fromUtf8("09/2026"));
  EXPECT_EQ(meses->model()->index(0, 1).data().toString(), QString::fromUtf8("18,50000"));
  EXPECT_EQ(tipos->model()->rowCount(), 7);

  // December, clicked as a person does: its own split.
  QTest::mouseClick(meses->viewport(), Qt::LeftButton, {}, meses->visualRect(meses->model()->index(3, 1)).center());
  QApplication::processEvents();
  EXPECT_EQ(f.cdsCustPadr->FieldByName("STMESREFER").AsString(), "12/2026");
  EXPECT_EQ(tipos->model()->rowCount(), 7);
  EXPECT_EQ(tipos->model()->index(0, 1).data().toString(), QString::fromUtf8("2,12000"));
  QString path = QDir(QString::fromUtf8(CADSERV_BIN_DIR)).filePath("../gui-main-custpadr.png");
  ASSERT_TRUE(win->grab().save(path)) << path.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Db, CustPadrPageGui, ::testing::Values(std::string("sqlite")), BackendName());

}  // namespace
}  // namespace cad::test
