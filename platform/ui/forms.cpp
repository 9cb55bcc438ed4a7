// TForm (components by name, handlers, focus sequence, show/modal/close) and TApplication (forms,
// host hooks, error display). The focus rules are stated in forms.h; the modal loop itself is the
// host's (RunModalHook) or a test script's.
#include "platform/ui/forms.h"

#include <algorithm>
#include <utility>

#include "platform/core/format.h"
#include "platform/data/dataset.h"
#include "platform/ui/menus.h"
#include "platform/ui/props.h"

namespace cad {

using ui_detail::EventProp;
using ui_detail::Prop;
using ui_detail::ReadOnlyProp;

// ---------------------------------------------------------------- components and data objects

TForm::TForm() {
  SetVisible(false);
  Application().registerForm(this);
}

TForm::~TForm() {
  Application().unregisterForm(this);
  active_ = focused_ = nullptr;
  // Controls first (they unlink from data sources), then sources, then datasets.
  while (!owned_.empty()) {
    std::unique_ptr<TComponent> last = std::move(owned_.back());
    owned_.pop_back();
    last.reset();
  }
  ownedSources_.clear();
  ownedDataSets_.clear();
}

TComponent& TForm::InsertComponent(std::unique_ptr<TComponent> component) {
  TComponent& c = *component;
  if (!c.Name().empty()) {
    if (FindComponent(c.Name())) throw Exception(Describe() + ": já existe um componente chamado '" + c.Name() + "'.");
    byName_.emplace(upperCase(c.Name()), &c);
  }
  c.SetOwner(this);
  order_.push_back(&c);
  owned_.push_back(std::move(component));
  return c;
}

TComponent* TForm::FindComponent(std::string_view name) const {
  auto it = byName_.find(upperCase(name));
  return it == byName_.end() ? nullptr : it->second;
}

DataSet& TForm::AddDataSet(std::unique_ptr<DataSet> ds) {
  DataSet& ref = *ds;
  ownedDataSets_.push_back(std::move(ds));
  RegisterDataSet(ref);
  return ref;
}

DataSource& TForm::AddDataSource(std::unique_ptr<DataSource> src) {
  DataSource& ref = *src;
  ownedSources_.push_back(std::move(src));
  RegisterDataSource(ref);
  return ref;
}

void TForm::RegisterDataSet(DataSet& ds) {
  if (ds.Name.empty()) throw Exception(Describe() + ": conjunto de dados sem nome.");
  if (!dataSets_.emplace(upperCase(ds.Name), &ds).second)
    throw Exception(Describe() + ": já existe um conjunto de dados chamado '" + ds.Name + "'.");
}

void TForm::RegisterDataSource(DataSource& src) {
  if (src.Name.empty()) throw Exception(Describe() + ": fonte de dados sem nome.");
  if (!sources_.emplace(upperCase(src.Name), &src).second)
    throw Exception(Describe() + ": já existe uma fonte de dados chamada '" + src.Name + "'.");
}

DataSet* TForm::FindDataSet(std::string_view name) const {
  auto it = dataSets_.find(upperCase(name));
  return it == dataSets_.end() ? nullptr : it->second;
}

std::vector<DataSet*> TForm::DataSets() const {
  std::vector<DataSet*> out;
  for (const auto& [name, ds] : dataSets_) out.push_back(ds);
  return out;
}

DataSource* TForm::FindDataSource(std::string_view name) const {
  auto it = sources_.find(upperCase(name));
  return it == sources_.end() ? nullptr : it->second;
}

void TForm::throwFindError(std::string_view name, const char* expected, const char* actual) const {
  std::string who = std::string(ClassName()) + " '" + Name() + "'";
  if (!actual) throw Exception(who + ": componente '" + std::string(name) + "' não encontrado.");
  throw Exception(who + ": o componente '" + std::string(name) + "' é " + actual + ", não " + expected + ".");
}

void TForm::throwHandlerError(std::string_view name, bool wrongType) const {
  std::string who = std::string(ClassName()) + " '" + Name() + "'";
  if (wrongType) throw Exception(who + ": o tratador '" + std::string(name) + "' não tem os parâmetros do evento.");
  throw Exception(who + ": tratador de evento '" + std::string(name) + "' não registrado.");
}

// ---------------------------------------------------------------- focus

void TForm::SetActiveControl(TControl* control) {
  if (control && control->ParentForm() != this)
    throw Exception(Describe() + ": " + control->Describe() + " não pertence a este formulário.");
  if (Visible() && activatedSinceShow_) {
    if (control) FocusControl(control);
    return;
  }
  active_ = control;
  Changed("ActiveControl");
}

void TForm::ControlDestroying(TControl& control) {
  if (active_ && control.Contains(active_)) active_ = nullptr;
  if (focused_ && control.Contains(focused_)) focused_ = nullptr;
  std::erase_if(exiting_, [&](TControl* c) { return control.Contains(c); });
}

void TForm::FocusControl(TControl* target) {
  if (!target) throw Exception(Describe() + ": nenhum controle para receber o foco.");
  if (target->ParentForm() != this)
    throw Exception(Describe() + ": " + target->Describe() + " não pertence a este formulário.");
  if (target == active_ && focused_ == target) return;
  if (!target->Focusable()) throw Exception(target->Describe() + " não pode receber o foco.");
  if (std::string why = target->InputRefusal(); !why.empty())
    throw Exception("Não é possível focar um controle desabilitado ou invisível: " + why);

  const unsigned serial = ++focusSerial_;
  TControl* const previousActive = active_;
  TControl* const previousFocused = focused_;
  ++focusDepth_;
  struct DepthGuard {
    int& depth;
    ~DepthGuard() { --depth; }
  } depthGuard{focusDepth_};

  auto restore = [&] {
    // The outermost move always restores; a nested one only while it is still the latest.
    if (focusSerial_ == serial || focusDepth_ == 1) {
      if (active_ != previousActive) {
        active_ = previousActive;
        Changed("ActiveControl");
      }
      focused_ = previousFocused;
    }
  };

  try {
    // Exit phase: the control, then each container that does not contain the target.
    while (focused_ && focused_ != this && !focused_->Contains(target)) {
      TControl* leaving = focused_;
      if (std::find(exiting_.begin(), exiting_.end(), leaving) == exiting_.end()) {
        exiting_.push_back(leaving);
        struct ExitGuard {
          std::vector<TControl*>& v;
          TControl* c;
          ~ExitGuard() { std::erase(v, c); }
        } exitGuard{exiting_, leaving};
        leaving->DoExit();
      }
      if (focusSerial_ != serial) return;  // the handler moved the focus itself
      if (focused_ == leaving) focused_ = leaving->Parent();
    }

    // Enter phase: containers from the outermost down, then the control.
    std::vector<TControl*> path;
    for (TControl* c = target; c && c != this && c != focused_; c = c->Parent()) path.push_back(c);
    std::reverse(path.begin(), path.end());
    active_ = target;
    Changed("ActiveControl");
    for (TControl* c : path) {
      focused_ = c;
      c->DoEnter();
      if (focusSerial_ != serial) return;
    }
  } catch (...) {
    restore();
    throw;
  }
}

namespace {

void collectTabOrder(const TControl& parent, std::vector<TControl*>& out) {
  std::vector<TControl*> kids = parent.Controls();
  std::vector<std::pair<int, TControl*>> ordered;
  for (size_t i = 0; i < kids.size(); ++i)
    ordered.emplace_back(kids[i]->TabOrder() >= 0 ? kids[i]->TabOrder() : static_cast<int>(i), kids[i]);
  std::stable_sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& [order, c] : ordered) {
    out.push_back(c);
    collectTabOrder(*c, out);
  }
}

}  // namespace

