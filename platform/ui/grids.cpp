// Grid cell model, in-place editor, drawing canvas and the string grid. Keys: arrows, Home/End,
// PgUp/PgDn move the current cell (Shift extends a range selection); Tab moves along the row when
// the grid takes tabs; F2 and Enter toggle the editor; Escape restores the text being edited.
// While the editor is open, Left/Right/Home/End move its caret (Shift selects) and typing,
// Backspace and Delete act on the caret and the selection.
#include "platform/ui/grids.h"

#include <algorithm>

#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/ui/controls.h"
#include "platform/ui/props.h"

namespace cad {

using ui_detail::EventProp;
using ui_detail::Prop;
using ui_detail::ReadOnlyProp;

// ---------------------------------------------------------------- options

namespace {

const std::pair<const char*, TGridOption> kOptionNames[] = {
    {"Editing", goEditing},
    {"Tabs", goTabs},
    {"RowSelect", goRowSelect},
    {"RangeSelect", goRangeSelect},
    {"AlwaysShowEditor", goAlwaysShowEditor},
    {"Titles", goTitles},
    {"ConfirmDelete", goConfirmDelete},
    {"CancelOnExit", goCancelOnExit},
    {"AlwaysShowSelection", goAlwaysShowSelection},
    {"Indicator", goIndicator},
    {"ColumnResize", goColumnResize},
    {"MultiSelect", goMultiSelect},
};

}  // namespace

unsigned GridOptionFromName(std::string_view name) {
  std::string_view n = name;
  if (n.size() > 2 && (n.substr(0, 2) == "go" || n.substr(0, 2) == "dg")) n.remove_prefix(2);
  for (const auto& [text, flag] : kOptionNames)
    if (sameText(text, n)) return flag;
  return 0;
}

std::vector<std::string> GridOptionNames(unsigned options) {
  std::vector<std::string> out;
  for (const auto& [text, flag] : kOptionNames)
    if (options & flag) out.push_back(std::string("go") + text);
  return out;
}

// ---------------------------------------------------------------- TCanvas

std::function<int(const std::string&)> TCanvas::TextWidthHook;

void TCanvas::begin(const TRect& clip) {
  clip_ = clip;
  items_.clear();
}

std::vector<DrawItem> TCanvas::take() { return std::move(items_); }

void TCanvas::FillRect(const TRect& r) {
  // Filling covers what was drawn before inside the area.
  std::erase_if(items_, [&](const DrawItem& i) {
    if (i.kind == DrawItem::Kind::Fill)
      return i.rect.Left >= r.Left && i.rect.Top >= r.Top && i.rect.Right <= r.Right && i.rect.Bottom <= r.Bottom;
    return i.x >= r.Left && i.y >= r.Top && i.x < r.Right && i.y < r.Bottom;
  });
  items_.push_back(DrawItem{DrawItem::Kind::Fill, r, r.Left, r.Top, {}, BrushColor});
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
  items_.push_back(DrawItem{DrawItem::Kind::Text, clip_, x, y, text, FontColor});
}

void TCanvas::TextRect(const TRect& r, int x, int y, const std::string& text) {
  items_.push_back(DrawItem{DrawItem::Kind::Text, r, x, y, text, FontColor});
}

void TCanvas::Draw(int x, int y, const TImage& image) {
  items_.push_back(DrawItem{DrawItem::Kind::Image, clip_, x, y,
                            image.Picture().empty() ? image.Name() : image.Picture(), clDefault});
}

int TCanvas::TextWidth(const std::string& text) const {
  if (TextWidthHook) return TextWidthHook(text);
  return static_cast<int>(utf8Length(text)) * 7;
}

int TCanvas::TextHeight(const std::string&) const { return 13; }

// ---------------------------------------------------------------- TCustomGrid

TCustomGrid::TCustomGrid() = default;

void TCustomGrid::setCounts(int cols, int rows) {
  cols = std::max(0, cols);
  rows = std::max(0, rows);
  if (cols == colCount_ && rows == rowCount_) return;
  colCount_ = cols;
  rowCount_ = rows;
  if (static_cast<int>(colWidths_.size()) > cols) colWidths_.resize(cols);
  fixedCols_ = std::min(fixedCols_, std::max(0, cols - 1));
  fixedRows_ = std::min(fixedRows_, std::max(0, rows - 1));
  int c = std::clamp(col_, fixedCols_, std::max(fixedCols_, cols - 1));
  int r = std::clamp(row_, fixedRows_, std::max(fixedRows_, rows - 1));
  if (editorMode_ && (c != col_ || r != row_)) endEdit();
  col_ = c;
  row_ = r;
  selection_ = {c, r, c, r};
  anchorCol_ = c;
  anchorRow_ = r;
  Changed("Cells");
}

void TCustomGrid::SetFixedCols(int n) {
  n = std::clamp(n, 0, std::max(0, colCount_ - 1));
  if (n == fixedCols_) return;
  fixedCols_ = n;
  setCurrent(firstDataCol(), std::max(row_, fixedRows_));
  Changed("FixedCols");
}

void TCustomGrid::SetFixedRows(int n) {
  n = std::clamp(n, 0, std::max(0, rowCount_ - 1));
  if (n == fixedRows_) return;
  fixedRows_ = n;
  setCurrent(std::max(col_, fixedCols_), n);
  Changed("FixedRows");
}

void TCustomGrid::setCurrent(int col, int row) {
  col_ = col;
  row_ = row;
  anchorCol_ = col;
  anchorRow_ = row;
  selection_ = {col, row, col, row};
  Changed("Current");
}

void TCustomGrid::SetSelection(const TGridRect& r) {
  TGridRect s{std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), std::max(r.Left, r.Right),
              std::max(r.Top, r.Bottom)};
  if (s == selection_) return;
  selection_ = s;
  Changed("Selection");
}

