// The control adapters (see adapters.h) and their table.
#include "hosts/desktop/adapters.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QToolButton>

#include <algorithm>
#include <limits>
#include <memory>
#include <type_traits>

#include "hosts/desktop/style.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbcontrols.h"
#include "platform/ui/forms.h"
#include "platform/ui/grids.h"
#include "platform/ui/pages.h"

namespace cad::desktop {

namespace {

// Check boxes and radio buttons answer a click anywhere in their rectangle, as the classic ones do.
class WholeCheckBox : public QCheckBox {
 public:
  using QCheckBox::QCheckBox;

 protected:
  bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

class WholeRadioButton : public QRadioButton {
 public:
  using QRadioButton::QRadioButton;

 protected:
  bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

// A widget signal as a user action on the control the widget renders when the signal comes.
template <class Fn>
auto userAction(RendererHost& host, QWidget* w, Fn fn) {
  return [&host, w, fn](auto&&... args) {
    if (host.applying()) return;
    TControl* ctl = host.liveControl(w);
    if (!ctl) return;
    host.act([&] { return fn(*ctl, args...); });
  };
}

// A press first moves the focus to a focusable control; false when an exit handler refused it
// (the click then does not happen).
bool focusFirst(TControl* c, RendererHost& host) {
  TForm* form = c->ParentForm();
  if (c->Focusable() && form->ActiveControl() != c) {
    host.act([c] { return UserActions::Focus(*c); });
    if (!host.bindingOf(c) || form->ActiveControl() != c) return false;
  }
  return true;
}

bool isDoubleClick(const QMouseEvent* e) { return e->type() == QEvent::MouseButtonDblClick; }

// Shows the model's text and caret; the selection shows only while the control has the focus
// (the classic edits hide it otherwise).
void setLineText(QLineEdit* w, const QString& text, int selStart, int selLength, bool focused) {
  if (!focused) selLength = 0;
  if (w->text() != text) w->setText(text);
  int len = static_cast<int>(text.size());
  selStart = std::clamp(selStart, 0, len);
  selLength = std::clamp(selLength, 0, len - selStart);
  if (selLength > 0) {
    if (w->selectionStart() != selStart || w->selectedText().size() != selLength) w->setSelection(selStart, selLength);
  } else if (w->hasSelectedText() || w->cursorPosition() != selStart) {
    w->deselect();
    w->setCursorPosition(selStart);
  }
}

bool rightAlignedEdit(TCustomEdit& e) {
  if (dynamic_cast<TNumberEdit*>(&e)) return true;
  if (auto* db = dynamic_cast<TDBEdit*>(&e))
    if (Field* f = db->GetField()) return f->Align == Alignment::Right;
  return false;
}

template <class W>
W* widgetOf(const Binding& b) {
  return static_cast<W*>(b.widget.data());
}

// ---------------------------------------------------------------- containers

// A plain control holding others (also the kind of any control no adapter claims).
class ContainerAdapter : public ControlAdapter {
 public:
  void create(Binding& b, QWidget* parent, RendererHost&) const override {
    auto* w = new QWidget(parent);
    b.widget = w;
    b.container = w;
  }
  bool mouse(Binding& b, QMouseEvent* e, RendererHost& host) const override { return clicks(b, e, host, false); }

