// Internal to the desktop renderer: the binding of a control to its widget, the window of a form,
// what the widgets and the control adapters ask of the renderer (RendererHost), and the few custom
// widgets the standard ones cannot stand in for (page control, navigator, grids drawing the
// model's cell draw lists, images, splitter).
#pragma once

#include <QAbstractTableModel>
#include <QFrame>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QWidget>

#include <functional>
#include <set>
#include <string>

#include "platform/ui/actions.h"
#include "platform/ui/component.h"

class QMenuBar;
class QTabBar;
class QToolButton;

namespace cad {
class TCustomGrid;
class TDBGrid;
class TDBNavigator;
class TPageControl;
class TMenuItem;
class TForm;
struct DrawItem;
}  // namespace cad

class QScrollArea;

namespace cad::desktop {

class FormWindow;
class ControlAdapter;
struct FormView;

struct Binding {
  const ControlAdapter* adapter = nullptr;  // the control's kind (adapters.h)
  TControl* control = nullptr;
  FormView* view = nullptr;
  QPointer<QWidget> widget;       // placed in the parent's container
  QPointer<QWidget> container;    // the children's widgets go here (null: no children)
  QPointer<QWidget> focusTarget;  // the widget that takes the keyboard focus
  int observer = 0;
  bool dirty = true;
};

struct FormView {
  TForm* form = nullptr;
  QPointer<FormWindow> window;
  size_t componentCount = 0;
  bool layoutDirty = true;
  bool menuDirty = true;
  bool placed = false;             // the window got its first position
  TControl* lastActive = nullptr;  // the active control at the last focus sync
  std::set<TMenuItem*> menuItems;  // observed items of the main menu
  std::vector<std::pair<TMenuItem*, int>> menuObservers;
};

// What the widgets and the control adapters ask of the renderer. Widget input becomes a user
// action on the control the widget renders at that moment, found again through the renderer, so
// a destroyed control is never reached through a stale pointer.
class RendererHost {
 public:
  // Runs one user action through the dispatcher, then shows the model again.
  virtual ActionResult act(const std::function<ActionResult()>& action) = 0;
  // Shows pending model changes now.
  virtual void sync() = 0;
  // The control a widget renders now (exactly that widget), or null.
  virtual TControl* liveControl(const QWidget* widget) const = 0;
  // The binding of a control, or null.
  virtual Binding* bindingOf(const TComponent* control) const = 0;
  // True while the renderer writes the model's state to widgets: their signals are not input.
  virtual bool applying() const = 0;
  // True while the renderer shows the model (a resize or activation then is its own doing).
  virtual bool syncing() const = 0;
  // Runs a write to the model from a widget's view state, with the widgets' signals ignored.
  virtual void quietly(const std::function<void()>& write) = 0;
  // Runs `fn` once the current event has been handled.
  virtual void later(std::function<void()> fn) = 0;
  // The window of a form changed size: its controls are laid out again.
  virtual void relayout(TForm& form) = 0;

 protected:
  ~RendererHost() = default;
};

// Qt colour of a model colour; invalid for clDefault.
QColor toQColor(TColor color);
// "&Serviços" -> "<u>S</u>erviços" (HTML-escaped) for labels; "&&" -> "&".
QString accelRichText(const std::string& caption);
// Qt mnemonic text: the model's captions already use '&' the way Qt does.
QString qs(const std::string& s);
std::string ss(const QString& s);

// Where a window of `size` opens centred over `over`, kept wholly inside `avail` (a frame of
// title bar and borders included); `fitted` receives the size cut down to what fits.
QPoint PlaceOnScreen(QSize size, const QRect& over, const QRect& avail, QSize* fitted);

// The window of a form: its menu bar over a scroll area whose client holds the controls. The
// client grows with the window and never shrinks below the design size (the area scrolls then).
class FormWindow : public QWidget {
 public:
  FormWindow(RendererHost& renderer, TForm& form);
  QMenuBar* menuBar() const { return menuBar_; }
  QWidget* client() const { return client_; }
  QScrollArea* scrollArea() const { return scroll_; }
  // The window size the form was designed for: the client's minimum.
  void setDesignSize(QSize size);
  TForm* form() const { return form_; }
  void detach() { form_ = nullptr; }

 protected:
  void closeEvent(QCloseEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void changeEvent(QEvent* e) override;

 private:
  RendererHost& renderer_;
  TForm* form_;
  bool eventFilter(QObject* watched, QEvent* e) override;

  QMenuBar* menuBar_;
  QScrollArea* scroll_;
  QWidget* client_;
};

// Tabs over a page area; the sheets' widgets are children placed in pageRect().
class PageControlWidget : public QWidget {
 public:
  explicit PageControlWidget(QWidget* parent);
  QTabBar* tabBar() const { return tabs_; }
  QRect pageRect() const;
  // Brings the tabs in line with the model's sheets.
  void syncTabs(TPageControl& pc);

 protected:
  void resizeEvent(QResizeEvent* e) override;

 private:
  QTabBar* tabs_;
  QFrame* frame_;
};

class NavigatorWidget : public QWidget {
 public:
  NavigatorWidget(QWidget* parent, std::function<void(int button)> onClick);
  void syncButtons(TDBNavigator& nav);

 protected:
  void resizeEvent(QResizeEvent* e) override;

 private:
  std::vector<QToolButton*> buttons_;
};

// Draws a picture by name (style.h): the check images of the grids as boxes, others as a frame.
class ImageWidget : public QWidget {
 public:
  explicit ImageWidget(QWidget* parent) : QWidget(parent) {}
  void setPicture(const std::string& name) {
    picture_ = name;
    update();
  }

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  std::string picture_;
};

// Resizes the aligned sibling next to it by dragging (geometry only, no user events).
class SplitterWidget : public QWidget {
 public:
  SplitterWidget(QWidget* parent, std::function<void(int delta)> onDrag);
  void setVertical(bool vertical);

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;

 private:
  std::function<void(int)> onDrag_;
  bool vertical_ = true;
  QPoint last_;
};

// Grid cells as the model draws them: the table asks the grid for each cell's draw list.
class GridModel : public QAbstractTableModel {
 public:
  GridModel(TCustomGrid& grid, QObject* parent);
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation o, int role) const override;
  // Re-reads counts and cells (reset only when the shape changed).
  void refresh();
  TCustomGrid& grid() const { return *grid_; }
  bool isDb() const { return db_ != nullptr; }
  // Grid row of a table row (data grids: display row from 1).
  int gridRow(int tableRow) const { return db_ ? tableRow + 1 : tableRow; }
  void detach() {
    grid_ = nullptr;
    db_ = nullptr;
  }
  bool attached() const { return grid_ != nullptr; }

 private:
  TCustomGrid* grid_;
  TDBGrid* db_;
  int rows_ = 0, cols_ = 0;
};

class GridDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

class GridView : public QTableView {
 public:
  GridView(RendererHost& renderer, TCustomGrid& grid, QWidget* parent);
  GridModel& gridModel() const { return *model_; }
  // Counts, widths, row height and the current cell from the model.
  void syncFromModel();
  void detach() { model_->detach(); }
  // The lookup button of the current cell of a data grid (in viewport coordinates); empty when none.
  QRect editButtonRect() const;

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;

 private:
  RendererHost& renderer_;
  GridModel* model_;
};

}  // namespace cad::desktop
