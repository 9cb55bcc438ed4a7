// The generic renderer (see renderer.h for its invariants): binding controls to widgets by type,
// applying model state to widgets, the classic alignment layout, and turning Qt input into
// dispatcher calls.
#include "hosts/desktop/renderer.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QEventLoop>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <limits>

#include "hosts/desktop/widgets.h"
#include "platform/core/errors.h"
#include "platform/ui/controls.h"
#include "platform/ui/dbcontrols.h"
#include "platform/ui/export.h"
#include "platform/ui/forms.h"
#include "platform/ui/grids.h"
#include "platform/ui/menus.h"
#include "platform/ui/pages.h"

namespace cad::desktop {

namespace {

Renderer* g_current = nullptr;

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

Kind kindOf(TControl& c) {
  if (dynamic_cast<TForm*>(&c)) return Kind::Form;
  if (dynamic_cast<TDBGrid*>(&c)) return Kind::DBGrid;
  if (dynamic_cast<TCustomGrid*>(&c)) return Kind::StringGrid;
  if (dynamic_cast<TDBNavigator*>(&c)) return Kind::Navigator;
  if (dynamic_cast<TComboBox*>(&c)) return Kind::Combo;
  if (dynamic_cast<TCustomEdit*>(&c)) return Kind::Edit;
  if (dynamic_cast<TLabel*>(&c)) return Kind::Label;
  if (dynamic_cast<TCheckBox*>(&c)) return Kind::CheckBox;
  if (dynamic_cast<TRadioButton*>(&c)) return Kind::Radio;
  if (dynamic_cast<TCustomRadioGroup*>(&c)) return Kind::RadioGroup;
  if (dynamic_cast<TListBox*>(&c)) return Kind::ListBox;
  if (dynamic_cast<TButton*>(&c)) return Kind::Button;
  if (dynamic_cast<TSpeedButton*>(&c)) return Kind::SpeedButton;
  if (dynamic_cast<TPanel*>(&c)) return Kind::Panel;
  if (dynamic_cast<TGroupBox*>(&c)) return Kind::GroupBox;
  if (dynamic_cast<TPageControl*>(&c)) return Kind::PageControl;
  if (dynamic_cast<TTabSheet*>(&c)) return Kind::TabSheet;
  if (dynamic_cast<TNotebook*>(&c)) return Kind::Notebook;
  if (dynamic_cast<TPage*>(&c)) return Kind::Page;
  if (dynamic_cast<TSplitter*>(&c)) return Kind::Splitter;
  if (dynamic_cast<TImage*>(&c)) return Kind::Image;
  return Kind::Container;
}

// Properties that move or resize a control, so its parent lays out again.
bool isGeometry(std::string_view p) {
  return p == "Left" || p == "Top" || p == "Width" || p == "Height" || p == "Align" || p == "Visible" ||
         p == "Parent" || p == "ActivePage" || p == "PageIndex" || p == "Caption" || p == "TabVisible";
}

// A short hint is the part before '|' (the long part is for status bars).
QString shortHint(const std::string& hint) {
  auto bar = hint.find('|');
  return qs(bar == std::string::npos ? hint : hint.substr(0, bar));
}

// Icons of the framework's toolbar glyphs, drawn so each one shows its command (a printer prints,
// a question mark helps) in colour; Qt greys them itself when the command is off.
QIcon drawnIcon(const QString& g) {
  QPixmap pm(32, 32);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  auto pen = [&](const QColor& c, qreal w) {
    QPen pn(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pn);
    p.setBrush(Qt::NoBrush);
  };
  const QColor green(0x2e, 0x8b, 0x3a), red(0xc6, 0x28, 0x28), blue(0x1f, 0x5f, 0xbf), grey(0x50, 0x50, 0x50),
      orange(0xd9, 0x7a, 0x00);
  if (g == "incluir") {
    pen(green, 5);
    p.drawLine(16, 5, 16, 27);
    p.drawLine(5, 16, 27, 16);
  } else if (g == "alterar") {
    pen(blue, 3);
    p.drawLine(8, 24, 24, 8);
    p.drawLine(6, 26, 9, 25);
    pen(grey, 2);
    p.drawLine(21, 5, 27, 11);
  } else if (g == "excluir") {
    pen(red, 5);
    p.drawLine(7, 7, 25, 25);
    p.drawLine(25, 7, 7, 25);
  } else if (g == "confirmar") {
    pen(green, 5);
    p.drawPolyline(QPolygon({QPoint(5, 17), QPoint(13, 25), QPoint(27, 7)}));
  } else if (g == "cancelar") {
    pen(orange, 4);
    p.drawArc(QRect(7, 7, 20, 18), 90 * 16, -270 * 16);
    p.drawPolyline(QPolygon({QPoint(4, 10), QPoint(9, 16), QPoint(14, 10)}));
  } else if (g == "procurar") {
    pen(blue, 4);
    p.drawEllipse(QRect(5, 5, 15, 15));
    p.drawLine(18, 18, 27, 27);
  } else if (g == "verificar" || g == "atualizar" || g == "automatico") {
    pen(green, 4);
    p.drawArc(QRect(6, 6, 20, 20), 60 * 16, 300 * 16);
    p.drawPolyline(QPolygon({QPoint(20, 3), QPoint(23, 9), QPoint(17, 11)}));
  } else if (g == "imprimir") {
    pen(grey, 2);
    p.setBrush(Qt::white);
    p.drawRect(QRect(10, 4, 12, 9));
    p.setBrush(QColor(0x90, 0x90, 0x90));
    p.drawRoundedRect(QRect(4, 12, 24, 11), 2, 2);
    p.setBrush(Qt::white);
    p.drawRect(QRect(10, 19, 12, 9));
  } else if (g == "ajuda") {
    pen(blue, 4);
    p.drawArc(QRect(9, 3, 14, 13), 160 * 16, -250 * 16);
    p.drawLine(16, 16, 16, 21);
    p.setBrush(blue);
    p.drawEllipse(QPoint(16, 27), 2, 2);
  } else if (g == "fechar") {
    pen(grey, 2);
    p.drawRect(QRect(5, 4, 14, 24));
    pen(red, 4);
    p.drawLine(13, 16, 28, 16);
    p.drawPolyline(QPolygon({QPoint(22, 10), QPoint(28, 16), QPoint(22, 22)}));
  } else {
    return {};
  }
  return QIcon(pm);
}

QIcon glyphIcon(const std::string& glyph) {
  static const std::pair<const char*, QStyle::StandardPixmap> map[] = {
      {"copiar", QStyle::SP_FileLinkIcon},        {"exportar", QStyle::SP_ArrowRight},
      {"importar", QStyle::SP_ArrowLeft},         {"primeiro", QStyle::SP_MediaSkipBackward},
      {"ultimo", QStyle::SP_MediaSkipForward},    {"anterior", QStyle::SP_MediaSeekBackward},
      {"proximo", QStyle::SP_MediaSeekForward},   {"salvar", QStyle::SP_DialogSaveButton},
      {"importarexportar", QStyle::SP_FileDialogToParent},
  };
  QString g = qs(glyph).toLower();
  QIcon drawn = drawnIcon(g);
  if (!drawn.isNull()) return drawn;
  for (const auto& [name, pixmap] : map)
    if (g == name) return QApplication::style()->standardIcon(pixmap);
  return {};
}

// Virtual-key code of a Qt key; 0 for keys the model has no code for.
int vkOf(int qtKey) {
  switch (qtKey) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab: case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Return: case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    default: break;
  }
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12) return VK_F1 + (qtKey - Qt::Key_F1);
  if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)) return qtKey;
  return 0;
}

