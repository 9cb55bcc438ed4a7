// String grid: cell moves that skip hidden columns, range selection, in-place editing with key
// filters, and the recorded drawing of a cell handler with the text it leaves shown.
#include <gtest/gtest.h>

#include "platform/ui/actions.h"
#include "platform/ui/controls.h"
#include "platform/ui/grids.h"
#include "tests/platform/ui/ui_fixture.h"

namespace cad::test {
namespace {

struct CardForm : TForm {
  TStringGrid* stg = Create<TStringGrid>("stgCard", this);
  TImage* imgChecked = Create<TImage>("imgChecked", this);
  CardForm() {
    stg->SetColCount(4);
    stg->SetRowCount(4);
    stg->SetFixedCols(0);
    stg->SetFixedRows(1);
    stg->SetColWidths(1, -1);  // the code column is hidden
    stg->SetOptions(goRangeSelect);
    imgChecked->SetPicture("checked.png");
    for (int r = 1; r < 4; ++r) stg->SetRows(r, {"Prato " + std::to_string(r), "0" + std::to_string(r), "", "0"});
  }
};

using GridTest = UiTest;

TEST_F(GridTest, MovesSkipHiddenColumnsAndShiftExtendsTheSelection) {
  CardForm f;
  f.Show();
  EXPECT_TRUE(UserActions::Key(*f.stg, "Right").ok());
  EXPECT_EQ(f.stg->Col(), 2);

  EXPECT_TRUE(UserActions::SelectCell(*f.stg, 0, 2).ok());
  EXPECT_TRUE(UserActions::Key(*f.stg, "Shift+Down").ok());
  EXPECT_EQ(f.stg->Selection(), (TGridRect{0, 2, 0, 3}));
  EXPECT_TRUE(UserActions::SelectCell(*f.stg, 2, 1, true).ok());
  EXPECT_EQ(f.stg->Selection(), (TGridRect{0, 1, 2, 2}));
  EXPECT_TRUE(UserActions::SelectCell(*f.stg, 9, 1).refused());

  // OnSelectCell can refuse a move.
  f.stg->OnSelectCell = [](TComponent&, int col, int, bool& can) { can = col != 3; };
  EXPECT_TRUE(UserActions::SelectCell(*f.stg, 3, 1).ok());
  EXPECT_EQ(f.stg->Col(), 2);
}

TEST_F(GridTest, InPlaceEditingFollowsTheOptionAndTheKeyFilter) {
  CardForm f;
  int changes = 0;
  f.stg->OnSetEditText = [&](TComponent&, int, int, const std::string&) { ++changes; };
  // As the configuration grid does: editing only in column 3; a point becomes a comma and
  // only digits, the comma and Backspace pass.
  f.stg->OnKeyDown = [&](TComponent&, int&, ShiftState) { f.stg->SetOption(goEditing, f.stg->Col() == 3); };
  f.stg->OnKeyPress = [&](TComponent&, std::string& key) {
    if (key == ".") key = ",";
    if (key != "," && key != "\b" && !(key.size() == 1 && key[0] >= '0' && key[0] <= '9')) key.clear();
  };
  f.Show();

  EXPECT_TRUE(UserActions::Type(*f.stg, "12").ok());  // column 0: no editing
  EXPECT_EQ(f.stg->Cells(0, 1), "Prato 1");

  ASSERT_TRUE(UserActions::SelectCell(*f.stg, 3, 1).ok());
  EXPECT_TRUE(UserActions::Type(*f.stg, "1.5a").ok());
  EXPECT_EQ(f.stg->Cells(3, 1), "1,5");  // the first key replaced the old "0"
  EXPECT_EQ(changes, 3);
  EXPECT_TRUE(UserActions::Key(*f.stg, "Escape").ok());  // restores the text the edit began with
  EXPECT_EQ(f.stg->Cells(3, 1), "0");
  EXPECT_FALSE(f.stg->EditorMode());

  EXPECT_TRUE(UserActions::Type(*f.stg, "7").ok());
  EXPECT_TRUE(UserActions::Key(*f.stg, "Down").ok());
  EXPECT_EQ(f.stg->Cells(3, 1), "7");
  EXPECT_EQ(f.stg->Row(), 2);
}

TEST_F(GridTest, DrawCellRecordsWhatTheHandlerDraws) {
  CardForm f;
  f.stg->SetDefaultRowHeight(15);
  f.stg->SetColWidths(0, 100);
  f.stg->SetColWidths(2, 45);
  f.stg->SetCells(2, 1, "Sim");
  f.stg->OnDrawCell = [&](TComponent&, int col, int row, const TRect& r, unsigned state) {
    EXPECT_FALSE(state & gdFixed);
    TCanvas& cv = f.stg->Canvas();
    if (col == 2) {  // the flag as an image
      cv.FillRect(r);
      if (f.stg->Cells(col, row) == "Sim") cv.Draw(r.Left + 15, r.Top, *f.imgChecked);
    }
    if (col == 3) cv.TextOut(r.Left + 30, r.Top + 2, "%");  // a unit after the default text
  };
  std::vector<DrawItem> img = f.stg->RenderCell(2, 1);
  ASSERT_EQ(img.size(), 2u);  // the handler's fill covered the default text
  EXPECT_EQ(img[0].kind, DrawItem::Kind::Fill);
  EXPECT_EQ(img[1].text, "checked.png");
  TRect cell = f.stg->CellRect(2, 1);
  EXPECT_EQ(cell.Left, 100 + 1 + 0 + 1);  // column 1 is hidden: no width
  EXPECT_EQ(img[1].x, cell.Left + 15);
  EXPECT_EQ(img[1].y, 16);
  EXPECT_EQ(f.stg->RenderCell(0, 0).size(), 2u);  // header cells keep the default drawing
  // The text a cell shows is what its draw list keeps: a covered default text shows nothing.
  EXPECT_EQ(f.stg->ShownText(2, 1), "");
  EXPECT_EQ(f.stg->ShownText(3, 1), "0 %");
}

}  // namespace
}  // namespace cad::test