 protected:
  // A press runs the control's OnClick (after the focus moved); a double click runs OnDblClick
  // when `doubleClicks`.
  static bool clicks(Binding& b, QMouseEvent* e, RendererHost& host, bool doubleClicks) {
    TControl* c = b.control;
    if (isDoubleClick(e)) {
      if (doubleClicks) host.act([c] { return UserActions::DblClick(*c); });
      return doubleClicks;
    }
    if (!focusFirst(c, host)) return true;
    if (c->OnClick) host.act([c] { return UserActions::Click(*c); });
    return false;
  }
};

// Sheets and notebook pages: containers whose clicks are their page control's.
class PageAdapter : public ControlAdapter {
 public:
  void create(Binding& b, QWidget* parent, RendererHost&) const override {
    auto* w = new QWidget(parent);
    b.widget = w;
    b.container = w;
  }
};

// A sheet's tab is drawn by its page control's tab bar.
class TabSheetAdapter : public PageAdapter {
 public:
  bool drawnByParent() const override { return true; }
};

class NotebookAdapter : public PageAdapter {
 public:
  bool stacksPages() const override { return true; }
  bool pageShown(TControl& c, TControl& k) const override {
    auto& nb = static_cast<TNotebook&>(c);
    if (!dynamic_cast<TPage*>(&k)) return ControlAdapter::pageShown(c, k);
    std::vector<TPage*> pages = nb.Pages();
    auto it = std::find(pages.begin(), pages.end(), &k);
    return it != pages.end() && static_cast<int>(it - pages.begin()) == nb.PageIndex();
  }
};

class PageControlAdapter : public ControlAdapter {
 public:
  void create(Binding& b, QWidget* parent, RendererHost&) const override {
    auto* w = new PageControlWidget(parent);
    b.widget = w;
    b.container = w;
  }
  void bind(Binding& b, RendererHost& host) const override {
    auto* w = widgetOf<PageControlWidget>(b);
    QObject::connect(w->tabBar(), &QTabBar::currentChanged, w, [&host, w](int index) {
      if (host.applying() || host.syncing()) return;
      // Qt already moved the tab; the model decides, so a refusal puts it back on the next sync.
      host.later([&host, w, index] {
        auto* pc = static_cast<TPageControl*>(host.liveControl(w));
        if (!pc) return;
        auto pages = pc->Pages();
        if (index < 0 || index >= static_cast<int>(pages.size())) return host.sync();
        TTabSheet* sheet = pages[index];
        if (pc->ActivePage() == sheet) return host.sync();
        host.act([sheet] { return UserActions::SelectPage(*sheet); });
      });
    });
  }
  void apply(Binding& b, RendererHost&) const override {
    widgetOf<PageControlWidget>(b)->syncTabs(static_cast<TPageControl&>(*b.control));
  }
  QRect draw(Binding& b) const override { return widgetOf<PageControlWidget>(b)->pageRect(); }
  bool stacksPages() const override { return true; }
  bool pageShown(TControl& c, TControl& k) const override {
    if (!dynamic_cast<TTabSheet*>(&k)) return ControlAdapter::pageShown(c, k);
    return static_cast<TPageControl&>(c).ActivePage() == &k;
  }
};

class PanelAdapter : public ContainerAdapter {
 public:
  void create(Binding& b, QWidget* parent, RendererHost&) const override {
    auto* w = new QFrame(parent);
    w->setFrameStyle(QFrame::Panel | QFrame::Raised);
    w->setLineWidth(1);
    auto* caption = new QLabel(w);
    caption->setObjectName("caption");
    caption->setAlignment(Qt::AlignCenter);
    caption->setAttribute(Qt::WA_TransparentForMouseEvents);
    b.widget = w;
    b.container = w;
  }
  void apply(Binding& b, RendererHost&) const override {
    QLabel* caption = captionOf(b);
    caption->setText(qs(StripHotkey(b.control->Caption())));
    caption->setVisible(!b.control->Caption().empty());
  }
  QRect draw(Binding& b) const override {
    // The caption is centred under the children, inside the bevel.
    QRect r = ControlAdapter::draw(b).adjusted(1, 1, -1, -1);
    if (QLabel* caption = captionOf(b)) {
      caption->setGeometry(r);
      caption->lower();
    }
    return r;
  }
  bool mouse(Binding& b, QMouseEvent* e, RendererHost& host) const override { return clicks(b, e, host, true); }