ShiftState shiftOf(Qt::KeyboardModifiers m) {
  ShiftState s = 0;
  if (m & Qt::ShiftModifier) s |= ssShift;
  if (m & Qt::ControlModifier) s |= ssCtrl;
  if (m & Qt::AltModifier) s |= ssAlt;
  return s;
}

// The accelerator character of a caption ("&Serviços" -> 'S'), or a null QChar.
QChar acceleratorOf(const std::string& caption) {
  QString c = qs(caption);
  for (int i = 0; i + 1 < c.size(); ++i) {
    if (c[i] != '&') continue;
    if (c[i + 1] == '&') {
      ++i;
      continue;
    }
    return c[i + 1].toUpper();
  }
  return {};
}

}  // namespace

// ---------------------------------------------------------------- life

Renderer::Renderer() {
  previous_ = g_current;
  g_current = this;
  qApp->installEventFilter(this);
}

Renderer::~Renderer() {
  qApp->removeEventFilter(this);
  for (auto& [c, b] : bindings_) {
    const_cast<TComponent*>(c)->Unobserve(b->observer);
    if (auto* grid = dynamic_cast<GridView*>(b->widget.data())) grid->detach();
  }
  for (auto& [f, v] : views_) {
    for (auto& [item, id] : v->menuObservers)
      if (v->menuItems.count(item)) item->Unobserve(id);
    if (v->window) {
      v->window->detach();
      delete v->window;
    }
  }
  g_current = previous_;
}

Renderer* Renderer::current() { return g_current; }