int TCustomGrid::ColWidths(int col) const {
  if (col < 0 || col >= ColCount()) throw Exception(Describe() + ": coluna " + std::to_string(col) + " inexistente.");
  return col < static_cast<int>(colWidths_.size()) && colWidths_[col] != -2 ? colWidths_[col] : defaultColWidth_;
}

void TCustomGrid::SetColWidths(int col, int width) {
  if (col < 0 || col >= ColCount()) throw Exception(Describe() + ": coluna " + std::to_string(col) + " inexistente.");
  if (static_cast<int>(colWidths_.size()) <= col) colWidths_.resize(col + 1, -2);  // -2: default
  width = std::max(-1, width);
  if (colWidths_[col] == width) return;
  colWidths_[col] = width;
  if (width < 0 && col == col_) setCurrent(firstDataCol(), row_);
  Changed("ColWidths");
}

void TCustomGrid::SetDefaultColWidth(int w) {
  if (w == defaultColWidth_) return;
  defaultColWidth_ = w;
  Changed("ColWidths");
}

void TCustomGrid::SetDefaultRowHeight(int h) {
  if (h == defaultRowHeight_) return;
  defaultRowHeight_ = h;
  Changed("DefaultRowHeight");
}

void TCustomGrid::SetOptions(unsigned options) {
  if (options == options_) return;
  options_ = options;
  if (!(options_ & goEditing) && editorMode_) endEdit();
  Changed("Options");
}

TRect TCustomGrid::CellRect(int col, int row) const {
  int x = 0;
  for (int c = 0; c < col && c < colCount_; ++c) x += std::max(0, ColWidths(c)) + 1;
  int y = row * (defaultRowHeight_ + 1);
  return TRect{x, y, x + std::max(0, ColWidths(col)), y + defaultRowHeight_};
}

int TCustomGrid::nextVisibleCol(int from, int step) const {
  for (int c = from; c >= fixedCols_ && c < colCount_; c += step)
    if (ColVisible(c)) return c;
  return -1;
}

int TCustomGrid::firstDataCol() const {
  int c = nextVisibleCol(fixedCols_, 1);
  return c < 0 ? fixedCols_ : c;
}

