// The default menu configuration page rendered by the desktop renderer on the demo aggregated
// branch in standard-menu mode: the configuration grid shows the service's lines with the weekday
// flags of its variable line drawn as check images, a double click on a weekday cell toggles it,
// and the page is saved as a screenshot (gui-main-confcard.png in the build folder) for a person
// to look at.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTableView>
#include <QTest>

#include "hosts/desktop/renderer.h"
#include "hosts/desktop/widgets.h"
#include "service_screen/cadastroserv.h"
#include "service_screen/module.h"
#include "tests/hosts/desktop/gui_fixture.h"

namespace cad::test {
namespace {

class ConfCardPageGui : public ScreenGuiTest {};

TEST_P(ConfCardPageGui, LinesAndWeekdayChecksOfTheAggregatedBranch) {
  Exec("UPDATE PARAMGERAL SET IDUTCARDPADR = 'S'");
  auto& f = AbrePagina("0002", 1, "mnuConfCard");
  ASSERT_EQ(f.cdsServico->FieldByName("CDSERVFILI").AsString(), "00001");
  EXPECT_TRUE(Texts().empty()) << Texts().front();

  auto* grid = dynamic_cast<QTableView*>(renderer->widgetOf(*f.stgCard));
  ASSERT_NE(grid, nullptr);
  EXPECT_TRUE(grid->isVisible());
  EXPECT_EQ(grid->model()->rowCount(), 9);
  EXPECT_EQ(grid->model()->index(1, 1).data().toString(), QString("01"));
  // The variable line's Saturday is drawn as an unchecked image, its Monday as a checked one.
  auto images = [&](int col, int row) {
    std::string s;
    for (const DrawItem& d : f.stgCard->RenderCell(col, row))
      if (d.kind == DrawItem::Kind::Image) s += d.text;
    return s;
  };
  EXPECT_EQ(images(15, 7), f.imgUnChecked->Picture());
  EXPECT_EQ(images(10, 7), f.imgChecked->Picture());
  EXPECT_EQ(images(10, 1), "") << "a line that is not variable shows no weekday";

  // Double-clicking Saturday of the variable line checks it.
  grid->scrollTo(grid->model()->index(7, 15));
  QApplication::processEvents();
  QRect cell = grid->visualRect(grid->model()->index(7, 15));
  ASSERT_TRUE(grid->viewport()->rect().contains(cell.center()));
  ASSERT_TRUE(cell.isValid());
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
  QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
  QApplication::processEvents();
  EXPECT_EQ(f.stgCard->Col(), 15);
  EXPECT_EQ(f.stgCard->Row(), 7);
  EXPECT_TRUE(Texts().empty()) << Texts().front();
  EXPECT_EQ(f.stgCard->Cells(15, 7), "Sim");
  EXPECT_TRUE(f.sbtConfirmar->Enabled());
  Salva(f, "gui-main-confcard.png");
}

INSTANTIATE_TEST_SUITE_P(Db, ConfCardPageGui, ::testing::Values(std::string("sqlite")), BackendName());

}  // namespace
}  // namespace cad::test