QFont Renderer::screenFont() {
  // The screens' coordinates were laid out for a small UI font (about 11 pixels high).
  // A condensed face keeps captions within the widths the layouts give them.
  QFont f(QStringLiteral("DejaVu Sans Condensed"));
  f.setFamilies({QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")});
  f.setPixelSize(11);
  return f;
}

// ---------------------------------------------------------------- bindings

Binding* Renderer::bindingOf(const TComponent* c) const {
  auto it = bindings_.find(c);
  return it == bindings_.end() ? nullptr : it->second.get();
}

Binding* Renderer::exactBinding(const QObject* w) const {
  auto it = byWidget_.find(w);
  return it == byWidget_.end() ? nullptr : it->second;
}

Binding* Renderer::bindingFor(const QObject* o) const {
  for (const QObject* p = o; p; p = p->parent()) {
    if (auto it = byWidget_.find(p); it != byWidget_.end()) return it->second;
    if (p->isWidgetType() && static_cast<const QWidget*>(p)->isWindow()) return nullptr;
  }
  return nullptr;
}

QWidget* Renderer::widgetOf(const TControl& control) const {
  Binding* b = bindingOf(&control);
  return b ? b->widget.data() : nullptr;
}

TControl* Renderer::controlOf(const QObject* widget) const {
  Binding* b = bindingFor(widget);
  return b ? b->control : nullptr;
}

QWidget* Renderer::window(TForm& form) { return viewOf(form).window; }

FormView& Renderer::viewOf(TForm& form) {
  auto it = views_.find(&form);
  if (it != views_.end()) return *it->second;
  auto view = std::make_unique<FormView>();
  view->form = &form;
  FormView& v = *view;
  views_[&form] = std::move(view);
  v.window = new FormWindow(*this, form);
  v.window->setFont(screenFont());
  v.window->setAttribute(Qt::WA_DeleteOnClose, false);
  bindTree(v, form, nullptr);
  v.componentCount = form.Components().size();
  return v;
}

void Renderer::bindTree(FormView& view, TControl& control, QWidget* parentContainer) {
  Binding* b = bindingOf(&control);
  if (!b) b = &bind(view, control, parentContainer);
  for (TControl* child : control.Controls()) bindTree(view, *child, b->container);
}

void Renderer::bindNewComponents(FormView& view) {
  // Controls created after the window: bind those whose parent chain reaches a bound control.
  for (TComponent* comp : view.form->Components()) {
    auto* c = dynamic_cast<TControl*>(comp);
    if (!c || bindingOf(c) || !c->Parent()) continue;
    Binding* parent = bindingOf(c->Parent());
    if (parent && parent->container) bindTree(view, *c, parent->container);
  }
  view.componentCount = view.form->Components().size();
  view.layoutDirty = true;
}

Binding& Renderer::bind(FormView& view, TControl& control, QWidget* parent) {
  auto owned = std::make_unique<Binding>();
  Binding& b = *owned;
  b.control = &control;
  b.view = &view;
  b.kind = kindOf(control);
  TControl* c = &control;
  // Every widget signal re-finds its control through the binding, so a destroyed control is
  // never reached through a stale pointer.
  auto actOn = [this](QWidget* w, auto fn) {
    return [this, w, fn](auto&&... args) {
      if (applying_) return;
      Binding* bb = exactBinding(w);
      if (!bb) return;
      TControl* ctl = bb->control;
      act([&] { return fn(*ctl, args...); });
    };
  };

  switch (b.kind) {
    case Kind::Form: {
      b.widget = view.window;
      b.container = view.window->client();
      b.focusTarget = view.window;
      break;
    }
    case Kind::Label: {
      auto* w = new QLabel(parent);
      w->setTextFormat(Qt::RichText);
      b.widget = w;
      break;
    }
    case Kind::Edit: {
      auto* w = new QLineEdit(parent);
      w->setDragEnabled(false);
      w->setAcceptDrops(false);
      w->setContextMenuPolicy(Qt::NoContextMenu);
      // Caret placement by mouse is view state the model keeps too (no events run for it).
      auto keepSel = [this, w] {
        if (applying_) return;
        Binding* bb = exactBinding(w);
        if (!bb) return;
        auto* e = static_cast<TCustomEdit*>(bb->control);
        ++applying_;
        if (w->hasSelectedText()) e->SetSel(w->selectionStart(), w->selectedText().size());
        else e->SetSel(w->cursorPosition(), 0);
        --applying_;
      };
      QObject::connect(w, &QLineEdit::selectionChanged, w, keepSel);
      QObject::connect(w, &QLineEdit::cursorPositionChanged, w, keepSel);
      b.widget = w;
      break;
    }
    case Kind::Combo: {
      auto* w = new QComboBox(parent);
      w->setContextMenuPolicy(Qt::NoContextMenu);
      w->setInsertPolicy(QComboBox::NoInsert);
      QObject::connect(w, &QComboBox::activated, w, actOn(w, [](TControl& ctl, int index) { return UserActions::SelectIndex(ctl, index); }));
      b.widget = w;
      break;
    }
    case Kind::CheckBox: {
      auto* w = new WholeCheckBox(parent);
      QObject::connect(w, &QCheckBox::clicked, w, actOn(w, [](TControl& ctl, bool) { return UserActions::Click(ctl); }));
      b.widget = w;
      break;
    }
    case Kind::Radio: {
      auto* w = new WholeRadioButton(parent);
      w->setAutoExclusive(false);
      QObject::connect(w, &QRadioButton::clicked, w, actOn(w, [](TControl& ctl, bool) { return UserActions::Click(ctl); }));
      b.widget = w;
      break;
    }
    case Kind::RadioGroup: {
      auto* w = new QGroupBox(parent);
      b.widget = w;
      break;
    }
    case Kind::ListBox: {
      auto* w = new QListWidget(parent);
      w->setSelectionMode(QAbstractItemView::NoSelection);
      w->setEditTriggers(QAbstractItemView::NoEditTriggers);
      b.widget = w;
      break;
    }
    case Kind::Button: {
      QAbstractButton* w;
      if (dynamic_cast<TBtnPesquisa*>(c)) {
        auto* t = new QToolButton(parent);
        w = t;
      } else {
        w = new QPushButton(parent);
      }
      QObject::connect(w, &QAbstractButton::clicked, w, actOn(w, [](TControl& ctl, bool) { return UserActions::Click(ctl); }));
      b.widget = w;
      break;
    }
    case Kind::SpeedButton: {
      auto* w = new QToolButton(parent);
      QObject::connect(w, &QToolButton::clicked, w, actOn(w, [](TControl& ctl, bool) { return UserActions::Click(ctl); }));
      b.widget = w;
      break;
    }
    case Kind::Panel: {
      auto* w = new QFrame(parent);
      w->setFrameStyle(QFrame::Panel | QFrame::Raised);
      w->setLineWidth(1);
      auto* caption = new QLabel(w);
      caption->setObjectName("caption");
      caption->setAlignment(Qt::AlignCenter);
      caption->setAttribute(Qt::WA_TransparentForMouseEvents);
      b.widget = w;
      b.container = w;
      break;
    }
    case Kind::GroupBox: {
      auto* w = new QGroupBox(parent);
      b.widget = w;
      b.container = w;
      break;
    }
    case Kind::PageControl: {
      auto* w = new PageControlWidget(parent);
      QObject::connect(w->tabBar(), &QTabBar::currentChanged, w, [this, w](int index) {
        if (applying_ || syncing_) return;
        // Qt already moved the tab; the model decides, so sync (queued) puts it back if refused.
        QMetaObject::invokeMethod(this, [this, w, index] {
          Binding* bb = exactBinding(w);
          if (!bb) return;
          auto pages = static_cast<TPageControl*>(bb->control)->Pages();
          if (index < 0 || index >= static_cast<int>(pages.size())) return sync();
          TTabSheet* sheet = pages[index];
          if (static_cast<TPageControl*>(bb->control)->ActivePage() == sheet) return sync();
          act([sheet] { return UserActions::SelectPage(*sheet); });
        }, Qt::QueuedConnection);
      });
      b.widget = w;
      b.container = w;
      break;
    }
    case Kind::TabSheet:
    case Kind::Page:
    case Kind::Notebook:
    case Kind::Container: {
      auto* w = new QWidget(parent);
      b.widget = w;
      b.container = w;
      break;
    }
    case Kind::Splitter: {
      auto* w = new SplitterWidget(parent, [this, c](int delta) {
        Binding* bb = bindingOf(c);
        if (!bb || !c->Parent()) return;
        // The aligned sibling just before the splitter on its side grows or shrinks.
        TAlign a = c->Align();
        QRect sr = bb->widget->geometry();
        for (TControl* sib : c->Parent()->Controls()) {
          Binding* sb = bindingOf(sib);
          if (sib == c || !sb || !sb->widget || sib->Align() != a || !sib->Visible()) continue;
          QRect r = sb->widget->geometry();
          int minSize = static_cast<TSplitter*>(c)->MinSize();
          if (a == TAlign::alLeft && r.right() + 1 == sr.left()) sib->SetWidth(std::max(minSize, r.width() + delta));
          else if (a == TAlign::alRight && r.left() == sr.right() + 1) sib->SetWidth(std::max(minSize, r.width() - delta));
          else if (a == TAlign::alTop && r.bottom() + 1 == sr.top()) sib->SetHeight(std::max(minSize, r.height() + delta));
          else if (a == TAlign::alBottom && r.top() == sr.bottom() + 1) sib->SetHeight(std::max(minSize, r.height() - delta));
          else continue;
          break;
        }
        sync();
      });
      b.widget = w;
      break;
    }
    case Kind::Image: {
      b.widget = new ImageWidget(parent);
      break;
    }
    case Kind::DBGrid:
    case Kind::StringGrid: {
      b.widget = new GridView(*this, static_cast<TCustomGrid&>(control), parent);
      break;
    }
    case Kind::Navigator:
      break;  // built below: its click handler needs the widget itself
  }
  if (b.kind == Kind::Navigator) {
    auto holder = std::make_shared<QWidget*>(nullptr);
    auto* w = new NavigatorWidget(parent, [this, holder](int button) {
      Binding* bb = exactBinding(*holder);
      if (!bb) return;
      auto* nav = static_cast<TDBNavigator*>(bb->control);
      act([nav, button] { return UserActions::Navigate(*nav, static_cast<TNavigateBtn>(button)); });
    });
    *holder = w;
    b.widget = w;
  }

  if (!b.focusTarget) b.focusTarget = b.widget;
  if (b.kind != Kind::Form) {
    // Qt never moves the focus itself; the renderer gives it to the model's active control.
    b.widget->setFocusPolicy(Qt::NoFocus);
    for (QWidget* inner : b.widget->findChildren<QWidget*>()) inner->setFocusPolicy(Qt::NoFocus);
    b.widget->hide();
  }
  byWidget_[b.widget.data()] = &b;
  observe(b);
  bindings_[&control] = std::move(owned);
  return b;
}

void Renderer::observe(Binding& b) {
  TControl* c = b.control;
  b.observer = c->Observe([this, c](TComponent&, std::string_view property) {
    if (property == "Destroying") {
      // The dynamic type is gone by now: the binding says whether this was a form.
      Binding* bb = bindingOf(c);
      if (bb && bb->kind == Kind::Form) dropView(bb->view->form);
      else dropBinding(c);
      return;
    }
    Binding* bb = bindingOf(c);
    if (!bb) return;
    markDirty(*bb);
    // A tab is drawn by its page control's tab bar: a sheet's caption, hint, visibility or
    // enabling redraws that bar, or the tab keeps its old look.
    if (bb->kind == Kind::TabSheet)
      if (Binding* pc = bindingOf(c->Parent())) markDirty(*pc);
    if (isGeometry(property) || property == "Items" || property == "Columns") bb->view->layoutDirty = true;
    if (property == "Parent") bb->view->componentCount = 0;  // rebind in the new place
  });
}

void Renderer::markDirty(Binding& b) {
  b.dirty = true;
  scheduleSync();
}

void Renderer::scheduleSync() {
  if (syncScheduled_) return;
  syncScheduled_ = true;
  QTimer::singleShot(0, this, [this] {
    if (syncScheduled_) sync();
  });
}

void Renderer::dropBinding(const TComponent* c) {
  auto it = bindings_.find(c);
  if (it == bindings_.end()) return;
  Binding& b = *it->second;
  byWidget_.erase(b.widget.data());
  if (b.widget && b.kind != Kind::Form) {
    if (auto* grid = dynamic_cast<GridView*>(b.widget.data())) grid->detach();
    // Children widgets of controls still alive move out of the way before the delete.
    b.widget->hide();
    b.widget->setParent(nullptr);
    b.widget->deleteLater();
  }
  bindings_.erase(it);
}

void Renderer::dropView(TForm* form) {
  auto it = views_.find(form);
  if (it == views_.end()) return;
  FormView& v = *it->second;
  // The form's components are gone already; only forget them.
  std::vector<const TComponent*> mine;
  for (auto& [c, b] : bindings_)
    if (b->view == &v) mine.push_back(c);
  for (const TComponent* c : mine) {
    Binding& b = *bindings_[c];
    byWidget_.erase(b.widget.data());
    if (auto* grid = dynamic_cast<GridView*>(b.widget.data())) grid->detach();
    bindings_.erase(c);
  }
  for (auto& [item, id] : v.menuObservers)
    if (v.menuItems.count(item)) item->Unobserve(id);
  if (v.window) {
    v.window->detach();
    v.window->hide();
    v.window->deleteLater();
  }
  views_.erase(it);
}

// ---------------------------------------------------------------- applying the model

namespace {

void applyCommon(Binding& b) {
  TControl& c = *b.control;
  QWidget* w = b.widget;
  if (b.kind != Kind::Form) w->setEnabled(c.Enabled());
  w->setToolTip(shortHint(c.Hint()));
  QFont f = w->font();
  if (!c.FontName().empty() && c.FontName() != "MS Sans Serif" && c.FontName() != "Tahoma") f.setFamily(qs(c.FontName()));
  f.setBold(c.FontBold());
  if (f != w->font()) w->setFont(f);
  QPalette pal = w->palette();
  QColor bg = toQColor(c.Color()), fg = toQColor(c.FontColor());
  bool changed = false;
  if (bg.isValid()) {
    QPalette::ColorRole role = (b.kind == Kind::Edit || b.kind == Kind::Combo || b.kind == Kind::ListBox) ? QPalette::Base : QPalette::Window;
    if (pal.color(role) != bg) {
      pal.setColor(role, bg);
      changed = true;
    }
    if (role == QPalette::Window) w->setAutoFillBackground(true);
  }
  if (fg.isValid()) {
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
      if (pal.color(role) != fg) {
        pal.setColor(QPalette::Active, role, fg);
        pal.setColor(QPalette::Inactive, role, fg);
        changed = true;
      }
  }
  if (changed) w->setPalette(pal);
}

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

}  // namespace

void Renderer::apply(Binding& b) {
  b.dirty = false;
  if (!b.widget) return;
  ++applying_;
  TControl& c = *b.control;
  applyCommon(b);
  switch (b.kind) {
    case Kind::Form: {
      auto& f = static_cast<TForm&>(c);
      b.view->window->setWindowTitle(qs(StripHotkey(f.Caption())));
      b.view->menuDirty = true;
      break;
    }
    case Kind::Label: {
      auto* w = static_cast<QLabel*>(b.widget.data());
      auto& l = static_cast<TLabel&>(c);
      QString text = accelRichText(l.Caption());
      if (w->text() != text) w->setText(text);
      Qt::Alignment a = l.Alignment() == TAlignment::taRightJustify ? Qt::AlignRight
                        : l.Alignment() == TAlignment::taCenter   ? Qt::AlignHCenter
                                                                   : Qt::AlignLeft;
      w->setAlignment(a | Qt::AlignVCenter);
      break;
    }
    case Kind::Edit: {
      auto* w = static_cast<QLineEdit*>(b.widget.data());
      auto& e = static_cast<TCustomEdit&>(c);
      auto* m = dynamic_cast<TMaskEdit*>(&e);
      setLineText(w, qs(m ? m->EditText() : e.Text()), e.SelStart(), e.SelLength(), e.Focused());
      w->setReadOnly(e.ReadOnly());
      w->setAlignment((rightAlignedEdit(e) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
      break;
    }
    case Kind::Combo: {
      auto* w = static_cast<QComboBox*>(b.widget.data());
      auto& cb = static_cast<TComboBox&>(c);
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
      break;
    }
    case Kind::CheckBox: {
      auto* w = static_cast<QCheckBox*>(b.widget.data());
      auto& cb = static_cast<TCheckBox&>(c);
      w->setText(qs(cb.Caption()));
      w->setTristate(cb.AllowGrayed() || cb.State() == TCheckBoxState::cbGrayed);
      Qt::CheckState st = cb.State() == TCheckBoxState::cbChecked ? Qt::Checked
                          : cb.State() == TCheckBoxState::cbGrayed ? Qt::PartiallyChecked
                                                                   : Qt::Unchecked;
      if (w->checkState() != st) w->setCheckState(st);
      break;
    }
    case Kind::Radio: {
      auto* w = static_cast<QRadioButton*>(b.widget.data());
      auto& r = static_cast<TRadioButton&>(c);
      w->setText(qs(r.Caption()));
      if (w->isChecked() != r.Checked()) w->setChecked(r.Checked());
      break;
    }
    case Kind::RadioGroup: {
      auto* w = static_cast<QGroupBox*>(b.widget.data());
      auto& g = static_cast<TCustomRadioGroup&>(c);
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
          QObject::connect(rb, &QRadioButton::clicked, rb, [this, w, index](bool) {
            if (applying_) return;
            Binding* bb = exactBinding(w);
            if (!bb) return;
            TControl* ctl = bb->control;
            act([ctl, index] { return UserActions::SelectIndex(*ctl, index); });
          });
          rb->show();
          buttons.push_back(rb);
        }
        b.view->layoutDirty = true;
      }
      for (int i = 0; i < buttons.size(); ++i)
        if (buttons[i]->isChecked() != (i == g.ItemIndex())) buttons[i]->setChecked(i == g.ItemIndex());
      break;
    }
    case Kind::ListBox: {
      auto* w = static_cast<QListWidget*>(b.widget.data());
      auto& l = static_cast<TListBox&>(c);
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
      break;
    }
    case Kind::Button: {
      auto* w = static_cast<QAbstractButton*>(b.widget.data());
      QString text = qs(c.Caption());
      if (auto* lk = dynamic_cast<TBtnPesquisa*>(&c); lk && text.isEmpty()) text = "...";
      w->setText(text);
      if (auto* pb = qobject_cast<QPushButton*>(w)) pb->setDefault(static_cast<TButton&>(c).Default());
      break;
    }
    case Kind::SpeedButton: {
      auto* w = static_cast<QToolButton*>(b.widget.data());
      auto& s = static_cast<TSpeedButton&>(c);
      QIcon icon = glyphIcon(s.Glyph());
      w->setIcon(icon);
      w->setText(qs(s.Caption()));
      w->setAutoRaise(s.Flat());
      int textWidth = w->fontMetrics().horizontalAdvance(qs(StripHotkey(s.Caption())));
      bool iconOnly = !icon.isNull() && (s.Caption().empty() || s.Width() < textWidth + 30);
      w->setToolButtonStyle(icon.isNull() ? Qt::ToolButtonTextOnly : iconOnly ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextBesideIcon);
      if (iconOnly && w->toolTip().isEmpty()) w->setToolTip(qs(StripHotkey(s.Caption())));
      int side = std::max(16, std::min(s.Width(), s.Height()) - 8);
      w->setIconSize(QSize(side, side));
      w->setCheckable(s.GroupIndex() > 0);
      if (w->isChecked() != s.Down()) w->setChecked(s.Down());
      break;
    }
    case Kind::Panel: {
      auto* caption = b.widget->findChild<QLabel*>("caption", Qt::FindDirectChildrenOnly);
      caption->setText(qs(StripHotkey(c.Caption())));
      caption->setVisible(!c.Caption().empty());
      break;
    }
    case Kind::GroupBox:
      static_cast<QGroupBox*>(b.widget.data())->setTitle(qs(c.Caption()));
      break;
    case Kind::PageControl:
      static_cast<PageControlWidget*>(b.widget.data())->syncTabs(static_cast<TPageControl&>(c));
      break;
    case Kind::Image:
      static_cast<ImageWidget*>(b.widget.data())->setPicture(static_cast<TImage&>(c).Picture());
      break;
    case Kind::DBGrid:
    case Kind::StringGrid:
      static_cast<GridView*>(b.widget.data())->syncFromModel();
      break;
    case Kind::Navigator:
      static_cast<NavigatorWidget*>(b.widget.data())->syncButtons(static_cast<TDBNavigator&>(c));
      break;
    case Kind::Splitter: {
      auto* w = static_cast<SplitterWidget*>(b.widget.data());
      w->setVertical(c.Align() == TAlign::alLeft || c.Align() == TAlign::alRight);
      break;
    }
    case Kind::TabSheet:
    case Kind::Notebook:
    case Kind::Page:
    case Kind::Container:
      break;
  }
  --applying_;
}

// ---------------------------------------------------------------- layout

void Renderer::layout(Binding& b) {
  if (b.kind == Kind::RadioGroup) return layoutRadioGroup(b);
  if (!b.container) return;
  TControl& c = *b.control;
  QWidget* box = b.container;
  QRect r(0, 0, box->width(), box->height());
  switch (b.kind) {
    case Kind::Panel: r.adjust(1, 1, -1, -1); break;
    case Kind::GroupBox: r.adjust(2, box->fontMetrics().height() + 4, -2, -2); break;
    case Kind::PageControl: r = static_cast<PageControlWidget*>(box)->pageRect(); break;
    default: break;
  }
  if (b.kind == Kind::Panel)
    if (auto* caption = box->findChild<QLabel*>("caption", Qt::FindDirectChildrenOnly)) {
      caption->setGeometry(r);
      caption->lower();
    }

  std::vector<TControl*> kids;
  for (TControl* k : c.Controls())
    if (Binding* kb = bindingOf(k); kb && kb->widget) kids.push_back(k);

  auto place = [&](TControl* k, QRect geom, bool visible) {
    Binding* kb = bindingOf(k);
    if (kb->widget->geometry() != geom) kb->widget->setGeometry(geom);
    if (kb->widget->isVisibleTo(box) != visible || kb->widget->isHidden() == visible) kb->widget->setVisible(visible);
  };

  if (b.kind == Kind::PageControl || b.kind == Kind::Notebook) {
    auto* pc = dynamic_cast<TPageControl*>(&c);
    auto* nb = dynamic_cast<TNotebook*>(&c);
    std::vector<TPage*> pages = nb ? nb->Pages() : std::vector<TPage*>{};
    for (TControl* k : kids) {
      bool shown = k->Visible() && c.ChildShowing(*k);
      if (pc && dynamic_cast<TTabSheet*>(k)) shown = pc->ActivePage() == k;
      if (nb && dynamic_cast<TPage*>(k)) {
        auto it = std::find(pages.begin(), pages.end(), k);
        shown = it != pages.end() && static_cast<int>(it - pages.begin()) == nb->PageIndex();
      }
      place(k, r, shown);
    }
  } else {
    // The classic alignment: top, bottom, left, right, then client, each within what is left.
    auto byAlign = [&](TAlign a) {
      std::vector<TControl*> out;
      for (TControl* k : kids)
        if (k->Align() == a && k->Visible()) out.push_back(k);
      std::stable_sort(out.begin(), out.end(), [a](TControl* x, TControl* y) {
        switch (a) {
          case TAlign::alTop: return x->Top() < y->Top();
          case TAlign::alBottom: return x->Top() + x->Height() > y->Top() + y->Height();
          case TAlign::alLeft: return x->Left() < y->Left();
          case TAlign::alRight: return x->Left() + x->Width() > y->Left() + y->Width();
          default: return false;
        }
      });
      return out;
    };
    for (TControl* k : byAlign(TAlign::alTop)) {
      int h = std::min(k->Height(), std::max(0, r.height()));
      place(k, QRect(r.left(), r.top(), r.width(), h), true);
      r.setTop(r.top() + h);
    }
    for (TControl* k : byAlign(TAlign::alBottom)) {
      int h = std::min(k->Height(), std::max(0, r.height()));
      place(k, QRect(r.left(), r.bottom() + 1 - h, r.width(), h), true);
      r.setBottom(r.bottom() - h);
    }
    for (TControl* k : byAlign(TAlign::alLeft)) {
      int w = std::min(k->Width(), std::max(0, r.width()));
      place(k, QRect(r.left(), r.top(), w, r.height()), true);
      r.setLeft(r.left() + w);
    }
    for (TControl* k : byAlign(TAlign::alRight)) {
      int w = std::min(k->Width(), std::max(0, r.width()));
      place(k, QRect(r.right() + 1 - w, r.top(), w, r.height()), true);
      r.setRight(r.right() - w);
    }
    for (TControl* k : byAlign(TAlign::alClient)) place(k, QRect(r.left(), r.top(), std::max(0, r.width()), std::max(0, r.height())), true);
    for (TControl* k : kids) {
      if (k->Align() != TAlign::alNone && k->Visible()) continue;
      Binding* kb = bindingOf(k);
      QRect geom(k->Left(), k->Top(), k->Width(), k->Height());
      if (kb->kind == Kind::Label) {
        // Labels size themselves to their text (AutoSize), but stop short of the next control
        // to their right on the same line, so captions never run into each other.
        QSize hint = kb->widget->sizeHint();
        int limit = std::numeric_limits<int>::max();
        for (TControl* o : kids)
          if (o != k && o->Visible() && o->Align() == TAlign::alNone && o->Left() > k->Left() &&
              o->Top() < k->Top() + std::max(k->Height(), hint.height()) && o->Top() + o->Height() > k->Top())
            limit = std::min(limit, o->Left() - k->Left() - 3);
        if (static_cast<TLabel*>(k)->Alignment() == TAlignment::taLeftJustify) geom.setWidth(std::max(0, std::min(hint.width(), limit)));
        geom.setHeight(std::max(geom.height(), hint.height()));
      } else if (kb->kind == Kind::CheckBox || kb->kind == Kind::Radio) {
        geom.setWidth(std::max(geom.width(), kb->widget->sizeHint().width()));
      }
      place(k, geom, k->Visible());
    }
  }

  for (TControl* k : kids) layout(*bindingOf(k));
}

void Renderer::layoutRadioGroup(Binding& b) {
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
}

// ---------------------------------------------------------------- sync

void Renderer::sync() {
  if (syncing_) return;
  syncing_ = true;
  syncScheduled_ = false;
  try {
    syncWindows();
    for (auto& [c, b] : bindings_)
      if (b->dirty) apply(*b);
    for (auto& [f, v] : views_) {
      if (v->menuDirty) rebuildMenuBar(*v);
      if (v->layoutDirty && v->window) {
        v->layoutDirty = false;
        if (Binding* fb = bindingOf(v->form)) layout(*fb);
      }
    }
    syncFocus();
  } catch (...) {
    syncing_ = false;
    throw;
  }
  syncing_ = false;
}

void Renderer::syncWindows() {
  // Windows for every shown form (forms show themselves from handlers and creators).
  for (TForm* f : Application().Forms())
    if (f->Visible() && !views_.count(f)) viewOf(*f);
  std::vector<FormView*> views;
  for (auto& [f, v] : views_) views.push_back(v.get());
  for (FormView* v : views) {
    if (v->form->Components().size() != v->componentCount) bindNewComponents(*v);
    FormWindow* w = v->window;
    if (!w) continue;
    TForm& f = *v->form;
    bool shown = f.Visible();
    if (shown && !w->isVisible()) {
      Qt::WindowModality modality = f.Modal() ? Qt::ApplicationModal : Qt::NonModal;
      if (w->windowModality() != modality) w->setWindowModality(modality);
      QSize size(std::max(200, f.Width()), std::max(120, f.Height()));
      if (!v->placed) {
        v->placed = true;
        // The controls keep their design size: a smaller window scrolls them.
        w->setDesignSize(size);
        // New windows open centred over the active window, wholly on the screen they open on
        // (title bar and menu included), no larger than it.
        QWidget* over = QApplication::activeWindow();
        QScreen* screen = over && over->screen() ? over->screen() : w->screen();
        QRect avail = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
        QRect area = over ? over->frameGeometry() : avail;
        w->move(PlaceOnScreen(size, area, avail, &size));
        w->resize(size);
      }
      v->layoutDirty = true;
      markDirty(*bindingOf(&f));
      switch (f.WindowState()) {
        case TWindowState::wsMaximized: w->showMaximized(); break;
        case TWindowState::wsMinimized: w->showMinimized(); break;
        default: w->show(); break;
      }
      w->raise();
      w->activateWindow();
    } else if (!shown && w->isVisible()) {
      w->hide();
    } else if (shown) {
      bool minimized = w->isMinimized();
      if (f.WindowState() == TWindowState::wsMinimized && !minimized) w->showMinimized();
      else if (f.WindowState() != TWindowState::wsMinimized && minimized) w->showNormal();
    }
  }
}

void Renderer::syncFocus() {
  for (auto& [f, v] : views_) {
    if (!v->window || !v->window->isVisible()) continue;
    TControl* ac = v->form->ActiveControl();
    Binding* b = ac ? bindingOf(ac) : nullptr;
    // The control that lost the focus hides its selection; the one that got it shows it.
    if (ac != v->lastActive) {
      if (Binding* old = bindingOf(v->lastActive)) apply(*old);
      if (b) apply(*b);
      v->lastActive = ac;
    }
    QWidget* target = b && b->focusTarget && b->focusTarget->isVisible() ? b->focusTarget.data() : v->window.data();
    if (auto* combo = qobject_cast<QComboBox*>(target); combo && combo->lineEdit()) target = combo->lineEdit();
    if (v->window->focusWidget() != target || (v->window->isActiveWindow() && !target->hasFocus())) {
      ++applying_;
      target->setFocus(Qt::OtherFocusReason);
      --applying_;
    }
    // The grid draws its focused cell from the model's focus.
    if (b && (b->kind == Kind::DBGrid || b->kind == Kind::StringGrid)) b->widget->update();
  }
  TForm* active = Application().ActiveForm();
  if (active && views_.count(active)) {
    FormWindow* w = views_[active]->window;
    if (w && w->isVisible() && !w->isActiveWindow() && QApplication::activeWindow() && !QApplication::activeModalWidget()) w->activateWindow();
  }
}

ActionResult Renderer::act(const std::function<ActionResult()>& action) {
  ActionResult r = action();
  sync();
  return r;
}

void Renderer::runModal(TForm& form) {
  QEventLoop loop;
  bool gone = false;
  auto done = [&] { return gone || form.ModalResult() != mrNone || !form.Visible(); };
  int id = form.Observe([&](TComponent&, std::string_view p) {
    if (p == "Destroying") gone = true;
    if (done()) loop.quit();
  });
  sync();
  if (!done()) loop.exec();
  if (!gone) form.Unobserve(id);
  scheduleSync();
}

// ---------------------------------------------------------------- menus

void Renderer::rebuildMenuBar(FormView& v) {
  v.menuDirty = false;
  for (auto& [item, id] : v.menuObservers)
    if (v.menuItems.count(item)) item->Unobserve(id);
  v.menuObservers.clear();
  v.menuItems.clear();
  QMenuBar* bar = v.window->menuBar();
  bar->clear();
  TMainMenu* menu = v.form->Menu();
  if (!menu) {
    bar->hide();
    return;
  }
  FormView* view = &v;
  std::function<void(TMenuItem&, QWidget*)> add = [&](TMenuItem& parent, QWidget* into) {
    for (TMenuItem* item : parent.Items()) {
      v.menuItems.insert(item);
      v.menuObservers.emplace_back(item, item->Observe([this, view, item](TComponent&, std::string_view p) {
        if (p == "Destroying") view->menuItems.erase(item);
        view->menuDirty = true;
        scheduleSync();
      }));
      if (!item->Visible()) continue;
      if (item->IsSeparator()) {
        if (auto* m = qobject_cast<QMenu*>(into)) m->addSeparator();
        continue;
      }
      QString text = qs(item->Caption());
      if (item->Count() > 0) {
        auto* sub = new QMenu(text, into);
        sub->setEnabled(item->Enabled());
        add(*item, sub);
        if (auto* m = qobject_cast<QMenu*>(into)) m->addMenu(sub);
        else static_cast<QMenuBar*>(into)->addMenu(sub);
        continue;
      }
      // The shortcut is shown only: keys reach menu items through the dispatcher.
      if (item->ShortCut()) text += "\t" + qs(ShortCutToText(item->ShortCut()));
      QAction* a = new QAction(text, into);
      a->setEnabled(item->Enabled());
      a->setCheckable(item->Checked() || item->RadioItem());
      a->setChecked(item->Checked());
      a->setToolTip(shortHint(item->Hint()));
      QObject::connect(a, &QAction::triggered, this, [this, view, item] {
        if (!view->menuItems.count(item)) return;
        act([item] { return UserActions::ClickMenuItem(*item); });
      });
      into->addAction(a);
    }
  };
  add(menu->Items(), bar);
  bar->setVisible(!bar->actions().isEmpty());
}

void Renderer::popup(TControl& control, TPopupMenu* menu, const QPoint& globalPos) {
  if (menu && !act([&control, menu] { return UserActions::Popup(control, *menu); }).ok()) return;
  QMenu qm;
  qm.setFont(screenFont());
  std::function<void(TMenuItem&, QMenu*)> add = [&](TMenuItem& parent, QMenu* into) {
    for (TMenuItem* item : parent.Items()) {
      if (!item->Visible()) continue;
      if (item->IsSeparator()) {
        into->addSeparator();
        continue;
      }
      if (item->Count() > 0) {
        QMenu* sub = into->addMenu(qs(item->Caption()));
        sub->setEnabled(item->Enabled());
        add(*item, sub);
        continue;
      }
      QString text = qs(item->Caption());
      if (item->ShortCut()) text += "\t" + qs(ShortCutToText(item->ShortCut()));
      QAction* a = into->addAction(text);
      a->setEnabled(item->Enabled());
      a->setCheckable(item->Checked());
      a->setChecked(item->Checked());
      a->setData(QVariant::fromValue<void*>(item));
    }
  };
  if (menu) add(menu->Items(), &qm);
  auto* grid = dynamic_cast<TCustomGrid*>(&control);
  QAction* exportAction = nullptr;
  if (grid) {
    if (!qm.actions().isEmpty()) qm.addSeparator();
    exportAction = qm.addAction(QString::fromUtf8("Exportar…"));
  }
  QAction* chosen = qm.exec(globalPos);
  if (!chosen) return;
  if (chosen == exportAction) {
    exportGrid(*grid);
    return;
  }
  if (!menu) return;
  auto* item = static_cast<TMenuItem*>(chosen->data().value<void*>());
  // The menu may have changed while it was open; run the item only if it is still there.
  std::function<bool(TMenuItem&)> has = [&](TMenuItem& parent) {
    for (TMenuItem* i : parent.Items())
      if (i == item || has(*i)) return true;
    return false;
  };
  if (has(menu->Items())) act([item] { return UserActions::ClickMenuItem(*item); });
}

void Renderer::exportGrid(TCustomGrid& grid) {
  const QString xlsx = QString::fromUtf8("Planilha (*.xlsx)"), csv = QString::fromUtf8("Texto separado por ; (*.csv)");
  QString filter = xlsx;
  TForm* form = grid.ParentForm();
  QString path = QFileDialog::getSaveFileName(qApp->activeWindow(), QString::fromUtf8("Exportar"),
                                              qs(form ? form->Caption() : grid.Name()), xlsx + ";;" + csv, &filter);
  if (path.isEmpty()) return;
  // The format follows the chosen filter; a name without that extension gets it.
  ExportFormat format = filter == csv ? ExportFormat::Csv : ExportFormat::Xlsx;
  const QString ext = format == ExportFormat::Csv ? ".csv" : ".xlsx";
  if (!path.endsWith(ext, Qt::CaseInsensitive)) path += ext;
  act([&grid, p = ss(path), format] { return UserActions::Run([&] { ExportGrid(grid, p, format); }); });
}

// ---------------------------------------------------------------- input

bool Renderer::accelerator(TForm& form, QChar ch) {
  ch = ch.toUpper();
  for (TComponent* comp : form.Components()) {
    auto* c = dynamic_cast<TControl*>(comp);
    if (!c || !c->Showing() || !c->EnabledChain() || acceleratorOf(c->Caption()) != ch) continue;
    if (auto* label = dynamic_cast<TLabel*>(c)) {
      if (TControl* target = label->FocusControl()) {
        act([target] { return UserActions::Focus(*target); });
        return true;
      }
      continue;
    }
    if (dynamic_cast<TButton*>(c) || dynamic_cast<TSpeedButton*>(c) || dynamic_cast<TCheckBox*>(c) ||
        dynamic_cast<TRadioButton*>(c)) {
      act([c] { return UserActions::Click(*c); });
      return true;
    }
  }
  for (TComponent* comp : form.Components())
    if (auto* sheet = dynamic_cast<TTabSheet*>(comp))
      if (sheet->PageControl() && sheet->PageControl()->Showing() && sheet->TabVisible() && acceleratorOf(sheet->Caption()) == ch) {
        act([sheet] { return UserActions::SelectPage(*sheet); });
        return true;
      }
  // The menu bar's own mnemonics.
  if (views_.count(&form))
    if (FormWindow* w = views_[&form]->window)
      for (QAction* a : w->menuBar()->actions())
        if (a->menu() && a->isEnabled() && acceleratorOf(ss(a->text())) == ch) {
          w->menuBar()->setActiveAction(a);
          return true;
        }
  return false;
}

bool Renderer::handleKey(Binding& b, QKeyEvent* e) {
  TForm* form = b.control->ParentForm();
  if (!form) return false;
  int qtKey = e->key();
  if (qtKey == Qt::Key_Shift || qtKey == Qt::Key_Control || qtKey == Qt::Key_Alt || qtKey == Qt::Key_Meta ||
      qtKey == Qt::Key_AltGr || qtKey == Qt::Key_CapsLock || qtKey == Qt::Key_NumLock)
    return true;
  // The control whose widget has the key, as in step with the model after every action.
  TControl* target = b.control;
  if (!target->Focusable()) target = form->ActiveControl() ? form->ActiveControl() : static_cast<TControl*>(form);
  Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
  ShiftState shift = shiftOf(mods);
  QString text = e->text();

  if ((mods & Qt::AltModifier) && !(mods & Qt::ControlModifier) && !text.isEmpty() && text[0].isLetterOrNumber())
    if (accelerator(*form, text[0])) return true;

  // Clipboard: the pasted text is typed; copying reads the model's selection.
  if (mods == Qt::ControlModifier && (qtKey == Qt::Key_V || qtKey == Qt::Key_C || qtKey == Qt::Key_X)) {
    if (auto* edit = dynamic_cast<TCustomEdit*>(target)) {
      if (qtKey == Qt::Key_V) {
        QString paste = QApplication::clipboard()->text();
        paste.remove('\r');
        paste.replace('\n', ' ');
        if (!paste.isEmpty()) act([edit, paste] { return UserActions::Type(*edit, ss(paste)); });
        return true;
      }
      auto* m = dynamic_cast<TMaskEdit*>(edit);
      QString all = qs(m ? m->EditText() : edit->Text());
      if (edit->SelLength() > 0) QApplication::clipboard()->setText(all.mid(edit->SelStart(), edit->SelLength()));
      if (qtKey == Qt::Key_X && edit->SelLength() > 0) act([edit] { return UserActions::KeyDown(*edit, VK_DELETE, 0); });
      return true;
    }
  }

  bool printable = !text.isEmpty() && text[0].unicode() >= 0x20 && text[0].unicode() != 0x7f &&
                   !(mods & (Qt::ControlModifier | Qt::AltModifier));
  if (printable && target != form) {
    act([target, t = ss(text)] { return UserActions::Type(*target, t); });
    return true;
  }
  int key = vkOf(qtKey);
  if (qtKey == Qt::Key_Backtab) shift |= ssShift;
  if (key == 0) return true;
  // F4 and Alt+Down open a combo box's list, as the platform's own combo does.
  if (auto* combo = qobject_cast<QComboBox*>(bindingOf(target) ? bindingOf(target)->widget.data() : nullptr);
      combo && (key == VK_F4 || (key == VK_DOWN && shift == ssAlt))) {
    combo->showPopup();
    return true;
  }
  act([target, key, shift] { return UserActions::KeyDown(*target, key, shift); });
  return true;
}

bool Renderer::handleMouse(Binding& b, QMouseEvent* e) {
  TControl* c = b.control;
  if (b.kind == Kind::DBGrid || b.kind == Kind::StringGrid || b.kind == Kind::Form) return false;
  if (e->button() != Qt::LeftButton) return false;
  TForm* form = c->ParentForm();
  if (!form) return false;
  if (b.kind == Kind::ListBox) {
    auto* list = static_cast<QListWidget*>(b.widget.data());
    QPoint pos = list->viewport()->mapFromGlobal(e->globalPosition().toPoint());
    QListWidgetItem* item = list->itemAt(pos);
    bool extend = e->modifiers() & Qt::ControlModifier;
    if (e->type() == QEvent::MouseButtonDblClick) {
      act([c] { return UserActions::DblClick(*c); });
    } else if (item) {
      int index = list->row(item);
      act([c, index, extend] { return UserActions::SelectIndex(*c, index, extend); });
    } else {
      act([c] { return UserActions::Focus(*c); });
    }
    return true;
  }
  if (e->type() == QEvent::MouseButtonDblClick) {
    if (b.kind == Kind::Edit || b.kind == Kind::Label || b.kind == Kind::Image || b.kind == Kind::Panel) {
      act([c] { return UserActions::DblClick(*c); });
      return true;
    }
    return false;
  }
  // A click first moves the focus; when an exit handler refuses, the click does not happen.
  if (c->Focusable() && form->ActiveControl() != c) {
    act([c] { return UserActions::Focus(*c); });
    if (!bindingOf(c) || form->ActiveControl() != c) return true;
  }
  if (b.kind == Kind::Label || b.kind == Kind::Image || b.kind == Kind::Panel || b.kind == Kind::Container ||
      b.kind == Kind::GroupBox) {
    if (c->OnClick) act([c] { return UserActions::Click(*c); });
  }
  return false;
}

bool Renderer::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
    case QEvent::InputMethod:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::ContextMenu:
      break;
    default:
      return false;
  }
  Binding* b = bindingFor(watched);
  if (!b) return false;
  switch (event->type()) {
    case QEvent::ShortcutOverride:
      // Every key goes to the dispatcher (menu shortcuts included), none to Qt's shortcut map,
      // except the standard Quit key, which the host offers from every window.
      if (static_cast<QKeyEvent*>(event)->matches(QKeySequence::Quit)) return false;
      event->accept();
      return true;
    case QEvent::KeyPress:
      return handleKey(*b, static_cast<QKeyEvent*>(event));
    case QEvent::InputMethod: {
      auto* im = static_cast<QInputMethodEvent*>(event);
      TForm* form = b->control->ParentForm();
      if (form && form->ActiveControl() && !im->commitString().isEmpty()) {
        TControl* target = form->ActiveControl();
        act([target, t = ss(im->commitString())] { return UserActions::Type(*target, t); });
      }
      return true;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
      return handleMouse(*b, static_cast<QMouseEvent*>(event));
    case QEvent::ContextMenu: {
      auto* ce = static_cast<QContextMenuEvent*>(event);
      TPopupMenu* pm = nullptr;
      for (TControl* c = b->control; c && !pm; c = c->Parent()) pm = c->PopupMenu();
      // Every grid offers its export, with or without a menu of its own.
      if (pm || dynamic_cast<TCustomGrid*>(b->control)) popup(*b->control, pm, ce->globalPos());
      return true;
    }
    default:
      return false;
  }
}

}  // namespace cad::desktop