bool TCustomGrid::MoveTo(int col, int row, bool extend) {
  if (col < fixedCols_ || col >= colCount_ || row < fixedRows_ || row >= rowCount_)
    throw Exception(Describe() + ": célula (" + std::to_string(col) + ", " + std::to_string(row) +
                    ") fora da área de dados.");
  if (col == col_ && row == row_ && !extend) return true;
  bool can = true;
  if (OnSelectCell) OnSelectCell(*this, col, row, can);
  if (!can) return false;
  if (editorMode_) endEdit();
  if (extend && HasOption(goRangeSelect)) {
    col_ = col;
    row_ = row;
    SetSelection({anchorCol_, anchorRow_, col, row});
    Changed("Current");
  } else {
    setCurrent(col, row);
  }
  return true;
}

std::vector<DrawItem> TCustomGrid::RenderCell(int col, int row) {
  TRect r = CellRect(col, row);
  canvas_.begin(r);
  canvas_.BrushColor = clDefault;
  canvas_.FontColor = clDefault;
  bool fixed = col < fixedCols_ || row < fixedRows_;
  unsigned state = fixed ? unsigned(gdFixed) : 0u;
  if (!fixed && col >= selection_.Left && col <= selection_.Right && row >= selection_.Top && row <= selection_.Bottom)
    state |= gdSelected;
  if (col == col_ && row == row_ && Focused()) state |= gdFocused;
  if (defaultDrawing_) {
    canvas_.FillRect(r);
    canvas_.TextRect(r, r.Left + 2, r.Top + 2, CellText(col, row));
  }
  if (!fixed) userDraw(col, row, r, state);
  return canvas_.take();
}

std::string TCustomGrid::ShownText(int col, int row) {
  std::string text;
  for (const DrawItem& item : RenderCell(col, row))
    if (item.kind == DrawItem::Kind::Text && !item.text.empty()) text += (text.empty() ? "" : " ") + item.text;
  return text;
}

void TCustomGrid::userDraw(int col, int row, const TRect& rect, unsigned state) {
  if (OnDrawCell) OnDrawCell(*this, col, row, rect, state);
}

void TCustomGrid::setEditorText(const std::string& text) {
  if (text == editorText_) return;
  editorText_ = text;
  Changed("EditorText");
}

int TCustomGrid::EditorCaret() const { return std::min(editorCaret_, static_cast<int>(utf8Length(editorText_))); }

int TCustomGrid::EditorSelStart() const {
  return std::min({editorCaret_, editorAnchor_, static_cast<int>(utf8Length(editorText_))});
}

int TCustomGrid::EditorSelLength() const {
  int len = static_cast<int>(utf8Length(editorText_));
  return std::min(std::max(editorCaret_, editorAnchor_), len) - EditorSelStart();
}

void TCustomGrid::editorTextReset(const std::string& text) {
  editorText_ = text;
  editorCaret_ = editorAnchor_ = static_cast<int>(utf8Length(text));
}

std::string TCustomGrid::editorTextWith(const std::string& insert) const {
  std::vector<std::string> chars = utf8Chars(editorText_);
  int start = EditorSelStart(), end = start + EditorSelLength();
  std::string out;
  for (int i = 0; i < start; ++i) out += chars[i];
  out += insert;
  for (int i = end; i < static_cast<int>(chars.size()); ++i) out += chars[i];
  return out;
}

void TCustomGrid::editorErase(bool back) {
  int start = EditorSelStart();
  if (EditorSelLength() == 0) {
    // Nothing selected: the character beside the caret is the selection to remove.
    if (back ? start == 0 : start == static_cast<int>(utf8Length(editorText_))) return;
    if (back) --start;
    editorAnchor_ = start;
    editorCaret_ = start + 1;
  }
  std::string text = editorTextWith({});
  editorCaret_ = editorAnchor_ = start;
  setEditorText(text);
  storeEditText(text);
}