std::vector<TControl*> TForm::TabOrderList() const {
  std::vector<TControl*> all;
  collectTabOrder(*this, all);
  return all;
}

bool TForm::SelectNext(TControl* current, bool forward) {
  std::vector<TControl*> all = TabOrderList();
  if (all.empty()) return false;
  int n = static_cast<int>(all.size());
  int start = -1;
  for (int i = 0; i < n; ++i)
    if (all[i] == current) start = i;
  if (start < 0) start = forward ? n - 1 : 0;
  for (int step = 1; step <= n; ++step) {
    int i = ((start + (forward ? step : -step)) % n + n) % n;
    TControl* c = all[i];
    if (c != current && c->TabStop() && c->CanFocus()) {
      FocusControl(c);
      return true;
    }
  }
  return false;
}

void TForm::SelectFirst() {
  for (TControl* c : TabOrderList())
    if (c->TabStop() && c->CanFocus()) {
      FocusControl(c);
      return;
    }
}

// ---------------------------------------------------------------- show, activate, close

void TForm::DoCreate() {
  if (OnCreate) OnCreate(*this);
}

bool TForm::Active() const { return Application().ActiveForm() == this; }

void TForm::Show() {
  if (windowState_ == TWindowState::wsMinimized) SetWindowState(TWindowState::wsNormal);
  if (!Visible()) {
    SetVisible(true);
    activatedSinceShow_ = false;
    if (OnShow) OnShow(*this);
  }
  Activate();
}

