// The custom widgets of the renderer. None of them changes the model: user input is handed to
// the renderer, which runs it through the dispatcher; what they show is read from the model.
#include "hosts/desktop/widgets.h"

#include <QScrollArea>

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "hosts/desktop/style.h"
#include "platform/core/format.h"
#include "platform/ui/dbcontrols.h"
#include "platform/ui/forms.h"
#include "platform/ui/grids.h"
#include "platform/ui/pages.h"

namespace cad::desktop {

QString qs(const std::string& s) { return QString::fromStdString(s); }
std::string ss(const QString& s) { return s.toStdString(); }

QColor toQColor(TColor color) {
  if (color == clDefault) return {};
  if (color & 0x80000000) {
    const QPalette pal = QApplication::palette();
    switch (color & 0xFF) {
      case 0x05: return pal.color(QPalette::Base);
      case 0x08: return pal.color(QPalette::Text);
      case 0x0F: return pal.color(QPalette::Button);
      case 0x18: return pal.color(QPalette::ToolTipBase);
      default: return pal.color(QPalette::Window);
    }
  }
  return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

QString accelRichText(const std::string& caption) {
  QString in = qs(caption), out;
  bool underlined = false;
  for (int i = 0; i < in.size(); ++i) {
    QChar c = in[i];
    if (c == '&' && i + 1 < in.size()) {
      QChar next = in[++i];
      if (next == '&' || underlined) {
        out += QString(next).toHtmlEscaped();
      } else {
        out += "<u>" + QString(next).toHtmlEscaped() + "</u>";
        underlined = true;
      }
      continue;
    }
    out += QString(c).toHtmlEscaped();
  }
  return out;
}

// ---------------------------------------------------------------- FormWindow

FormWindow::FormWindow(RendererHost& renderer, TForm& form)
    : QWidget(nullptr, Qt::Window), renderer_(renderer), form_(&form) {
  auto* box = new QVBoxLayout(this);
  box->setContentsMargins(0, 0, 0, 0);
  box->setSpacing(0);
  menuBar_ = new QMenuBar(this);
  menuBar_->setFocusPolicy(Qt::NoFocus);
  menuBar_->hide();
  box->addWidget(menuBar_);
  scroll_ = new QScrollArea(this);
  scroll_->setFrameShape(QFrame::NoFrame);
  scroll_->setWidgetResizable(true);
  scroll_->setFocusPolicy(Qt::NoFocus);
  client_ = new QWidget;
  scroll_->setWidget(client_);
  client_->installEventFilter(this);
  box->addWidget(scroll_, 1);
  setFocusPolicy(Qt::NoFocus);
}

void FormWindow::setDesignSize(QSize size) {
  // The design height counts the menu bar of a form that has a menu.
  int menu = form_ && form_->Menu() ? std::max(menuBar_->sizeHint().height(), fontMetrics().height() + 8) : 0;
  client_->setMinimumSize(size.width(), std::max(0, size.height() - menu));
  resize(size);
}

bool FormWindow::eventFilter(QObject* watched, QEvent* e) {
  // The client resizes with the scroll area's viewport: the controls are laid out again.
  if (watched == client_ && e->type() == QEvent::Resize && form_) renderer_.relayout(*form_);
  return QWidget::eventFilter(watched, e);
}

QPoint PlaceOnScreen(QSize size, const QRect& over, const QRect& avail, QSize* fitted) {
  // Title bar and borders the window manager adds around the client size.
  const QSize frame(16, 40);
  QSize s(std::min(size.width(), std::max(200, avail.width() - frame.width())),
          std::min(size.height(), std::max(120, avail.height() - frame.height())));
  if (fitted) *fitted = s;
  QPoint p = over.center() - QPoint((s.width() + frame.width()) / 2, (s.height() + frame.height()) / 2);
  p.setX(std::clamp(p.x(), avail.left(), std::max(avail.left(), avail.right() + 1 - s.width() - frame.width())));
  p.setY(std::clamp(p.y(), avail.top(), std::max(avail.top(), avail.bottom() + 1 - s.height() - frame.height())));
  return p;
}

void FormWindow::closeEvent(QCloseEvent* e) {
  // The model decides: OnCloseQuery may keep the form open; a closed form hides through sync.
  e->ignore();
  if (!form_) return;
  TForm* form = form_;
  renderer_.act([form] { return UserActions::CloseForm(*form); });
}

void FormWindow::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  if (form_) renderer_.relayout(*form_);
}

void FormWindow::changeEvent(QEvent* e) {
  QWidget::changeEvent(e);
  if (e->type() != QEvent::ActivationChange || !form_ || !isActiveWindow() || renderer_.syncing()) return;
  TForm* form = form_;
  if (Application().ActiveForm() == form || !form->Visible()) return;
  // The user brought the window to the front: the form becomes the active one (OnActivate).
  renderer_.act([form] { return UserActions::Activate(*form); });
}

// ---------------------------------------------------------------- PageControlWidget

PageControlWidget::PageControlWidget(QWidget* parent) : QWidget(parent) {
  frame_ = new QFrame(this);
  frame_->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
  tabs_ = new QTabBar(this);
  tabs_->setFocusPolicy(Qt::NoFocus);
  tabs_->setDrawBase(false);
  tabs_->setExpanding(false);
  tabs_->setUsesScrollButtons(true);
  // Captions show whole; tabs beyond the width scroll.
  tabs_->setElideMode(Qt::ElideNone);
}

QRect PageControlWidget::pageRect() const {
  int th = tabs_->sizeHint().height();
  return QRect(3, th + 3, std::max(0, width() - 6), std::max(0, height() - th - 6));
}

void PageControlWidget::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  int th = tabs_->sizeHint().height();
  tabs_->setGeometry(2, 0, std::max(0, width() - 4), th);
  frame_->setGeometry(0, th - 1, width(), std::max(0, height() - th + 1));
}