bool TCustomGrid::editorCaretKey(int key, ShiftState shift, bool edgeMoves) {
  if (!editorMode_ || (shift & (ssCtrl | ssAlt))) return false;
  if (key != VK_LEFT && key != VK_RIGHT && key != VK_HOME && key != VK_END) return false;
  const int len = static_cast<int>(utf8Length(editorText_));
  const bool extend = shift & ssShift;
  const int start = EditorSelStart(), end = start + EditorSelLength();
  int caret = EditorCaret();
  switch (key) {
    case VK_LEFT:
      if (!extend && start != end)
        caret = start;
      else if (caret > 0)
        caret -= 1;
      else if (edgeMoves && !extend)
        return false;
      break;
    case VK_RIGHT:
      if (!extend && start != end)
        caret = end;
      else if (caret < len)
        caret += 1;
      else if (edgeMoves && !extend)
        return false;
      break;
    case VK_HOME: caret = 0; break;
    default: caret = len; break;
  }
  if (!extend)
    editorAnchor_ = caret;
  else
    editorAnchor_ = std::min(editorAnchor_, len);
  editorCaret_ = caret;
  Changed("EditorCaret");
  return true;
}

bool TCustomGrid::beginEdit(bool keep) {
  if (editorMode_) return true;
  if (!canEditCell()) return false;
  editorOriginal_ = editStartText();
  editorText_ = editorOriginal_;
  // Kept: the caret at the end; otherwise the whole text selected, so what is typed replaces it.
  editorCaret_ = static_cast<int>(utf8Length(editorText_));
  editorAnchor_ = keep ? editorCaret_ : 0;
  editorMode_ = true;
  Changed("EditorMode");
  return true;
}

void TCustomGrid::endEdit() {
  if (!editorMode_) return;
  editorMode_ = false;
  Changed("EditorMode");
}

void TCustomGrid::KeyDownDefault(int& key, ShiftState shift) {
  if (editorCaretKey(key, shift, HasOption(goAlwaysShowEditor))) return;
  bool extend = (shift & ssShift) && HasOption(goRangeSelect);
  int dataRows = rowCount_ - fixedRows_;
  auto go = [&](int c, int r) {
    if (c >= fixedCols_ && c < colCount_ && r >= fixedRows_ && r < rowCount_) MoveTo(c, r, extend);
  };
  switch (key) {
    case VK_UP: go(col_, row_ - 1); break;
    case VK_DOWN: go(col_, row_ + 1); break;
    case VK_LEFT:
      if (!editorMode_ || HasOption(goAlwaysShowEditor)) {
        int c = nextVisibleCol(col_ - 1, -1);
        if (c >= 0) go(c, row_);
      }
      break;
    case VK_RIGHT:
      if (!editorMode_ || HasOption(goAlwaysShowEditor)) {
        int c = nextVisibleCol(col_ + 1, 1);
        if (c >= 0) go(c, row_);
      }
      break;
    case VK_HOME: go(firstDataCol(), (shift & ssCtrl) ? fixedRows_ : row_); break;
    case VK_END: {
      int c = nextVisibleCol(colCount_ - 1, -1);
      go(c < 0 ? col_ : c, (shift & ssCtrl) ? rowCount_ - 1 : row_);
      break;
    }
    case VK_PRIOR: go(col_, std::max(fixedRows_, row_ - 10)); break;
    case VK_NEXT: go(col_, std::min(rowCount_ - 1, row_ + 10)); break;
    case VK_TAB: {
      if (!HasOption(goTabs) || dataRows <= 0) break;
      bool back = shift & ssShift;
      int c = nextVisibleCol(col_ + (back ? -1 : 1), back ? -1 : 1);
      if (c >= 0) {
        MoveTo(c, row_);
      } else {
        int r = row_ + (back ? -1 : 1);
        int wrap = back ? nextVisibleCol(colCount_ - 1, -1) : firstDataCol();
        if (r >= fixedRows_ && r < rowCount_ && wrap >= 0) MoveTo(wrap, r);
      }
      break;
    }
    case VK_F2:
      if (!editorMode_) beginEdit(true);
      break;
    case VK_RETURN:
      if (editorMode_) {
        storeEditText(editorText_);
        endEdit();
      } else if (HasOption(goEditing)) {
        beginEdit(true);
      }
      break;
    case VK_ESCAPE:
      if (editorMode_) {
        editorTextReset(editorOriginal_);
        Changed("EditorText");
        editorCancelled();
        endEdit();
      }
      break;
    case VK_DELETE:
      // On a closed editor it opens with the whole text selected: the cell is emptied.
      if (editorMode_ || beginEdit(false)) editorErase(false);
      break;
    default: break;
  }
}

