// The generic renderer (see renderer.h for its invariants): bindings of controls to widgets made
// by each control kind's adapter (adapters.h), applying model state, the alignment layout of
// platform/ui/align.h, and turning Qt input into dispatcher calls.
#include "hosts/desktop/renderer.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QEventLoop>
#include <QFileDialog>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>

#include <algorithm>

#include "hosts/desktop/adapters.h"
#include "hosts/desktop/style.h"
#include "hosts/desktop/widgets.h"
#include "platform/core/errors.h"
#include "platform/ui/align.h"
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

// Virtual-key code of a Qt key; 0 for keys the model has no code for.
int vkOf(int qtKey) {
  switch (qtKey) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
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

// The binding of a form's own window (every other binding is a control inside a window).
bool isWindow(const Binding& b) { return b.control == b.view->form; }

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
    b->adapter->release(*b);
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
  v.window->setFont(style::ScreenFont());
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
  b.adapter = &AdapterFor(control);
  b.adapter->create(b, parent, *this);
  b.adapter->bind(b, *this);
  if (!b.focusTarget) b.focusTarget = b.widget;
  if (!isWindow(b)) {
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
      if (bb && isWindow(*bb))
        dropView(bb->view->form);
      else
        dropBinding(c);
      return;
    }
    Binding* bb = bindingOf(c);
    if (!bb) return;
    markDirty(*bb);
    // A tab is drawn by its page control's tab bar: a sheet's caption, hint, visibility or
    // enabling redraws that bar, or the tab keeps its old look.
    if (bb->adapter->drawnByParent())
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
  if (b.widget && !isWindow(b)) {
    b.adapter->release(b);
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
    b.adapter->release(b);
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

// What every control shows alike: enabling, hint, font, colours.
void applyCommon(Binding& b) {
  TControl& c = *b.control;
  QWidget* w = b.widget;
  if (!isWindow(b)) w->setEnabled(c.Enabled());
  w->setToolTip(shortHint(c.Hint()));
  QFont f = style::ControlFont(w->font(), c);
  if (f != w->font()) w->setFont(f);
  QPalette pal = w->palette();
  QColor bg = toQColor(c.Color()), fg = toQColor(c.FontColor());
  bool changed = false;
  if (bg.isValid()) {
    QPalette::ColorRole role = b.adapter->background();
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

}  // namespace

void Renderer::apply(Binding& b) {
  b.dirty = false;
  if (!b.widget) return;
  ++applying_;
  applyCommon(b);
  b.adapter->apply(b, *this);
  --applying_;
}

// ---------------------------------------------------------------- layout

void Renderer::layout(Binding& b) {
  const QRect r = b.adapter->draw(b);
  if (!b.container) return;
  TControl& c = *b.control;
  QWidget* box = b.container;
  std::vector<TControl*> kids;
  for (TControl* k : c.Controls())
    if (Binding* kb = bindingOf(k); kb && kb->widget) kids.push_back(k);

  auto place = [&](TControl* k, QRect geom, bool visible) {
    Binding* kb = bindingOf(k);
    if (kb->widget->geometry() != geom) kb->widget->setGeometry(geom);
    if (kb->widget->isVisibleTo(box) != visible || kb->widget->isHidden() == visible) kb->widget->setVisible(visible);
  };
  if (b.adapter->stacksPages()) {
    for (TControl* k : kids) place(k, r, b.adapter->pageShown(c, *k));
  } else {
    std::vector<TAlignedChild> placed = AlignChildren({r.x(), r.y(), r.width(), r.height()}, kids);
    for (size_t i = 0; i < kids.size(); ++i) {
      const TBounds& g = placed[i].bounds;
      QRect geom(g.Left, g.Top, g.Width, g.Height);
      // A control at its own bounds may fit them to its content.
      if (!placed[i].aligned) {
        Binding* kb = bindingOf(kids[i]);
        geom = kb->adapter->fit(*kb, geom, kids);
      }
      place(kids[i], geom, placed[i].visible);
    }
  }
  for (TControl* k : kids) layout(*bindingOf(k));
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
      if (f.WindowState() == TWindowState::wsMinimized && !minimized)
        w->showMinimized();
      else if (f.WindowState() != TWindowState::wsMinimized && minimized)
        w->showNormal();
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
    if (b && b->adapter->drawsFocus()) b->widget->update();
  }
  TForm* active = Application().ActiveForm();
  if (active && views_.count(active)) {
    FormWindow* w = views_[active]->window;
    if (w && w->isVisible() && !w->isActiveWindow() && QApplication::activeWindow() &&
        !QApplication::activeModalWidget())
      w->activateWindow();
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
        if (auto* m = qobject_cast<QMenu*>(into))
          m->addMenu(sub);
        else
          static_cast<QMenuBar*>(into)->addMenu(sub);
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
  qm.setFont(style::ScreenFont());
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
      if (sheet->PageControl() && sheet->PageControl()->Showing() && sheet->TabVisible() &&
          acceleratorOf(sheet->Caption()) == ch) {
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
      if (qtKey == Qt::Key_X && edit->SelLength() > 0)
        act([edit] { return UserActions::KeyDown(*edit, VK_DELETE, 0); });
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
  if (e->button() != Qt::LeftButton || !b.control->ParentForm()) return false;
  return b.adapter->mouse(b, e, *this);
}

// ---------------------------------------------------------------- what the widgets ask

TControl* Renderer::liveControl(const QWidget* widget) const {
  Binding* b = exactBinding(widget);
  return b ? b->control : nullptr;
}

void Renderer::quietly(const std::function<void()>& write) {
  ++applying_;
  try {
    write();
  } catch (...) {
    --applying_;
    throw;
  }
  --applying_;
}

void Renderer::later(std::function<void()> fn) { QMetaObject::invokeMethod(this, std::move(fn), Qt::QueuedConnection); }

void Renderer::relayout(TForm& form) {
  viewOf(form).layoutDirty = true;
  if (!syncing_) sync();
}

bool Renderer::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
    case QEvent::InputMethod:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::ContextMenu: break;
    default: return false;
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
    case QEvent::KeyPress: return handleKey(*b, static_cast<QKeyEvent*>(event));
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
    case QEvent::MouseButtonDblClick: return handleMouse(*b, static_cast<QMouseEvent*>(event));
    case QEvent::ContextMenu: {
      auto* ce = static_cast<QContextMenuEvent*>(event);
      TPopupMenu* pm = nullptr;
      for (TControl* c = b->control; c && !pm; c = c->Parent()) pm = c->PopupMenu();
      // Every grid offers its export, with or without a menu of its own.
      if (pm || dynamic_cast<TCustomGrid*>(b->control)) popup(*b->control, pm, ce->globalPos());
      return true;
    }
    default: return false;
  }
}

}  // namespace cad::desktop
