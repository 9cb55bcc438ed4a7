// Forms and the application object.
//
// TForm owns its components by name (and the datasets and data sources its layout declares),
// holds the focus, runs the enter/exit sequence, shows itself normally or modally and closes
// through OnCloseQuery / OnClose. TApplication lists the open forms and carries the host hooks:
// the modal loop, message processing, the screen cursor and the error display.
//
// Focus invariants (the classic sequence):
//  - Moving the focus from A to B runs OnExit of A and of every container being left (innermost
//    first), then OnEnter of every container entered (outermost first) and of B.
//  - An exception from an exit handler leaves the focus on A and no enter handler runs.
//  - A handler that moves the focus itself ends the move in progress: the nested move wins.
//  - An exception from an enter handler returns the focus to A without running A's enter again
//    (an entry refused by OnEnter does not happen).
#pragma once

#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeindex>
#include <vector>

#include "platform/core/errors.h"
#include "platform/ui/component.h"

namespace cad {

class DataSet;
class DataSource;
class TMainMenu;

enum class TWindowState : uint8_t { wsNormal, wsMinimized, wsMaximized };
enum class TCloseAction : uint8_t { caNone, caHide, caFree, caMinimize };
enum class TCursor : uint8_t { crDefault, crHourGlass };

constexpr int mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7;

using TCloseQueryEvent = std::function<void(TComponent& sender, bool& canClose)>;
using TCloseEvent = std::function<void(TComponent& sender, TCloseAction& action)>;

class TForm : public TControl {
 public:
  TForm();
  ~TForm() override;
  const char* ClassName() const override { return "TForm"; }
  const PropertyTable& Properties() const override;

  // ---- components owned by name
  // Takes ownership; the name must be unique in the form (empty names are allowed).
  TComponent& InsertComponent(std::unique_ptr<TComponent> component);
  template <class T>
  T* Create(std::string name, TControl* parent = nullptr) {
    auto owned = std::make_unique<T>();
    T* raw = owned.get();
    raw->SetName(std::move(name));
    InsertComponent(std::move(owned));
    if (parent) {
      if constexpr (std::is_base_of_v<TControl, T>) raw->SetParent(parent);
    }
    return raw;
  }
  TComponent* FindComponent(std::string_view name) const;  // null when absent
  const std::vector<TComponent*>& Components() const { return order_; }

  // Datasets and data sources known by name: owned (declared by a layout) or registered by code.
  DataSet& AddDataSet(std::unique_ptr<DataSet> ds);
  DataSource& AddDataSource(std::unique_ptr<DataSource> src);
  void RegisterDataSet(DataSet& ds);         // not owned
  void RegisterDataSource(DataSource& src);  // not owned
  DataSet* FindDataSet(std::string_view name) const;
  std::vector<DataSet*> DataSets() const;  // every dataset known by name, in name order
  DataSource* FindDataSource(std::string_view name) const;

  // Typed lookup: a component, dataset or data source by name; throws cad::Exception naming the
  // form, the name and the expected type when it is missing or of another type.
  template <class T>
  T* find(std::string_view name) const {
    if constexpr (std::is_base_of_v<TComponent, T>) {
      TComponent* c = FindComponent(name);
      T* typed = dynamic_cast<T*>(c);
      if (!typed) throwFindError(name, typeid(T).name(), c ? c->ClassName() : nullptr);
      return typed;
    } else if constexpr (std::is_base_of_v<DataSet, T>) {
      DataSet* d = FindDataSet(name);
      T* typed = dynamic_cast<T*>(d);
      if (!typed) throwFindError(name, typeid(T).name(), d ? "DataSet" : nullptr);
      return typed;
    } else {
      static_assert(std::is_same_v<T, DataSource>, "find<T>: T must be a component, a dataset or DataSource");
      DataSource* s = FindDataSource(name);
      if (!s) throwFindError(name, "DataSource", nullptr);
      return s;
    }
  }