void PageControlWidget::syncTabs(TPageControl& pc) {
  std::vector<TTabSheet*> pages = pc.Pages();
  int n = static_cast<int>(pages.size());
  while (tabs_->count() > n) tabs_->removeTab(tabs_->count() - 1);
  while (tabs_->count() < n) tabs_->addTab(QString());
  for (int i = 0; i < n; ++i) {
    QString text = qs(pages[i]->Caption());
    if (tabs_->tabText(i) != text) tabs_->setTabText(i, text);
    tabs_->setTabVisible(i, pages[i]->TabVisible());
    tabs_->setTabEnabled(i, pages[i]->Enabled());
    tabs_->setTabToolTip(i, qs(pages[i]->Hint()));
  }
  int active = pc.ActivePageIndex();
  if (active >= 0 && tabs_->currentIndex() != active) tabs_->setCurrentIndex(active);
  int th = tabs_->sizeHint().height();
  tabs_->setGeometry(2, 0, std::max(0, width() - 4), th);
  frame_->setGeometry(0, th - 1, width(), std::max(0, height() - th + 1));
}

// ---------------------------------------------------------------- NavigatorWidget

NavigatorWidget::NavigatorWidget(QWidget* parent, std::function<void(int)> onClick) : QWidget(parent) {
  for (int i = 0; i < style::kNavigatorButtons; ++i) {
    auto* b = new QToolButton(this);
    b->setText(style::NavigatorGlyph(i));
    b->setToolTip(style::NavigatorHint(i));
    b->setFocusPolicy(Qt::NoFocus);
    b->setAutoRaise(false);
    QObject::connect(b, &QToolButton::clicked, this, [onClick, i] { onClick(i); });
    buttons_.push_back(b);
  }
}