void TCustomGrid::KeyPressDefault(const std::string& key) {
  if (key.empty() || key == "\r" || key == "\x1b" || key == "\t") return;
  bool back = key == "\b";
  if (!back && static_cast<unsigned char>(key[0]) < 0x20) return;
  if (!editorMode_ && !beginEdit(false)) return;
  if (back) return editorErase(true);
  std::string text = editorTextWith(key);
  editorCaret_ = editorAnchor_ = EditorSelStart() + static_cast<int>(utf8Length(key));
  setEditorText(text);
  storeEditText(text);
}

const PropertyTable& TCustomGrid::Properties() const {
  static const PropertyTable table(
      &TControl::Properties(),
      {
          Prop<TCustomGrid>(
              "FixedCols", [](const TCustomGrid& g) { return g.FixedCols(); },
              [](TCustomGrid& g, const Variant& v) { g.SetFixedCols(PropInt(v)); }),
          Prop<TCustomGrid>(
              "FixedRows", [](const TCustomGrid& g) { return g.FixedRows(); },
              [](TCustomGrid& g, const Variant& v) { g.SetFixedRows(PropInt(v)); }),
          Prop<TCustomGrid>(
              "DefaultColWidth", [](const TCustomGrid& g) { return g.DefaultColWidth(); },
              [](TCustomGrid& g, const Variant& v) { g.SetDefaultColWidth(PropInt(v)); }),
          Prop<TCustomGrid>(
              "DefaultRowHeight", [](const TCustomGrid& g) { return g.DefaultRowHeight(); },
              [](TCustomGrid& g, const Variant& v) { g.SetDefaultRowHeight(PropInt(v)); }),
          Prop<TCustomGrid>(
              "DefaultDrawing", [](const TCustomGrid& g) { return g.DefaultDrawing(); },
              [](TCustomGrid& g, const Variant& v) { g.SetDefaultDrawing(PropBool(v)); }),
          Prop<TCustomGrid>(
              "ColWidths",
              [](const TCustomGrid& g) {
                std::vector<int> w;
                for (int c = 0; c < g.ColCount(); ++c) w.push_back(g.ColWidths(c));
                return IntsToVariant(w);
              },
              [](TCustomGrid& g, const Variant& v) {
                std::vector<int> w = PropInts(v);
                for (size_t c = 0; c < w.size(); ++c) g.SetColWidths(static_cast<int>(c), w[c]);
              }),
          Prop<TCustomGrid>(
              "Options", [](const TCustomGrid& g) { return StringsToVariant(GridOptionNames(g.Options())); },
              [](TCustomGrid& g, const Variant& v) {
                unsigned o = 0;
                for (const std::string& n : PropStrings(v)) {
                  unsigned f = GridOptionFromName(n);
                  if (!f) throw Exception(g.Describe() + ": opção de grade desconhecida '" + n + "'.");
                  o |= f;
                }
                g.SetOptions(o);
              }),
          ReadOnlyProp<TCustomGrid>("Col", [](const TCustomGrid& g) { return g.Col(); }),
          ReadOnlyProp<TCustomGrid>("Row", [](const TCustomGrid& g) { return g.Row(); }),
          ReadOnlyProp<TCustomGrid>("ColCount", [](const TCustomGrid& g) { return g.ColCount(); }),
          ReadOnlyProp<TCustomGrid>("RowCount", [](const TCustomGrid& g) { return g.RowCount(); }),
          ReadOnlyProp<TCustomGrid>("Selection",
                                    [](const TCustomGrid& g) {
                                      const TGridRect& s = g.Selection();
                                      return IntsToVariant({s.Left, s.Top, s.Right, s.Bottom});
                                    }),
          ReadOnlyProp<TCustomGrid>("EditorMode", [](const TCustomGrid& g) { return g.EditorMode(); }),
          ReadOnlyProp<TCustomGrid>("EditorText", [](const TCustomGrid& g) { return g.EditorText(); }),
          EventProp<TCustomGrid>("OnDrawCell", &TCustomGrid::OnDrawCell),
          EventProp<TCustomGrid>("OnSelectCell", &TCustomGrid::OnSelectCell),
      });
  return table;
}