void TForm::Hide() {
  if (!Visible()) return;
  SetVisible(false);
  if (OnHide) OnHide(*this);
  if (Active()) {
    TForm* next = nullptr;
    for (TForm* f : Application().Forms())
      if (f != this && f->Visible()) next = f;
    Application().setActiveForm(next);
  }
}

void TForm::Activate() {
  TApplication& app = Application();
  bool firstAfterShow = !activatedSinceShow_;
  if (app.ActiveForm() == this && !firstAfterShow) return;
  if (TForm* prev = app.ActiveForm(); prev && prev != this && prev->OnDeactivate) prev->OnDeactivate(*prev);
  app.setActiveForm(this);
  if (firstAfterShow) {
    activatedSinceShow_ = true;
    TControl* target = active_;
    if (target && target->CanFocus())
      FocusControl(target);
    else
      SelectFirst();
  }
  if (OnActivate) OnActivate(*this);
}

void TForm::SetWindowState(TWindowState state) {
  if (state == windowState_) return;
  windowState_ = state;
  Changed("WindowState");
}

bool TForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(*this, canClose);
  return canClose;
}

void TForm::closeWith(TCloseAction action) {
  if (OnClose) OnClose(*this, action);
  switch (action) {
    case TCloseAction::caNone:
      if (modal_) modalResult_ = mrNone;
      return;
    case TCloseAction::caMinimize:
      if (!modal_) {
        SetWindowState(TWindowState::wsMinimized);
        return;
      }
      Hide();
      return;
    case TCloseAction::caHide: Hide(); return;
    case TCloseAction::caFree:
      Hide();
      released_ = true;
      Application().release(this);
      return;
  }
}

void TForm::Close() {
  if (modal_) {
    modalResult_ = mrNone;
    SetModalResult(mrCancel);
    return;
  }
  if (!CloseQuery()) return;
  closeWith(TCloseAction::caHide);
}

void TForm::SetModalResult(int result) {
  if (result != modalResult_) {
    modalResult_ = result;
    Changed("ModalResult");
  }
  if (!modal_ || result == mrNone || !Visible()) return;
  if (!CloseQuery()) {
    modalResult_ = mrNone;
    Changed("ModalResult");
    return;
  }
  closeWith(TCloseAction::caHide);
}