void NavigatorWidget::syncButtons(TDBNavigator& nav) {
  for (int i = 0; i < style::kNavigatorButtons; ++i) {
    auto b = static_cast<TNavigateBtn>(i);
    buttons_[i]->setVisible(nav.ButtonVisible(b));
    buttons_[i]->setEnabled(nav.ButtonEnabled(b));
  }
  resizeEvent(nullptr);
}

void NavigatorWidget::resizeEvent(QResizeEvent*) {
  int shown = 0;
  for (auto* b : buttons_)
    if (!b->isHidden()) ++shown;
  if (!shown) return;
  int w = width() / shown, x = 0;
  for (auto* b : buttons_) {
    if (b->isHidden()) continue;
    b->setGeometry(x, 0, w, height());
    x += w;
  }
}

// ---------------------------------------------------------------- ImageWidget

void ImageWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  style::PaintPicture(p, rect(), picture_);
}

// ---------------------------------------------------------------- SplitterWidget

SplitterWidget::SplitterWidget(QWidget* parent, std::function<void(int)> onDrag)
    : QWidget(parent), onDrag_(std::move(onDrag)) {
  setVertical(true);
}

void SplitterWidget::setVertical(bool vertical) {
  vertical_ = vertical;
  setCursor(vertical ? Qt::SplitHCursor : Qt::SplitVCursor);
}

void SplitterWidget::mousePressEvent(QMouseEvent* e) { last_ = e->globalPosition().toPoint(); }

void SplitterWidget::mouseMoveEvent(QMouseEvent* e) {
  if (!(e->buttons() & Qt::LeftButton)) return;
  QPoint now = e->globalPosition().toPoint();
  int delta = vertical_ ? now.x() - last_.x() : now.y() - last_.y();
  last_ = now;
  if (delta) onDrag_(delta);
}

// ---------------------------------------------------------------- grids

GridModel::GridModel(TCustomGrid& grid, QObject* parent)
    : QAbstractTableModel(parent), grid_(&grid), db_(dynamic_cast<TDBGrid*>(&grid)) {
  rows_ = rowCount();
  cols_ = columnCount();
}

int GridModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || !grid_) return 0;
  return db_ ? std::max(0, db_->RowCount() - 1) : grid_->RowCount();
}

int GridModel::columnCount(const QModelIndex& parent) const {
  if (parent.isValid() || !grid_) return 0;
  return grid_->ColCount();
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
  if (!grid_ || !index.isValid() || role != Qt::DisplayRole) return {};
  return qs(grid_->CellText(index.column(), gridRow(index.row())));
}

QVariant GridModel::headerData(int section, Qt::Orientation o, int role) const {
  if (!grid_ || !db_ || o != Qt::Horizontal || section >= db_->ColumnCount()) return {};
  if (role == Qt::DisplayRole) return qs(db_->Columns(section).Title());
  if (role == Qt::TextAlignmentRole) {
    switch (db_->Columns(section).TitleAlignment) {
      case TAlignment::taRightJustify: return int(Qt::AlignRight | Qt::AlignVCenter);
      case TAlignment::taCenter: return int(Qt::AlignCenter);
      default: return int(Qt::AlignLeft | Qt::AlignVCenter);
    }
  }
  return {};
}

void GridModel::refresh() {
  if (!grid_) return;
  int rows = rowCount(), cols = columnCount();
  if (rows != rows_ || cols != cols_) {
    beginResetModel();
    rows_ = rows;
    cols_ = cols;
    endResetModel();
    return;
  }
  if (rows > 0 && cols > 0) emit dataChanged(index(0, 0), index(rows - 1, cols - 1));
  if (cols > 0) emit headerDataChanged(Qt::Horizontal, 0, cols - 1);
}