// ---------------------------------------------------------------- TStringGrid

TStringGrid::TStringGrid() { cells_.assign(rowCount_, std::vector<std::string>(colCount_)); }

void TStringGrid::checkCell(int col, int row) const {
  if (col < 0 || col >= colCount_ || row < 0 || row >= rowCount_)
    throw Exception(Describe() + ": célula (" + std::to_string(col) + ", " + std::to_string(row) + ") fora da grade.");
}

void TStringGrid::SetColCount(int n) {
  n = std::max(1, n);
  for (auto& r : cells_) r.resize(n);
  setCounts(n, rowCount_);
}

void TStringGrid::SetRowCount(int n) {
  n = std::max(1, n);
  cells_.resize(n, std::vector<std::string>(colCount_));
  setCounts(colCount_, n);
}

const std::string& TStringGrid::Cells(int col, int row) const {
  checkCell(col, row);
  return cells_[row][col];
}

void TStringGrid::SetCells(int col, int row, const std::string& text) {
  checkCell(col, row);
  if (cells_[row][col] == text) return;
  cells_[row][col] = text;
  if (editorMode_ && col == col_ && row == row_) editorTextReset(text);
  Changed("Cells");
}

std::vector<std::string> TStringGrid::Rows(int row) const {
  checkCell(0, row);
  return cells_[row];
}

void TStringGrid::SetRows(int row, const std::vector<std::string>& cells) {
  checkCell(0, row);
  std::vector<std::string> r = cells;
  r.resize(colCount_);
  if (cells_[row] == r) return;
  cells_[row] = std::move(r);
  Changed("Cells");
}

void TStringGrid::storeEditText(const std::string& text) {
  if (cells_[row_][col_] != text) {
    cells_[row_][col_] = text;
    Changed("Cells");
  }
  if (OnSetEditText) OnSetEditText(*this, col_, row_, text);
}

void TStringGrid::editorCancelled() { storeEditText(editorOriginal_); }

const PropertyTable& TStringGrid::Properties() const {
  static const PropertyTable table(&TCustomGrid::Properties(),
                                   {
                                       Prop<TStringGrid>(
                                           "ColCount", [](const TStringGrid& g) { return g.ColCount(); },
                                           [](TStringGrid& g, const Variant& v) { g.SetColCount(PropInt(v)); }),
                                       Prop<TStringGrid>(
                                           "RowCount", [](const TStringGrid& g) { return g.RowCount(); },
                                           [](TStringGrid& g, const Variant& v) { g.SetRowCount(PropInt(v)); }),
                                       // Rows of cells: [["a","b"],["c","d"]] from row 0.
                                       Prop<TStringGrid>(
                                           "Cells",
                                           [](const TStringGrid& g) {
                                             VariantArray rows;
                                             for (int r = 0; r < g.RowCount(); ++r)
                                               rows.emplace_back(StringsToVariant(g.Rows(r)));
                                             return Variant(std::move(rows));
                                           },
                                           [](TStringGrid& g, const Variant& v) {
                                             const VariantArray& rows = v.asArray();
                                             if (static_cast<int>(rows.size()) > g.RowCount())
                                               g.SetRowCount(static_cast<int>(rows.size()));
                                             for (size_t r = 0; r < rows.size(); ++r)
                                               g.SetRows(static_cast<int>(r), PropStrings(rows[r]));
                                           }),
                                       EventProp<TStringGrid>("OnSetEditText", &TStringGrid::OnSetEditText),
                                   });
  return table;
}

}  // namespace cad