int TForm::ShowModal() {
  if (modal_) throw Exception(Describe() + " já está aberto como modal.");
  if (Visible()) Hide();
  TApplication& app = Application();
  TForm* previous = app.ActiveForm();
  modal_ = true;
  modalResult_ = mrNone;
  struct ModalGuard {
    TForm& f;
    TForm* previous;
    ~ModalGuard() {
      f.modal_ = false;
      if (f.Visible()) f.Hide();
      for (TForm* g : Application().Forms())
        if (g == previous && g->Visible()) {
          Application().setActiveForm(g);
          break;
        }
    }
  } guard{*this, previous};
  Show();
  app.RunModal(*this);
  if (Visible()) {
    // The loop ended without a result (a script that returned): the window is closed as by
    // its close box, without asking OnCloseQuery again.
    if (modalResult_ == mrNone) modalResult_ = mrCancel;
    closeWith(TCloseAction::caHide);
    if (Visible()) Hide();
  }
  return modalResult_;
}

namespace {

const char* windowStateName(TWindowState s) {
  switch (s) {
    case TWindowState::wsMinimized: return "wsMinimized";
    case TWindowState::wsMaximized: return "wsMaximized";
    default: return "wsNormal";
  }
}

}  // namespace

const PropertyTable& TForm::Properties() const {
  static const PropertyTable table(
      &TControl::Properties(),
      {
          Prop<TForm>(
              "KeyPreview", [](const TForm& f) { return f.KeyPreview(); },
              [](TForm& f, const Variant& v) { f.SetKeyPreview(PropBool(v)); }),
          Prop<TForm>(
              "WindowState", [](const TForm& f) { return std::string(windowStateName(f.WindowState())); },
              [](TForm& f, const Variant& v) {
                std::string s = PropString(v);
                for (TWindowState w : {TWindowState::wsNormal, TWindowState::wsMinimized, TWindowState::wsMaximized})
                  if (sameText(s, windowStateName(w)) || sameText(s, std::string(windowStateName(w)).substr(2)))
                    return f.SetWindowState(w);
                throw Exception(f.Describe() + ": estado de janela inválido '" + s + "'.");
              }),
          Prop<TForm>(
              "ModalResult", [](const TForm& f) { return f.ModalResult(); },
              [](TForm& f, const Variant& v) { f.SetModalResult(PropInt(v)); }),
          ReadOnlyProp<TForm>("Modal", [](const TForm& f) { return f.Modal(); }),
          ReadOnlyProp<TForm>("Active", [](const TForm& f) { return f.Active(); }),
          Prop<TForm>(
              "ActiveControl",
              [](const TForm& f) { return f.ActiveControl() ? f.ActiveControl()->Name() : std::string(); },
              [](TForm& f, const Variant& v) {
                std::string name = PropString(v);
                f.SetActiveControl(name.empty() ? nullptr : f.find<TControl>(name));
              }),
          Prop<TForm>(
              "Menu", [](const TForm& f) { return f.Menu() ? f.Menu()->Name() : std::string(); },
              [](TForm& f, const Variant& v) {
                std::string name = PropString(v);
                f.SetMenu(name.empty() ? nullptr : f.find<TMainMenu>(name));
              }),
          EventProp<TForm>("OnCreate", &TForm::OnCreate),
          EventProp<TForm>("OnShow", &TForm::OnShow),
          EventProp<TForm>("OnHide", &TForm::OnHide),
          EventProp<TForm>("OnActivate", &TForm::OnActivate),
          EventProp<TForm>("OnDeactivate", &TForm::OnDeactivate),
          EventProp<TForm>("OnCloseQuery", &TForm::OnCloseQuery),
          EventProp<TForm>("OnClose", &TForm::OnClose),
      });
  return table;
}

// ---------------------------------------------------------------- TApplication

TApplication::TApplication() = default;
TApplication::~TApplication() {
  released_.clear();
  owned_.clear();
}

TApplication& Application() {
  static TApplication app;
  return app;
}