namespace {

QRect toQRect(const TRect& r) { return QRect(QPoint(r.Left, r.Top), QPoint(r.Right - 1, r.Bottom - 1)); }

// The open editor's selection (highlighted) and caret over its text, drawn in `tr` with `flags`.
void paintEditor(QPainter& p, const QRect& tr, int flags, const TCustomGrid& g, const QPalette& pal) {
  const std::vector<std::string> chars = utf8Chars(g.EditorText());
  auto upTo = [&](int n) {
    std::string s;
    for (int i = 0; i < n && i < static_cast<int>(chars.size()); ++i) s += chars[i];
    return qs(s);
  };
  const QString text = qs(g.EditorText());
  const QFontMetrics fm = p.fontMetrics();
  const int width = fm.horizontalAdvance(text);
  const int left = (flags & Qt::AlignRight)     ? tr.x() + tr.width() - width
                   : (flags & Qt::AlignHCenter) ? tr.x() + (tr.width() - width) / 2
                                                : tr.x();
  auto xAt = [&](int n) { return left + fm.horizontalAdvance(upTo(n)); };
  const int top = tr.top() + (tr.height() - fm.height()) / 2;
  if (g.EditorSelLength() > 0) {
    QRect sel(QPoint(xAt(g.EditorSelStart()), top),
              QPoint(xAt(g.EditorSelStart() + g.EditorSelLength()) - 1, top + fm.height() - 1));
    p.fillRect(sel, pal.color(QPalette::Highlight));
    p.save();
    p.setClipRect(sel, Qt::IntersectClip);
    p.setPen(pal.color(QPalette::HighlightedText));
    p.drawText(tr, flags | Qt::TextSingleLine, text);
    p.restore();
  }
  const int x = xAt(g.EditorCaret());
  p.setPen(pal.color(QPalette::Text));
  p.drawLine(x, top, x, top + fm.height() - 1);
}

}  // namespace

namespace {

// How one cell looks: where it stands in the grid and the colours that follow from it.
struct CellLook {
  bool fixed = false, current = false, editing = false, focused = false;
  QColor bg, fg;
  TDBGrid* db = nullptr;
  bool rightAligned = false, centered = false;  // a data column's alignment
};

CellLook cellLook(TCustomGrid& g, int col, int row, const QStyleOptionViewItem& option) {
  const QPalette& pal = option.palette;
  CellLook l;
  l.fixed = col < g.FixedCols() || row < g.FixedRows();
  l.current = col == g.Col() && row == g.Row();
  const TGridRect& s = g.Selection();
  bool rowSel = g.HasOption(goRowSelect) && row == g.Row();
  bool selected = !l.fixed && ((col >= s.Left && col <= s.Right && row >= s.Top && row <= s.Bottom) || rowSel);
  l.editing = g.EditorMode() && l.current;
  l.focused = g.Focused();
  l.bg = pal.color(QPalette::Base);
  l.fg = pal.color(QPalette::Text);
  if (l.fixed) {
    l.bg = pal.color(QPalette::Button);
    l.fg = pal.color(QPalette::ButtonText);
  } else if (selected && !l.editing) {
    if (l.focused || g.HasOption(goAlwaysShowSelection)) {
      l.bg = pal.color(QPalette::Highlight);
      l.fg = pal.color(QPalette::HighlightedText);
    } else {
      l.bg = pal.color(QPalette::Highlight).lighter(170);
    }
  }
  if (!(option.state & QStyle::State_Enabled)) l.fg = pal.color(QPalette::Disabled, QPalette::Text);
  l.db = dynamic_cast<TDBGrid*>(&g);
  if (l.db && col < l.db->ColumnCount()) {
    TAlignment a = l.db->Columns(col).EffectiveAlignment();
    l.rightAligned = a == TAlignment::taRightJustify;
    l.centered = a == TAlignment::taCenter;
  }
  return l;
}

// The cell's frame: the fixed cells' lines, the editor's box or the focus, a lookup button.
void paintCellFrame(QPainter* p, const QStyleOptionViewItem& option, const CellLook& l, int col) {
  const QPalette& pal = option.palette;
  if (l.fixed) {
    p->setPen(pal.color(QPalette::Mid));
    p->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
    p->drawLine(option.rect.topRight(), option.rect.bottomRight());
  }
  if (l.editing) {
    p->setPen(pal.color(QPalette::Text));
    p->drawRect(option.rect.adjusted(0, 0, -1, -1));
  } else if (l.current && l.focused && !l.fixed) {
    QStyleOptionFocusRect fr;
    fr.rect = option.rect.adjusted(1, 1, -1, -1);
    fr.palette = pal;
    fr.backgroundColor = l.bg;
    QApplication::style()->drawPrimitive(QStyle::PE_FrameFocusRect, &fr, p);
  }
  TDBGrid* db = l.db;
  if (db && l.current && col < db->ColumnCount() && db->Columns(col).HasEditButton() && !db->ReadOnly()) {
    QStyleOptionButton b;
    b.rect = QRect(option.rect.right() - 15, option.rect.top() + 1, 15, option.rect.height() - 2);
    b.state = QStyle::State_Enabled | QStyle::State_Raised;
    b.text = QString::fromUtf8("…");
    b.palette = pal;
    QApplication::style()->drawControl(QStyle::CE_PushButton, &b, p);
  }
}

}  // namespace