  // ---- event handlers by name (the layout names them; the screen binds its member functions)
  template <class Sig>
  void Handler(std::string name, std::function<Sig> fn) {
    handlers_[std::move(name)] =
        HandlerBox{typeid(std::function<Sig>), std::make_shared<std::function<Sig>>(std::move(fn))};
  }
  // Binds a member function of the screen: Bind("medCdFilialExit", &TfrmX::medCdFilialExit).
  template <class C, class... A>
  void Bind(std::string name, void (C::*method)(A...)) {
    C* self = static_cast<C*>(this);
    Handler<void(A...)>(std::move(name), [self, method](A... args) { (self->*method)(std::forward<A>(args)...); });
  }
  // The handler of that name with that signature; throws cad::Exception when unknown or when
  // its parameters do not match the event.
  template <class Fn>
  Fn ResolveHandler(std::string_view name) const {
    auto it = handlers_.find(std::string(name));
    if (it == handlers_.end()) throwHandlerError(name, false);
    if (it->second.type != typeid(Fn)) throwHandlerError(name, true);
    return *static_cast<const Fn*>(it->second.fn.get());
  }
  bool HasHandler(std::string_view name) const { return handlers_.count(std::string(name)) != 0; }

  // Builds components from a layout text (see layout.h); may be called again to extend or
  // override the components of a base screen's layout.
  void LoadLayout(std::string_view text);

  // ---- focus
  TControl* ActiveControl() const { return active_; }
  // Before the form is shown, only records the control; afterwards moves the focus.
  void SetActiveControl(TControl* control);
  // Moves the focus with the full exit/enter sequence; see the invariants above.
  void FocusControl(TControl* control);
  // Controls that take part in Tab navigation, in tab order (TabOrder within each parent, then
  // insertion order; containers walked depth first).
  std::vector<TControl*> TabOrderList() const;
  // Focuses the next (or previous) control after `current` that can take the focus and has
  // TabStop; wraps around. Returns false when there is none.
  bool SelectNext(TControl* current, bool forward = true);
  void SelectFirst();
  bool KeyPreview() const { return keyPreview_; }
  void SetKeyPreview(bool on) { keyPreview_ = on; }
  // Called by a control that is being destroyed.
  void ControlDestroying(TControl& control);

  // ---- showing and closing
  void Show();
  void Hide();
  // Shows the form modally through TApplication::RunModal and returns the modal result.
  int ShowModal();
  bool Modal() const { return modal_; }
  // Runs OnCloseQuery and OnClose; a modal form ends its loop with mrCancel.
  void Close();
  // Whether OnCloseQuery allows closing (runs it).
  bool CloseQuery();
  int ModalResult() const { return modalResult_; }
  // On a modal form a non-zero result closes it (OnCloseQuery may keep it open: the result
  // then returns to mrNone).
  void SetModalResult(int result);
  TWindowState WindowState() const { return windowState_; }
  void SetWindowState(TWindowState state);
  bool Active() const;
  // Makes the form the application's active form: the first time after showing, the focus goes
  // to ActiveControl (or the first control in tab order) with its enter events; then OnActivate.
  void Activate();
  // Runs OnCreate; TApplication::CreateForm calls it once the form is fully constructed.
  void DoCreate();
  TMainMenu* Menu() const { return menu_; }
  void SetMenu(TMainMenu* menu) { menu_ = menu; }
  bool Released() const { return released_; }

  TNotifyEvent OnCreate, OnShow, OnHide, OnActivate, OnDeactivate;
  TCloseQueryEvent OnCloseQuery;
  TCloseEvent OnClose;

  bool Focusable() const override { return false; }

 private:
  struct HandlerBox {
    std::type_index type = typeid(void);
    std::shared_ptr<void> fn;
  };
  [[noreturn]] void throwFindError(std::string_view name, const char* expected, const char* actual) const;
  [[noreturn]] void throwHandlerError(std::string_view name, bool wrongType) const;
  void closeWith(TCloseAction action);

  std::vector<std::unique_ptr<TComponent>> owned_;
  std::vector<TComponent*> order_;
  std::map<std::string, TComponent*, std::less<>> byName_;
  std::vector<std::unique_ptr<DataSet>> ownedDataSets_;
  std::vector<std::unique_ptr<DataSource>> ownedSources_;
  std::map<std::string, DataSet*, std::less<>> dataSets_;
  std::map<std::string, DataSource*, std::less<>> sources_;
  std::map<std::string, HandlerBox, std::less<>> handlers_;

