// The generic Qt renderer of the component model: one top-level window per shown TForm, one
// widget per control, made by the adapter of the control's kind (adapters.h) from the form's
// component tree (no per-screen code).
//
// Invariants:
//  - The model is the only state. Widgets never change it themselves: every user input (focus,
//    keys, typed text, clicks, cell and item selection, menu items, closing) goes through
//    cad::UserActions, after which the renderer re-reads the model (sync), so a refused action
//    leaves the screen as the model has it (a refused focus change keeps the focus in the field).
//  - Qt never moves the focus on its own (widgets take no focus by click or Tab); after each
//    action the keyboard focus follows TForm::ActiveControl.
//  - Property observers only mark what changed; sync() applies it, lays out dirty containers
//    (the alignment of platform/ui/align.h within the area each kind's adapter gives) and
//    follows the focus. A zero timer runs sync() for changes made outside user actions.
//  - A destroyed component drops its binding at once; its widget is deleted later.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "hosts/desktop/widgets.h"
#include "platform/ui/actions.h"

namespace cad {
class TComponent;
class TControl;
class TForm;
class TMenuItem;
class TPopupMenu;
class TCustomGrid;
}  // namespace cad

namespace cad::desktop {

class Renderer : public QObject, public RendererHost {
  Q_OBJECT

 public:
  Renderer();
  ~Renderer() override;
  Renderer(const Renderer&) = delete;
  Renderer& operator=(const Renderer&) = delete;

  // The renderer of the process (the one constructed last and still alive), or null.
  static Renderer* current();

  // The window showing a form; created (hidden) on first use.
  QWidget* window(TForm& form);
  // The widget that renders a control, or null when it has none (yet).
  QWidget* widgetOf(const TControl& control) const;
  // The control a widget (or one of its inner widgets) renders, or null.
  TControl* controlOf(const QObject* widget) const;

  // Applies pending model changes: windows for shown forms, widget state, layout, focus.
  void sync() override;
  // Runs one user action through the dispatcher, then syncs.
  ActionResult act(const std::function<ActionResult()>& action) override;
  // The host's modal loop: shows the form as a modal window and returns when its modal result
  // is set, it hides or it is destroyed.
  void runModal(TForm& form);
  // Opens a control's popup menu through the dispatcher (OnPopup), then shows its items at a
  // global position; the chosen item runs through the dispatcher.
  // A grid's menu ends with "Exportar…" (a grid without a menu shows that alone).
  void popup(TControl& control, TPopupMenu* menu, const QPoint& globalPos);
  // Asks where and in which format to export a grid, then writes it (see platform/ui/export.h).
  void exportGrid(TCustomGrid& grid);

  // What the widgets and adapters ask (widgets.h).
  TControl* liveControl(const QWidget* widget) const override;
  Binding* bindingOf(const TComponent* c) const override;
  bool applying() const override { return applying_ > 0; }
  bool syncing() const override { return syncing_; }
  void quietly(const std::function<void()>& write) override;
  void later(std::function<void()> fn) override;
  void relayout(TForm& form) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  FormView& viewOf(TForm& form);
  Binding* bindingFor(const QObject* o) const;
  Binding* exactBinding(const QObject* w) const;
  void bindTree(FormView& view, TControl& control, QWidget* parentContainer);
  Binding& bind(FormView& view, TControl& control, QWidget* parentContainer);
  void bindNewComponents(FormView& view);
  void observe(Binding& b);
  void markDirty(Binding& b);
  void markLayout(TControl* container);
  void scheduleSync();
  void dropBinding(const TComponent* c);
  void dropView(TForm* form);
  void apply(Binding& b);
  void layout(Binding& b);
  void syncWindows();
  void syncFocus();
  void rebuildMenuBar(FormView& view);
  bool handleKey(Binding& b, class QKeyEvent* e);
  bool handleMouse(Binding& b, class QMouseEvent* e);
  bool accelerator(TForm& form, QChar ch);

  std::unordered_map<const TComponent*, std::unique_ptr<Binding>> bindings_;
  std::unordered_map<const QObject*, Binding*> byWidget_;
  std::unordered_map<const TForm*, std::unique_ptr<FormView>> views_;
  std::vector<TControl*> layoutDirty_;
  bool syncScheduled_ = false;
  bool syncing_ = false;
  int applying_ = 0;  // >0 while the renderer itself writes to widgets (their signals are ignored)
  Renderer* previous_ = nullptr;
};

}  // namespace cad::desktop
