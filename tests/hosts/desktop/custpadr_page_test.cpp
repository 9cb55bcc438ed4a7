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
#include "tests/hosts/desktop/gui_fixture.h"

namespace cad::test {
namespace {

class CustPadrPageGui : public ScreenGuiTest {};

TEST_P(CustPadrPageGui, MonthsAndDishTypeSplitOfTheDemoService) {
  auto& f = AbrePagina("0001", 1, "mnuCustPadr");
  ASSERT_EQ(f.cdsServico->FieldByName("CDSERVFILI").AsString(), "00001");
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
  Salva(f, "gui-main-custpadr.png");
}

INSTANTIATE_TEST_SUITE_P(Db, CustPadrPageGui, ::testing::Values(std::string("sqlite")), BackendName());

}  // namespace
}  // namespace cad::test
