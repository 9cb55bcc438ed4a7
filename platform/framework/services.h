// Host services: the message dialogs, lookups and progress display the screens rely on, as
// interfaces a host implements (the desktop host with real windows; the tests and the automation
// driver with the scripted implementations of scripted.h), and the one registry through which
// the host installs them together with the session context (session.h).
//
// Invariants:
//  - Services are always installed: until a host installs its own, fresh scripted services and
//    an empty session serve, so a screen never finds a service missing.
//  - Installing services also hooks the application object: errors raised in handlers are shown
//    as error dialogs and the framework's yes/no confirmations go through the dialogs service.
//  - Everything runs on the user-interface thread; the registry is not locked.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cad {

class DataSet;
class TForm;
class Session;
class ScriptedDialogs;
class ScriptedLookups;
class ScriptedProgress;

// ---- message dialogs

enum class TMsgDlgType : uint8_t { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
// "warning", "error", "information", "confirmation", "custom"
const char* MsgDlgTypeName(TMsgDlgType type);
bool MsgDlgTypeFromName(std::string_view name, TMsgDlgType& out);  // also accepts "mtError"

// A set of buttons; each button answers with its classic modal result (forms.h: mrOk, mrYes...).
using TMsgDlgButtons = unsigned;
constexpr TMsgDlgButtons mbYes = 1u << 0, mbNo = 1u << 1, mbOK = 1u << 2, mbCancel = 1u << 3, mbAbort = 1u << 4,
                         mbRetry = 1u << 5, mbIgnore = 1u << 6;
constexpr TMsgDlgButtons mbYesNo = mbYes | mbNo, mbOKCancel = mbOK | mbCancel, mbYesNoCancel = mbYes | mbNo | mbCancel,
                         mbAbortRetryIgnore = mbAbort | mbRetry | mbIgnore;

// The modal result a single button answers with (mbYes -> mrYes = 6); 0 for a set.
int ButtonResult(TMsgDlgButtons button);
// The button that answers with a modal result (mrNo -> mbNo); 0 when none.
TMsgDlgButtons ResultButton(int modalResult);
// Names used by logs and the driver: "yes", "no", "ok", "cancel", "abort", "retry", "ignore".
const char* ModalResultName(int modalResult);                  // "none" for 0, "?" for unknown values
int ModalResultFromName(std::string_view name);                // also "mrYes", "Sim", "Não"; 0 when unknown
std::vector<std::string> ButtonNames(TMsgDlgButtons buttons);  // in the order above

struct DialogRequest {
  TMsgDlgType kind = TMsgDlgType::mtInformation;
  std::string key;  // message key when the text came from a message table, else ""
  std::string text;
  TMsgDlgButtons buttons = mbOK;
  int helpContext = 0;  // help topic a host may offer with the dialog; 0 = none
};

class IDialogs {
 public:
  virtual ~IDialogs() = default;
  // Shows the message modally; returns the modal result of the button the user answered.
  virtual int Show(const DialogRequest& request) = 0;
};

// ---- lookups

struct PickRequest {
  std::string title;
  DataSet* dataSet = nullptr;  // open and not empty
  std::string fields;          // fields to list ("CDFILIAL;NMFILIAL"); empty = the visible ones
  int keyPressed = 0;          // the key that opened the lookup (Pesquisa::KeyPressed), 0 = none
};

struct MultiPickRequest {
  std::string title;
  DataSet* dataSet = nullptr;         // open and not empty
  std::string keyField;               // the field whose text is a row's key
  std::vector<std::string> selected;  // keys marked when the list opens
  int keyPressed = 0;
};

class ILookups {
 public:
  virtual ~ILookups() = default;
  // Single pick: positions the dataset's cursor on the chosen row and returns true; returns
  // false when the user cancelled (the framework puts the cursor back where it was).
  virtual bool Pick(const PickRequest& request) = 0;
  // Multiple pick: the keys chosen, in the dataset's order; nullopt when the user cancelled.
  virtual std::optional<std::vector<std::string>> MultiPick(const MultiPickRequest& request) = 0;
};

// ---- progress display

class IProgress {
 public:
  virtual ~IProgress() = default;
  // Shows the display over `form` (null: the application's main window), or changes what it
  // shows while it is up. Kinds: 0 connecting/working, 1 searching, 6 loading or saving data.
  virtual void Show(TForm* form, int kind, const std::string& text) = 0;
  virtual void Hide() = 0;
};

// ---- registry

struct HostServices {
  std::shared_ptr<IDialogs> dialogs;
  std::shared_ptr<ILookups> lookups;
  std::shared_ptr<IProgress> progress;
  std::shared_ptr<Session> session;
};

// Installs the host's services; a null member keeps the one installed before. Resets the
// progress display's nesting and hooks the application object (see the invariants above).
void InstallHostServices(HostServices services);

// The scripted services with their queues and logs, freshly installed together with a new empty
// session (tests call it in their set-up; the automation driver at start).
struct ScriptedHost {
  std::shared_ptr<ScriptedDialogs> dialogs;
  std::shared_ptr<ScriptedLookups> lookups;
  std::shared_ptr<ScriptedProgress> progress;
  std::shared_ptr<Session> session;
};
ScriptedHost InstallScriptedHost();

// The installed services.
IDialogs& Dialogs();
ILookups& Lookups();
IProgress& Progress();
Session& CurrentSession();

// Shows a dialog through the installed service.
int ShowDialog(const DialogRequest& request);

}  // namespace cad
