// The renderer's control adapters, one per control kind: each creates the kind's widget, binds
// the widget's input to user actions, applies the model's state to the widget and draws what the
// kind holds inside itself (a panel's caption, a radio group's buttons), giving the area its
// children are laid out in. A control's adapter is the one registered for its most derived model
// class, whatever the order of the registrations.
#pragma once

#include <QPalette>
#include <QRect>

#include <vector>

#include "hosts/desktop/widgets.h"

class QMouseEvent;

namespace cad::desktop {

class ControlAdapter {
 public:
  virtual ~ControlAdapter() = default;

  // Makes b.widget (and b.container when the kind holds children) inside `parent`.
  virtual void create(Binding& b, QWidget* parent, RendererHost& host) const = 0;
  // Turns the widget's signals into user actions.
  virtual void bind(Binding& b, RendererHost& host) const;
  // Shows the model's state of the kind (the state every control has is applied before).
  virtual void apply(Binding& b, RendererHost& host) const;
  // Places the kind's own parts for the widget's size; returns the area its children go in.
  virtual QRect draw(Binding& b) const;
  // The geometry of a child placed at its own bounds, fitted to its content (labels, check boxes).
  virtual QRect fit(Binding& b, QRect bounds, const std::vector<TControl*>& siblings) const;
  // Whether the children are pages stacked in the whole area, only the current one shown.
  virtual bool stacksPages() const { return false; }
  virtual bool pageShown(TControl& container, TControl& child) const;
  // A mouse press or double click on the widget; true when it was taken (Qt sees it no more).
  virtual bool mouse(Binding& b, QMouseEvent* e, RendererHost& host) const;
  // The palette role a control's colour paints.
  virtual QPalette::ColorRole background() const { return QPalette::Window; }
  // Whether the widget draws the focus from the model (it repaints when the focus moves).
  virtual bool drawsFocus() const { return false; }
  // Whether the parent draws this control too (a sheet's tab): a change repaints the parent.
  virtual bool drawnByParent() const { return false; }
  // Lets go of the model before the widget outlives the control.
  virtual void release(Binding&) const {}
};

// The adapter of a control.
const ControlAdapter& AdapterFor(const TControl& control);

}  // namespace cad::desktop