void GridDelegate::paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  auto* m = static_cast<const GridModel*>(index.model());
  if (!m->attached()) return;
  TCustomGrid& g = m->grid();
  int col = index.column(), row = m->gridRow(index.row());
  std::vector<DrawItem> items = g.RenderCell(col, row);
  TRect cr = g.CellRect(col, row);
  QPoint off = option.rect.topLeft() - QPoint(cr.Left, cr.Top);
  const CellLook l = cellLook(g, col, row, option);

  p->save();
  p->setClipRect(option.rect);
  p->fillRect(option.rect, l.bg);
  bool firstText = true;
  for (const DrawItem& item : items) {
    QRect clip = toQRect(item.rect).translated(off) & option.rect;
    switch (item.kind) {
      case DrawItem::Kind::Fill: p->fillRect(clip, item.color == clDefault ? l.bg : toQColor(item.color)); break;
      case DrawItem::Kind::Text: {
        p->setPen(item.color == clDefault ? l.fg : toQColor(item.color));
        int x = item.x + off.x();
        QRect tr(x, clip.top(), std::max(0, clip.right() - x), clip.height());
        int flags = Qt::AlignLeft | Qt::AlignVCenter;
        // The default text of a data cell follows its column's alignment.
        if (l.db && firstText && !l.fixed && (l.rightAligned || l.centered)) {
          tr = clip.adjusted(2, 0, -3, 0);
          flags = (l.rightAligned ? Qt::AlignRight : Qt::AlignHCenter) | Qt::AlignVCenter;
        }
        p->drawText(tr, flags | Qt::TextSingleLine, qs(item.text));
        if (l.editing && firstText && item.text == g.EditorText()) paintEditor(*p, tr, flags, g, option.palette);
        firstText = false;
        break;
      }
      case DrawItem::Kind::Image: {
        int side = std::min(16, clip.height() - 2);
        style::PaintPicture(*p, QRect(item.x + off.x(), item.y + off.y(), side, side), item.text);
        break;
      }
    }
  }
  paintCellFrame(p, option, l, col);
  p->restore();
}

GridView::GridView(RendererHost& renderer, TCustomGrid& grid, QWidget* parent)
    : QTableView(parent), renderer_(renderer) {
  model_ = new GridModel(grid, this);
  setModel(model_);
  setItemDelegate(new GridDelegate(this));
  setSelectionMode(QAbstractItemView::NoSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setFocusPolicy(Qt::NoFocus);
  setTabKeyNavigation(false);
  setWordWrap(false);
  setCornerButtonEnabled(false);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setSectionsClickable(true);
  horizontalHeader()->setFocusPolicy(Qt::NoFocus);
  horizontalHeader()->setMinimumSectionSize(4);
  if (!model_->isDb()) horizontalHeader()->hide();
  connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int section) {
    if (!model_->attached() || !model_->isDb()) return;
    auto* db = static_cast<TDBGrid*>(&model_->grid());
    renderer_.act([db, section] { return UserActions::TitleClick(*db, section); });
  });
}