 private:
  static QLabel* captionOf(Binding& b) { return b.widget->findChild<QLabel*>("caption", Qt::FindDirectChildrenOnly); }
};

class GroupBoxAdapter : public ContainerAdapter {
 public:
  void create(Binding& b, QWidget* parent, RendererHost&) const override {
    auto* w = new QGroupBox(parent);
    b.widget = w;
    b.container = w;
  }
  void apply(Binding& b, RendererHost&) const override { widgetOf<QGroupBox>(b)->setTitle(qs(b.control->Caption())); }
  QRect draw(Binding& b) const override {
    return ControlAdapter::draw(b).adjusted(2, b.container->fontMetrics().height() + 4, -2, -2);
  }
};

class FormAdapter : public ControlAdapter {
 public:
  void create(Binding& b, QWidget*, RendererHost&) const override {
    b.widget = b.view->window;
    b.container = b.view->window->client();
    b.focusTarget = b.view->window;
  }
  void apply(Binding& b, RendererHost&) const override {
    b.view->window->setWindowTitle(qs(StripHotkey(b.control->Caption())));
    b.view->menuDirty = true;
  }
  bool mouse(Binding&, QMouseEvent*, RendererHost&) const override { return false; }
};

// ---------------------------------------------------------------- text and choices

class LabelAdapter : public ContainerAdapter {
 public:
  void create(Binding& b, QWidget* parent, RendererHost&) const override {
    auto* w = new QLabel(parent);
    w->setTextFormat(Qt::RichText);
    b.widget = w;
  }
  void apply(Binding& b, RendererHost&) const override {
    auto* w = widgetOf<QLabel>(b);
    auto& l = static_cast<TLabel&>(*b.control);
    QString text = accelRichText(l.Caption());
    if (w->text() != text) w->setText(text);
    Qt::Alignment a = l.Alignment() == TAlignment::taRightJustify ? Qt::AlignRight
                      : l.Alignment() == TAlignment::taCenter     ? Qt::AlignHCenter
                                                                  : Qt::AlignLeft;
    w->setAlignment(a | Qt::AlignVCenter);
  }
  QRect fit(Binding& b, QRect geom, const std::vector<TControl*>& siblings) const override {
    // Labels size themselves to their text (AutoSize), but stop short of the next control to
    // their right on the same line, so captions never run into each other.
    TControl* k = b.control;
    QSize hint = b.widget->sizeHint();
    int limit = std::numeric_limits<int>::max();
    for (TControl* o : siblings)
      if (o != k && o->Visible() && o->Align() == TAlign::alNone && o->Left() > k->Left() &&
          o->Top() < k->Top() + std::max(k->Height(), hint.height()) && o->Top() + o->Height() > k->Top())
        limit = std::min(limit, o->Left() - k->Left() - 3);
    if (static_cast<TLabel*>(k)->Alignment() == TAlignment::taLeftJustify)
      geom.setWidth(std::max(0, std::min(hint.width(), limit)));
    geom.setHeight(std::max(geom.height(), hint.height()));
    return geom;
  }
  bool mouse(Binding& b, QMouseEvent* e, RendererHost& host) const override { return clicks(b, e, host, true); }
};

class EditAdapter : public ControlAdapter {
 public:
  void create(Binding& b, QWidget* parent, RendererHost&) const override {
    auto* w = new QLineEdit(parent);
    w->setDragEnabled(false);
    w->setAcceptDrops(false);
    w->setContextMenuPolicy(Qt::NoContextMenu);
    b.widget = w;
  }
  void bind(Binding& b, RendererHost& host) const override {
    auto* w = widgetOf<QLineEdit>(b);
    // Caret placement by mouse is view state the model keeps too (no events run for it).
    auto keepSel = [&host, w] {
      if (host.applying()) return;
      auto* e = static_cast<TCustomEdit*>(host.liveControl(w));
      if (!e) return;
      host.quietly([e, w] {
        if (w->hasSelectedText())
          e->SetSel(w->selectionStart(), w->selectedText().size());
        else
          e->SetSel(w->cursorPosition(), 0);
      });
    };
    QObject::connect(w, &QLineEdit::selectionChanged, w, keepSel);
    QObject::connect(w, &QLineEdit::cursorPositionChanged, w, keepSel);
  }
  void apply(Binding& b, RendererHost&) const override {
    auto* w = widgetOf<QLineEdit>(b);
    auto& e = static_cast<TCustomEdit&>(*b.control);
    auto* m = dynamic_cast<TMaskEdit*>(&e);
    setLineText(w, qs(m ? m->EditText() : e.Text()), e.SelStart(), e.SelLength(), e.Focused());
    w->setReadOnly(e.ReadOnly());
    w->setAlignment((rightAlignedEdit(e) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
  }
  bool mouse(Binding& b, QMouseEvent* e, RendererHost& host) const override {
    TControl* c = b.control;
    if (isDoubleClick(e)) {
      host.act([c] { return UserActions::DblClick(*c); });
      return true;
    }
    return !focusFirst(c, host);
  }
  QPalette::ColorRole background() const override { return QPalette::Base; }
};

class ComboAdapter : public ControlAdapter {
 public:
  void create(Binding& b, QWidget* parent, RendererHost&) const override {
    auto* w = new QComboBox(parent);
    w->setContextMenuPolicy(Qt::NoContextMenu);
    w->setInsertPolicy(QComboBox::NoInsert);
    b.widget = w;
  }
  void bind(Binding& b, RendererHost& host) const override {
    auto* w = widgetOf<QComboBox>(b);
    QObject::connect(w, &QComboBox::activated, w, userAction(host, w, [](TControl& ctl, int index) {
                       return UserActions::SelectIndex(ctl, index);
                     }));
  }
  void apply(Binding& b, RendererHost&) const override {
    auto* w = widgetOf<QComboBox>(b);
    auto& cb = static_cast<TComboBox&>(*b.control);
    bool editable = cb.Style() == TComboStyle::csDropDown;
    if (w->isEditable() != editable) {
      w->setEditable(editable);
      if (editable) {
        w->lineEdit()->setContextMenuPolicy(Qt::NoContextMenu);
        w->lineEdit()->setFocusPolicy(Qt::NoFocus);
        w->lineEdit()->setDragEnabled(false);
      }
    }
    QStringList items;
    for (const auto& i : cb.Items()) items << qs(i);
    QStringList current;
    for (int i = 0; i < w->count(); ++i) current << w->itemText(i);
    if (current != items) {
      w->clear();
      w->addItems(items);
    }
    if (editable) {
      if (w->currentIndex() != cb.ItemIndex()) w->setCurrentIndex(cb.ItemIndex());
      setLineText(w->lineEdit(), qs(cb.Text()), cb.SelStart(), cb.SelLength(), cb.Focused());
      w->lineEdit()->setReadOnly(cb.ReadOnly());
    } else {
      int index = cb.ItemIndex();
      if (index < 0) index = items.indexOf(qs(cb.Text()));
      if (w->currentIndex() != index) w->setCurrentIndex(index);
    }
  }
  QPalette::ColorRole background() const override { return QPalette::Base; }
};

class ListBoxAdapter : public ControlAdapter {
 public:
  void create(Binding& b, QWidget* parent, RendererHost&) const override {
    auto* w = new QListWidget(parent);
    w->setSelectionMode(QAbstractItemView::NoSelection);
    w->setEditTriggers(QAbstractItemView::NoEditTriggers);
    b.widget = w;
  }
  void apply(Binding& b, RendererHost&) const override {
    auto* w = widgetOf<QListWidget>(b);
    auto& l = static_cast<TListBox&>(*b.control);
    bool same = w->count() == l.Count();
    for (int i = 0; same && i < l.Count(); ++i) same = w->item(i)->text() == qs(l.Items()[i]);
    if (!same) {
      w->clear();
      for (const auto& i : l.Items()) w->addItem(qs(i));
    }
    QColor hl = w->palette().color(QPalette::Highlight), hlt = w->palette().color(QPalette::HighlightedText);
    for (int i = 0; i < l.Count(); ++i) {
      QListWidgetItem* item = w->item(i);
      bool sel = l.Selected(i) || (!l.MultiSelect() && i == l.ItemIndex());
      item->setBackground(sel ? QBrush(hl) : QBrush());
      item->setForeground(sel ? QBrush(hlt) : QBrush());
    }
    if (l.ItemIndex() >= 0 && l.ItemIndex() < w->count()) w->scrollToItem(w->item(l.ItemIndex()));
  }
  bool mouse(Binding& b, QMouseEvent* e, RendererHost& host) const override {
    // Items are chosen through the model (Ctrl adds to a multiple selection).
    TControl* c = b.control;
    auto* list = widgetOf<QListWidget>(b);
    QPoint pos = list->viewport()->mapFromGlobal(e->globalPosition().toPoint());
    QListWidgetItem* item = list->itemAt(pos);
    bool extend = e->modifiers() & Qt::ControlModifier;
    if (isDoubleClick(e)) {
      host.act([c] { return UserActions::DblClick(*c); });
    } else if (item) {
      int index = list->row(item);
      host.act([c, index, extend] { return UserActions::SelectIndex(*c, index, extend); });
    } else {
      host.act([c] { return UserActions::Focus(*c); });
    }
    return true;
  }
  QPalette::ColorRole background() const override { return QPalette::Base; }
};

class RadioGroupAdapter : public ControlAdapter {
 public:
  void create(Binding& b, QWidget* parent, RendererHost&) const override { b.widget = new QGroupBox(parent); }
  void apply(Binding& b, RendererHost& host) const override {
    auto* w = widgetOf<QGroupBox>(b);
    auto& g = static_cast<TCustomRadioGroup&>(*b.control);
    w->setTitle(qs(g.Caption()));
    QList<QRadioButton*> buttons = w->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly);
    bool same = buttons.size() == static_cast<int>(g.Items().size());
    for (int i = 0; same && i < buttons.size(); ++i) same = buttons[i]->text() == qs(g.Items()[i]);
    if (!same) {
      for (auto* old : buttons) delete old;
      buttons.clear();
      for (size_t i = 0; i < g.Items().size(); ++i) {
        auto* rb = new WholeRadioButton(qs(g.Items()[i]), w);
        rb->setAutoExclusive(false);
        rb->setFocusPolicy(Qt::NoFocus);
        int index = static_cast<int>(i);
        QObject::connect(rb, &QRadioButton::clicked, rb, userAction(host, w, [index](TControl& ctl, bool) {
                           return UserActions::SelectIndex(ctl, index);
                         }));
        rb->show();
        buttons.push_back(rb);
      }
      b.view->layoutDirty = true;
    }
    for (int i = 0; i < buttons.size(); ++i)
      if (buttons[i]->isChecked() != (i == g.ItemIndex())) buttons[i]->setChecked(i == g.ItemIndex());
  }
  QRect draw(Binding& b) const override {
    // The items in columns, filled top to bottom, below the caption.
    auto& g = static_cast<TCustomRadioGroup&>(*b.control);
    QWidget* box = b.widget;
    QRect area(8, box->fontMetrics().height() + 4, box->width() - 12, box->height() - box->fontMetrics().height() - 8);
    QList<QRadioButton*> buttons = box->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly);
    int cols = std::max(1, g.Columns()), n = static_cast<int>(buttons.size());
    int rows = std::max(1, (n + cols - 1) / cols);
    int rowH = std::max(area.height() / rows, 1);
    int colW = area.width() / cols;
    for (int i = 0; i < n; ++i)
      buttons[i]->setGeometry(area.left() + (i / rows) * colW, area.top() + (i % rows) * rowH, colW - 4,
                              std::min(rowH, buttons[i]->sizeHint().height() + 2));
    return {};
  }
};

// ---------------------------------------------------------------- buttons and boxes

// Check boxes and radio buttons: a click is the model's; they are never narrower than their text.
template <class W>
class ToggleAdapter : public ControlAdapter {
 public:
  void create(Binding& b, QWidget* parent, RendererHost&) const override { b.widget = new W(parent); }
  void bind(Binding& b, RendererHost& host) const override {
    auto* w = widgetOf<W>(b);
    QObject::connect(w, &QAbstractButton::clicked, w,
                     userAction(host, w, [](TControl& ctl, bool) { return UserActions::Click(ctl); }));
  }
  QRect fit(Binding& b, QRect geom, const std::vector<TControl*>&) const override {
    geom.setWidth(std::max(geom.width(), b.widget->sizeHint().width()));
    return geom;
  }
};

class CheckBoxAdapter : public ToggleAdapter<WholeCheckBox> {
 public:
  void apply(Binding& b, RendererHost&) const override {
    auto* w = widgetOf<QCheckBox>(b);
    auto& cb = static_cast<TCheckBox&>(*b.control);
    w->setText(qs(cb.Caption()));
    w->setTristate(cb.AllowGrayed() || cb.State() == TCheckBoxState::cbGrayed);
    Qt::CheckState st = cb.State() == TCheckBoxState::cbChecked  ? Qt::Checked
                        : cb.State() == TCheckBoxState::cbGrayed ? Qt::PartiallyChecked
                                                                 : Qt::Unchecked;
    if (w->checkState() != st) w->setCheckState(st);
  }
};

class RadioAdapter : public ToggleAdapter<WholeRadioButton> {
 public:
  void create(Binding& b, QWidget* parent, RendererHost& host) const override {
    ToggleAdapter::create(b, parent, host);
    widgetOf<QRadioButton>(b)->setAutoExclusive(false);
  }
  void apply(Binding& b, RendererHost&) const override {
    auto* w = widgetOf<QRadioButton>(b);
    auto& r = static_cast<TRadioButton&>(*b.control);
    w->setText(qs(r.Caption()));
    if (w->isChecked() != r.Checked()) w->setChecked(r.Checked());
  }
};

class ButtonAdapter : public ControlAdapter {
 public:
  void create(Binding& b, QWidget* parent, RendererHost&) const override { b.widget = new QPushButton(parent); }
  void bind(Binding& b, RendererHost& host) const override {
    auto* w = widgetOf<QAbstractButton>(b);
    QObject::connect(w, &QAbstractButton::clicked, w,
                     userAction(host, w, [](TControl& ctl, bool) { return UserActions::Click(ctl); }));
  }
  void apply(Binding& b, RendererHost&) const override {
    auto* w = widgetOf<QPushButton>(b);
    w->setText(qs(b.control->Caption()));
    w->setDefault(static_cast<TButton&>(*b.control).Default());
  }
};

// The small lookup button beside a code: a tool button showing "..." when it has no caption.
class LookupButtonAdapter : public ButtonAdapter {
 public:
  void create(Binding& b, QWidget* parent, RendererHost&) const override { b.widget = new QToolButton(parent); }
  void apply(Binding& b, RendererHost&) const override {
    QString text = qs(b.control->Caption());
    widgetOf<QAbstractButton>(b)->setText(text.isEmpty() ? QStringLiteral("...") : text);
  }
};

class SpeedButtonAdapter : public ButtonAdapter {
 public:
  void create(Binding& b, QWidget* parent, RendererHost&) const override { b.widget = new QToolButton(parent); }
  void apply(Binding& b, RendererHost&) const override {
    auto* w = widgetOf<QToolButton>(b);
    auto& s = static_cast<TSpeedButton&>(*b.control);
    QIcon icon = style::GlyphIcon(s.Glyph());
    w->setIcon(icon);
    w->setText(qs(s.Caption()));
    w->setAutoRaise(s.Flat());
    // The caption shows beside the icon when the button is wide enough for both.
    int textWidth = w->fontMetrics().horizontalAdvance(qs(StripHotkey(s.Caption())));
    bool iconOnly = !icon.isNull() && (s.Caption().empty() || s.Width() < textWidth + 30);
    w->setToolButtonStyle(icon.isNull() ? Qt::ToolButtonTextOnly
                          : iconOnly    ? Qt::ToolButtonIconOnly
                                        : Qt::ToolButtonTextBesideIcon);
    if (iconOnly && w->toolTip().isEmpty()) w->setToolTip(qs(StripHotkey(s.Caption())));
    int side = std::max(16, std::min(s.Width(), s.Height()) - 8);
    w->setIconSize(QSize(side, side));
    w->setCheckable(s.GroupIndex() > 0);
    if (w->isChecked() != s.Down()) w->setChecked(s.Down());
  }
};

// ---------------------------------------------------------------- the rest

class ImageAdapter : public ContainerAdapter {
 public:
  void create(Binding& b, QWidget* parent, RendererHost&) const override { b.widget = new ImageWidget(parent); }
  void apply(Binding& b, RendererHost&) const override {
    widgetOf<ImageWidget>(b)->setPicture(static_cast<TImage&>(*b.control).Picture());
  }
  bool mouse(Binding& b, QMouseEvent* e, RendererHost& host) const override { return clicks(b, e, host, true); }
};

class SplitterAdapter : public ControlAdapter {
 public:
  void create(Binding& b, QWidget* parent, RendererHost& host) const override {
    TControl* c = b.control;
    b.widget = new SplitterWidget(parent, [&host, c](int delta) {
      if (!host.bindingOf(c) || !c->Parent()) return;
      resizeNeighbour(host, *c, delta);
      host.sync();
    });
  }
  void apply(Binding& b, RendererHost&) const override {
    TAlign a = b.control->Align();
    widgetOf<SplitterWidget>(b)->setVertical(a == TAlign::alLeft || a == TAlign::alRight);
  }

