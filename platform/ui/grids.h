// Grids: the shared cell model (TCustomGrid: counts, fixed rows and columns, current cell,
// selection rectangle, column widths with -1 = hidden, options, in-place editor state), the
// neutral drawing hook (TCanvas recording a small draw list per cell) and TStringGrid.
//
// Invariants:
//  - The current cell (Col, Row) is never a fixed cell while the grid has a data cell, and
//    never a hidden column when a visible one exists; keyboard moves skip hidden columns.
//  - Every cell move asks OnSelectCell first; a refusal leaves the current cell unchanged.
//  - RenderCell draws the default text (when DefaultDrawing) and then runs OnDrawCell, whose
//    handler draws on Canvas(); the renderer and tests read the resulting draw list.
#pragma once

#include <string>
#include <vector>

#include "platform/ui/component.h"

namespace cad {

class TImage;

struct TRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool operator==(const TRect&) const = default;
};

// Selection rectangle in cell coordinates (inclusive).
struct TGridRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool operator==(const TGridRect&) const = default;
};

struct DrawItem {
  enum class Kind : uint8_t { Fill, Text, Image };
  Kind kind = Kind::Text;
  TRect rect;        // Fill: the area; Text/Image: the cell's clip rectangle
  int x = 0, y = 0;  // Text/Image: top-left position
  std::string text;  // Text: the text; Image: the picture name
  TColor color = clDefault;
};

// A canvas that records what a cell handler draws. TextWidth is an estimate the renderer may
// replace through TextWidthHook (it knows the real font).
class TCanvas {
 public:
  TColor BrushColor = clDefault;
  TColor FontColor = clDefault;

  void FillRect(const TRect& r);
  void TextOut(int x, int y, const std::string& text);
  void TextRect(const TRect& r, int x, int y, const std::string& text);
  void Draw(int x, int y, const TImage& image);
  int TextWidth(const std::string& text) const;
  int TextHeight(const std::string& text) const;

  static std::function<int(const std::string&)> TextWidthHook;

  // Drawing of one cell.
  void begin(const TRect& clip);
  std::vector<DrawItem> take();

 private:
  TRect clip_;
  std::vector<DrawItem> items_;
};

enum TGridDrawState : unsigned { gdSelected = 1, gdFocused = 2, gdFixed = 4 };

using TDrawCellEvent = std::function<void(TComponent& sender, int col, int row, const TRect& rect, unsigned state)>;
using TSelectCellEvent = std::function<void(TComponent& sender, int col, int row, bool& canSelect)>;

// Options (classic names): editing, tabs, row select, range select, always show editor, and
// the data grid's titles, confirm delete, cancel on exit, always show selection.
enum TGridOption : unsigned {
  goEditing = 1u << 0,
  goTabs = 1u << 1,
  goRowSelect = 1u << 2,
  goRangeSelect = 1u << 3,
  goAlwaysShowEditor = 1u << 4,
  goTitles = 1u << 5,
  goConfirmDelete = 1u << 6,
  goCancelOnExit = 1u << 7,
  goAlwaysShowSelection = 1u << 8,
  goIndicator = 1u << 9,
  goColumnResize = 1u << 10,
  goMultiSelect = 1u << 11,
};
// "goEditing"/"dgEditing" (either prefix) -> flag; 0 when unknown.
unsigned GridOptionFromName(std::string_view name);
std::vector<std::string> GridOptionNames(unsigned options);

class TCustomGrid : public TControl {
 public:
  TCustomGrid();
  const PropertyTable& Properties() const override;
  bool Focusable() const override { return true; }
  bool WantsTab() const override { return (options_ & goTabs) != 0; }

  virtual int ColCount() const { return colCount_; }
  virtual int RowCount() const { return rowCount_; }
  int FixedCols() const { return fixedCols_; }
  int FixedRows() const { return fixedRows_; }
  void SetFixedCols(int n);
  void SetFixedRows(int n);
  int Col() const { return col_; }
  int Row() const { return row_; }
  const TGridRect& Selection() const { return selection_; }
  void SetSelection(const TGridRect& r);

  // Width of a column: -1 hides it; unset columns take DefaultColWidth.
  int ColWidths(int col) const;
  void SetColWidths(int col, int width);
  bool ColVisible(int col) const { return ColWidths(col) >= 0; }
  int DefaultColWidth() const { return defaultColWidth_; }
  void SetDefaultColWidth(int w);
  int DefaultRowHeight() const { return defaultRowHeight_; }
  void SetDefaultRowHeight(int h);
  TRect CellRect(int col, int row) const;

  unsigned Options() const { return options_; }
  void SetOptions(unsigned options);
  bool HasOption(TGridOption o) const { return (options_ & o) != 0; }
  void SetOption(TGridOption o, bool on) { SetOptions(on ? (options_ | o) : (options_ & ~unsigned(o))); }
  bool DefaultDrawing() const { return defaultDrawing_; }
  void SetDefaultDrawing(bool on) { defaultDrawing_ = on; }