void GridView::syncFromModel() {
  if (!model_->attached()) return;
  model_->refresh();
  TCustomGrid& g = model_->grid();
  auto* db = dynamic_cast<TDBGrid*>(&g);
  int cols = model_->columnCount();
  for (int c = 0; c < cols; ++c) {
    int w = db ? (db->Columns(c).Visible ? db->Columns(c).EffectiveWidth() : -1) : g.ColWidths(c);
    // A column is never narrower than its title, so every title shows whole.
    if (db && w >= 0 && db->HasOption(goTitles))
      w = std::max(w, horizontalHeader()->fontMetrics().horizontalAdvance(qs(db->Columns(c).Title())) + 14);
    // The grid's cell rectangles (handed to its drawing handlers) follow the columns' widths.
    if (db && g.ColWidths(c) != w) g.SetColWidths(c, w);
    setColumnHidden(c, w < 0);
    if (w >= 0 && columnWidth(c) != w) setColumnWidth(c, w);
  }
  if (db) {
    horizontalHeader()->setVisible(db->HasOption(goTitles));
    verticalHeader()->setDefaultSectionSize(std::max(18, fontMetrics().height() + 6));
  } else {
    verticalHeader()->setDefaultSectionSize(std::max(g.DefaultRowHeight(), fontMetrics().height() + 4));
  }
  int tableRow = db ? g.Row() - 1 : g.Row();
  if (tableRow >= 0 && tableRow < model_->rowCount() && g.Col() >= 0 && g.Col() < cols)
    scrollTo(model_->index(tableRow, g.Col()));
  viewport()->update();
}

QRect GridView::editButtonRect() const {
  if (!model_->attached() || !model_->isDb()) return {};
  auto* db = static_cast<TDBGrid*>(&model_->grid());
  int col = db->Col(), row = db->Row() - 1;
  if (db->ReadOnly() || col < 0 || col >= db->ColumnCount() || row < 0 || row >= model_->rowCount()) return {};
  if (!db->Columns(col).HasEditButton()) return {};
  QRect cell = visualRect(model_->index(row, col));
  return QRect(cell.right() - 15, cell.top() + 1, 15, cell.height() - 2);
}

void GridView::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || !model_->attached()) return;
  QPoint pos = e->position().toPoint();
  QModelIndex idx = indexAt(pos);
  TCustomGrid* g = &model_->grid();
  if (!idx.isValid()) {
    renderer_.act([g] { return UserActions::Focus(*g); });
    return;
  }
  bool onButton = editButtonRect().contains(pos);
  int col = idx.column(), row = model_->gridRow(idx.row());
  bool extend = e->modifiers() & Qt::ShiftModifier;
  ActionResult r = renderer_.act([g, col, row, extend] { return UserActions::SelectCell(*g, col, row, extend); });
  if (onButton && r.ok() && model_->attached() && model_->isDb()) {
    auto* db = static_cast<TDBGrid*>(g);
    renderer_.act([db] { return UserActions::EditButtonClick(*db); });
  }
}

void GridView::mouseDoubleClickEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || !model_->attached()) return;
  TCustomGrid* g = &model_->grid();
  if (!indexAt(e->position().toPoint()).isValid()) return;
  renderer_.act([g] { return UserActions::DblClick(*g); });
}

void GridView::mouseReleaseEvent(QMouseEvent*) {}
void GridView::mouseMoveEvent(QMouseEvent*) {}

}  // namespace cad::desktop