 private:
  // The aligned sibling just before the splitter on its side grows or shrinks.
  static void resizeNeighbour(RendererHost& host, TControl& c, int delta) {
    TAlign a = c.Align();
    QRect sr = host.bindingOf(&c)->widget->geometry();
    int minSize = static_cast<TSplitter&>(c).MinSize();
    for (TControl* sib : c.Parent()->Controls()) {
      Binding* sb = host.bindingOf(sib);
      if (sib == &c || !sb || !sb->widget || sib->Align() != a || !sib->Visible()) continue;
      QRect r = sb->widget->geometry();
      if (a == TAlign::alLeft && r.right() + 1 == sr.left())
        sib->SetWidth(std::max(minSize, r.width() + delta));
      else if (a == TAlign::alRight && r.left() == sr.right() + 1)
        sib->SetWidth(std::max(minSize, r.width() - delta));
      else if (a == TAlign::alTop && r.bottom() + 1 == sr.top())
        sib->SetHeight(std::max(minSize, r.height() + delta));
      else if (a == TAlign::alBottom && r.top() == sr.bottom() + 1)
        sib->SetHeight(std::max(minSize, r.height() - delta));
      else
        continue;
      return;
    }
  }
};

class GridAdapter : public ControlAdapter {
 public:
  void create(Binding& b, QWidget* parent, RendererHost& host) const override {
    b.widget = new GridView(host, static_cast<TCustomGrid&>(*b.control), parent);
  }
  void apply(Binding& b, RendererHost&) const override { widgetOf<GridView>(b)->syncFromModel(); }
  bool mouse(Binding&, QMouseEvent*, RendererHost&) const override { return false; }  // the view's own
  bool drawsFocus() const override { return true; }
  void release(Binding& b) const override {
    if (auto* grid = dynamic_cast<GridView*>(b.widget.data())) grid->detach();
  }
};

class NavigatorAdapter : public ControlAdapter {
 public:
  void create(Binding& b, QWidget* parent, RendererHost& host) const override {
    // The click handler finds the navigator through the widget, made after the handler.
    auto holder = std::make_shared<QWidget*>(nullptr);
    auto* w = new NavigatorWidget(parent, [&host, holder](int button) {
      auto* nav = static_cast<TDBNavigator*>(host.liveControl(*holder));
      if (!nav) return;
      host.act([nav, button] { return UserActions::Navigate(*nav, static_cast<TNavigateBtn>(button)); });
    });
    *holder = w;
    b.widget = w;
  }
  void apply(Binding& b, RendererHost&) const override {
    widgetOf<NavigatorWidget>(b)->syncButtons(static_cast<TDBNavigator&>(*b.control));
  }
};

// ---------------------------------------------------------------- the table

struct Entry {
  bool (*matches)(const TControl&);
  const ControlAdapter* adapter;
  int depth;  // how many of the registered model classes the class is (itself included)
};

template <class Model, class Adapter>
struct Kind {
  using M = Model;
  static const ControlAdapter* adapter() {
    static const Adapter instance;
    return &instance;
  }
};

template <class T>
bool isA(const TControl& c) {
  // A pointer cast: a reference cast would throw, and GCC reads a null test of `&c` as one it may drop.
  const TControl* p = &c;
  return dynamic_cast<const T*>(p) != nullptr;
}

template <class... Kinds>
struct Registry {
  template <class T>
  static constexpr int depth() {
    return (int(std::is_base_of_v<typename Kinds::M, T>) + ...);
  }
  // Most derived first: the first entry that matches a control is its kind. A class derives
  // from every registered class its base does, and from itself, so it sorts before its bases.
  static std::vector<Entry> entries() {
    std::vector<Entry> t{Entry{&isA<typename Kinds::M>, Kinds::adapter(), depth<typename Kinds::M>()}...};
    std::stable_sort(t.begin(), t.end(), [](const Entry& a, const Entry& b) { return a.depth > b.depth; });
    return t;
  }
};

}  // namespace

void ControlAdapter::bind(Binding&, RendererHost&) const {}
void ControlAdapter::apply(Binding&, RendererHost&) const {}

QRect ControlAdapter::draw(Binding& b) const {
  return b.container ? QRect(0, 0, b.container->width(), b.container->height()) : QRect();
}

QRect ControlAdapter::fit(Binding&, QRect bounds, const std::vector<TControl*>&) const { return bounds; }

bool ControlAdapter::pageShown(TControl& container, TControl& child) const {
  return child.Visible() && container.ChildShowing(child);
}

bool ControlAdapter::mouse(Binding& b, QMouseEvent* e, RendererHost& host) const {
  return !isDoubleClick(e) && !focusFirst(b.control, host);
}

const ControlAdapter& AdapterFor(const TControl& control) {
  static const std::vector<Entry> kinds =
      Registry<Kind<TControl, ContainerAdapter>, Kind<TForm, FormAdapter>, Kind<TLabel, LabelAdapter>,
               Kind<TCustomEdit, EditAdapter>, Kind<TComboBox, ComboAdapter>, Kind<TCheckBox, CheckBoxAdapter>,
               Kind<TRadioButton, RadioAdapter>, Kind<TCustomRadioGroup, RadioGroupAdapter>,
               Kind<TListBox, ListBoxAdapter>, Kind<TButton, ButtonAdapter>, Kind<TBtnPesquisa, LookupButtonAdapter>,
               Kind<TSpeedButton, SpeedButtonAdapter>, Kind<TPanel, PanelAdapter>, Kind<TGroupBox, GroupBoxAdapter>,
               Kind<TPageControl, PageControlAdapter>, Kind<TTabSheet, TabSheetAdapter>,
               Kind<TNotebook, NotebookAdapter>, Kind<TPage, PageAdapter>, Kind<TSplitter, SplitterAdapter>,
               Kind<TImage, ImageAdapter>, Kind<TCustomGrid, GridAdapter>,
               Kind<TDBNavigator, NavigatorAdapter>>::entries();
  for (const Entry& e : kinds)
    if (e.matches(control)) return *e.adapter;
  return *kinds.back().adapter;  // TControl matches every control
}

}  // namespace cad::desktop