  // ---- in-place editor
  bool EditorMode() const { return editorMode_; }
  const std::string& EditorText() const { return editorText_; }
  // The editor's caret and selection, in characters: the selection runs between the anchor and
  // the caret (on either side); typing replaces it, Backspace and Delete remove it.
  int EditorCaret() const;
  int EditorSelStart() const;
  int EditorSelLength() const;

  // Moves the current cell as the user does (OnSelectCell may refuse; returns whether it moved).
  // With extend (and range select), the selection grows from the anchor cell.
  virtual bool MoveTo(int col, int row, bool extend = false);

  TCanvas& Canvas() { return canvas_; }
  // Draws one cell and returns its draw list.
  std::vector<DrawItem> RenderCell(int col, int row);
  // What a cell shows as text, read from its draw list (the path a renderer paints from): the
  // default text and the owner's drawing that no later fill covered, in drawing order, joined
  // by a blank. Masks, formats and get-text handlers of a data cell are applied.
  std::string ShownText(int col, int row);
  // The text a cell shows by default.
  virtual std::string CellText(int col, int row) const = 0;

  TDrawCellEvent OnDrawCell;
  TSelectCellEvent OnSelectCell;

  void KeyDownDefault(int& key, ShiftState shift) override;
  void KeyPressDefault(const std::string& key) override;

 protected:
  void setCounts(int cols, int rows);
  void setCurrent(int col, int row);
  // Editor hooks: whether the current cell may be edited, the text the editor starts with, and
  // storing the editor's text. Subclasses define them.
  virtual bool canEditCell() { return HasOption(goEditing) && col_ >= fixedCols_ && row_ >= fixedRows_; }
  virtual std::string editStartText() { return CellText(col_, row_); }
  virtual void storeEditText(const std::string& text) = 0;
  virtual void editorCancelled() {}
  // The owner's drawing of a data cell after the default drawing (OnDrawCell).
  virtual void userDraw(int col, int row, const TRect& rect, unsigned state);
  // Begins editing (keep = keep the text, else it is replaced by the first typed character).
  bool beginEdit(bool keep);
  void endEdit();
  void setEditorText(const std::string& text);
  // Caret keys of the open editor (Left, Right, Home, End; Shift extends the selection). False
  // when the key is the grid's: no editor, Ctrl held, or, with edgeMoves, an arrow without Shift
  // at the edge of a text with nothing selected (it moves to the next cell then).
  bool editorCaretKey(int key, ShiftState shift, bool edgeMoves);
  // The editor's text with `insert` in place of its selection (at the caret when none).
  std::string editorTextWith(const std::string& insert) const;
  // Removes the selection, or the character before (back) or after the caret.
  void editorErase(bool back);
  // Text written to the editor from outside (the cell changed under it): the caret goes to its end.
  void editorTextReset(const std::string& text);
  int nextVisibleCol(int from, int step) const;
  int firstDataCol() const;

  int colCount_ = 5, rowCount_ = 5;
  int fixedCols_ = 1, fixedRows_ = 1;
  int col_ = 1, row_ = 1;
  TGridRect selection_{1, 1, 1, 1};
  int anchorCol_ = 1, anchorRow_ = 1;
  std::vector<int> colWidths_;
  int defaultColWidth_ = 64, defaultRowHeight_ = 24;
  unsigned options_ = 0;
  bool defaultDrawing_ = true;
  bool editorMode_ = false;
  std::string editorText_, editorOriginal_;
  int editorCaret_ = 0, editorAnchor_ = 0;  // characters; kept within editorText_
  TCanvas canvas_;
};

class TStringGrid : public TCustomGrid {
 public:
  TStringGrid();
  const char* ClassName() const override { return "TStringGrid"; }
  const PropertyTable& Properties() const override;

  void SetColCount(int n);
  void SetRowCount(int n);
  const std::string& Cells(int col, int row) const;
  void SetCells(int col, int row, const std::string& text);
  // Row `row` as a list of its cells / replaced by a list (missing cells become empty).
  std::vector<std::string> Rows(int row) const;
  void SetRows(int row, const std::vector<std::string>& cells);
  std::string CellText(int col, int row) const override { return Cells(col, row); }

  // Typed text reaches the cell as it is typed (the classic string grid stores it at once).
  std::function<void(TComponent& sender, int col, int row, const std::string& value)> OnSetEditText;

 protected:
  void storeEditText(const std::string& text) override;
  void editorCancelled() override;

 private:
  void checkCell(int col, int row) const;
  std::vector<std::vector<std::string>> cells_;  // [row][col]
};

}  // namespace cad