  TControl* active_ = nullptr;      // the control that has (or will get) the focus
  TControl* focused_ = nullptr;     // innermost control or container whose enter has run
  unsigned focusSerial_ = 0;        // counts focus moves, so an outer move sees a nested one
  int focusDepth_ = 0;              // nesting of focus moves in progress
  std::vector<TControl*> exiting_;  // controls whose exit handler is running
  bool keyPreview_ = false;
  bool modal_ = false;
  bool shownOnce_ = false;
  bool activatedSinceShow_ = false;
  bool released_ = false;
  int modalResult_ = mrNone;
  TWindowState windowState_ = TWindowState::wsNormal;
  TMainMenu* menu_ = nullptr;
};

// The process's application object (one per process, like the classic global).
class TApplication {
 public:
  TApplication();
  ~TApplication();

  // ---- forms
  // Creates an application-owned form, runs its OnCreate; the first one becomes the main form.
  template <class T, class... A>
  T& CreateForm(A&&... args) {
    auto owned = std::make_unique<T>(std::forward<A>(args)...);
    T& ref = *owned;
    Adopt(std::move(owned));
    ref.DoCreate();
    return ref;
  }
  TForm& Adopt(std::unique_ptr<TForm> form);
  const std::vector<TForm*>& Forms() const { return forms_; }  // every live form
  TForm* FindForm(std::string_view nameOrClass) const;
  TForm* MainForm() const { return mainForm_; }
  TForm* ActiveForm() const { return activeForm_; }
  // Frees application-owned forms that were closed with caFree (the dispatcher calls this after
  // every user action, so a form is never freed under its own handler).
  void FlushReleased();

  // ---- modal loop
  // The host's nested loop: returns when form.ModalResult() != mrNone or the form is hidden.
  // The desktop host maps it to a nested event loop, the driver to reading further commands.
  std::function<void(TForm&)> RunModalHook;
  // Without a hook, a script registered for the form's name or class runs instead (tests); a
  // modal form without either fails with cad::Exception.
  void ScriptModal(std::string nameOrClass, std::function<void(TForm&)> script);
  void RunModal(TForm& form);

  // ---- messages, cursor, errors
  std::function<void()> ProcessMessagesHook;
  void ProcessMessages();

  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor cursor);
  std::function<void(TCursor)> OnCursorChange;

  // Shows an error to the user. Without a hook the message is recorded in Errors().
  std::function<void(const std::string&)> ShowErrorHook;
  void ShowError(const std::string& message);
  const std::vector<std::string>& Errors() const { return errors_; }
  void ClearErrors() { errors_.clear(); }
  // Asks a yes/no question of the framework (the grid's delete confirmation). Without a hook the
  // question is recorded and answered yes.
  std::function<bool(const std::string&)> ConfirmHook;
  bool Confirm(const std::string& question);
  const std::vector<std::string>& Questions() const { return questions_; }

  // Handles an exception as the application loop does: EAbort is silent, any other is shown.
  // Returns the message shown ("" for EAbort).
  std::string HandleException(std::exception_ptr e);

  // Forgets hooks, scripts, records and the cursor (between tests); keeps the forms.
  void ResetHooks();

  // Internal: forms register themselves; activation and release bookkeeping.
  void registerForm(TForm* form);
  void unregisterForm(TForm* form);
  void setActiveForm(TForm* form);
  void release(TForm* form);

 private:
  std::vector<TForm*> forms_;
  std::vector<std::unique_ptr<TForm>> owned_;
  std::vector<TForm*> released_;
  TForm* mainForm_ = nullptr;
  TForm* activeForm_ = nullptr;
  std::map<std::string, std::function<void(TForm&)>, std::less<>> modalScripts_;
  TCursor cursor_ = TCursor::crDefault;
  std::vector<std::string> errors_, questions_;
};

TApplication& Application();

}  // namespace cad