void TApplication::registerForm(TForm* form) { forms_.push_back(form); }

void TApplication::unregisterForm(TForm* form) {
  std::erase(forms_, form);
  std::erase(released_, form);
  if (mainForm_ == form) mainForm_ = nullptr;
  if (activeForm_ == form) activeForm_ = nullptr;
}

void TApplication::setActiveForm(TForm* form) { activeForm_ = form; }

TForm& TApplication::Adopt(std::unique_ptr<TForm> form) {
  TForm& ref = *form;
  owned_.push_back(std::move(form));
  if (!mainForm_) mainForm_ = &ref;
  return ref;
}

TForm* TApplication::FindForm(std::string_view nameOrClass) const {
  for (TForm* f : forms_)
    if (sameText(f->Name(), nameOrClass) || sameText(f->ClassName(), nameOrClass)) return f;
  return nullptr;
}

void TApplication::release(TForm* form) {
  bool owned = std::any_of(owned_.begin(), owned_.end(), [&](const auto& p) { return p.get() == form; });
  if (owned && std::find(released_.begin(), released_.end(), form) == released_.end()) released_.push_back(form);
}

void TApplication::FlushReleased() {
  // A modal form closed by an action nested in its own loop is still inside ShowModal: it stays
  // listed and a later flush frees it, once its loop has returned.
  for (bool freed = true; freed;) {
    freed = false;
    std::vector<TForm*> pending = std::exchange(released_, {});
    for (TForm* f : pending) {
      if (f->Modal()) {
        released_.push_back(f);
        continue;
      }
      auto it = std::find_if(owned_.begin(), owned_.end(), [&](const auto& p) { return p.get() == f; });
      if (it != owned_.end()) {
        std::unique_ptr<TForm> dying = std::move(*it);
        owned_.erase(it);
        dying.reset();
        freed = true;
      }
    }
  }
}

void TApplication::ScriptModal(std::string nameOrClass, std::function<void(TForm&)> script) {
  modalScripts_[upperCase(nameOrClass)] = std::move(script);
}

void TApplication::RunModal(TForm& form) {
  if (RunModalHook) {
    RunModalHook(form);
    return;
  }
  auto it = modalScripts_.find(upperCase(form.Name()));
  if (it == modalScripts_.end()) it = modalScripts_.find(upperCase(form.ClassName()));
  if (it == modalScripts_.end()) throw Exception("Nenhum roteiro para o formulário modal " + form.Describe() + ".");
  auto script = it->second;  // a copy: the script may register others
  script(form);
}

void TApplication::ProcessMessages() {
  if (ProcessMessagesHook) ProcessMessagesHook();
}

void TApplication::SetCursor(TCursor cursor) {
  if (cursor == cursor_) return;
  cursor_ = cursor;
  if (OnCursorChange) OnCursorChange(cursor);
}

void TApplication::ShowError(const std::string& message) {
  if (ShowErrorHook)
    ShowErrorHook(message);
  else
    errors_.push_back(message);
}

bool TApplication::Confirm(const std::string& question) {
  if (ConfirmHook) return ConfirmHook(question);
  questions_.push_back(question);
  return true;
}

std::string TApplication::HandleException(std::exception_ptr e) {
  try {
    std::rethrow_exception(e);
  } catch (const EAbort&) {
    return {};
  } catch (const std::exception& ex) {
    std::string msg = ex.what();
    ShowError(msg);
    return msg;
  } catch (...) {
    std::string msg = "Erro desconhecido.";
    ShowError(msg);
    return msg;
  }
}

void TApplication::ResetHooks() {
  RunModalHook = nullptr;
  ProcessMessagesHook = nullptr;
  OnCursorChange = nullptr;
  ShowErrorHook = nullptr;
  ConfirmHook = nullptr;
  modalScripts_.clear();
  errors_.clear();
  questions_.clear();
  cursor_ = TCursor::crDefault;
}

}  // namespace cad
