// The registry of host services and the hooks it installs in the application object. The
// registry starts with scripted services and an empty session (installed when the library
// loads), so every accessor always has a service to return.
#include "platform/framework/services.h"

#include <utility>

#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/framework/lookups.h"
#include "platform/framework/scripted.h"
#include "platform/framework/session.h"
#include "platform/framework/showavi.h"
#include "platform/ui/forms.h"

namespace cad {

namespace {

HostServices& registry() {
  static HostServices services;
  return services;
}

void hookApplication() {
  TApplication& app = Application();
  app.ShowErrorHook = [](const std::string& message) {
    ShowDialog(DialogRequest{TMsgDlgType::mtError, {}, message, mbOK, 0});
  };
  app.ConfirmHook = [](const std::string& question) {
    return ShowDialog(DialogRequest{TMsgDlgType::mtConfirmation, {}, question, mbYesNo, 0}) == mrYes;
  };
}

void ensureInstalled() {
  if (!registry().dialogs) InstallScriptedHost();
}

// Installs the defaults when the library loads, so screens and the lookup button work before
// any host has spoken. (Installing again later re-hooks what other units' initialisation may
// have reset.)
[[maybe_unused]] const bool kInstalledAtLoad = [] {
  ensureInstalled();
  return true;
}();

struct ButtonInfo {
  TMsgDlgButtons button;
  int result;
  const char* name;
};
constexpr ButtonInfo kButtons[] = {
    {mbYes, mrYes, "yes"},          {mbNo, mrNo, "no"},          {mbOK, mrOk, "ok"},
    {mbCancel, mrCancel, "cancel"}, {mbAbort, mrAbort, "abort"}, {mbRetry, mrRetry, "retry"},
    {mbIgnore, mrIgnore, "ignore"},
};

constexpr const char* kTypeNames[] = {"warning", "error", "information", "confirmation", "custom"};

}  // namespace

const char* MsgDlgTypeName(TMsgDlgType type) { return kTypeNames[static_cast<int>(type)]; }

bool MsgDlgTypeFromName(std::string_view name, TMsgDlgType& out) {
  if (name.size() > 2 && (name.substr(0, 2) == "mt" || name.substr(0, 2) == "MT")) name.remove_prefix(2);
  for (int i = 0; i < 5; ++i)
    if (sameText(name, kTypeNames[i])) {
      out = static_cast<TMsgDlgType>(i);
      return true;
    }
  return false;
}

int ButtonResult(TMsgDlgButtons button) {
  for (const ButtonInfo& b : kButtons)
    if (b.button == button) return b.result;
  return 0;
}

TMsgDlgButtons ResultButton(int modalResult) {
  for (const ButtonInfo& b : kButtons)
    if (b.result == modalResult) return b.button;
  return 0;
}

const char* ModalResultName(int modalResult) {
  if (modalResult == mrNone) return "none";
  for (const ButtonInfo& b : kButtons)
    if (b.result == modalResult) return b.name;
  return "?";
}

int ModalResultFromName(std::string_view name) {
  if (name.size() > 2 && (name.substr(0, 2) == "mr" || name.substr(0, 2) == "MR")) name.remove_prefix(2);
  for (const ButtonInfo& b : kButtons)
    if (sameText(name, b.name)) return b.result;
  if (sameText(name, "Sim")) return mrYes;
  if (sameText(name, "Não") || sameText(name, "Nao")) return mrNo;
  if (sameText(name, "Cancelar")) return mrCancel;
  return 0;
}

std::vector<std::string> ButtonNames(TMsgDlgButtons buttons) {
  std::vector<std::string> out;
  for (const ButtonInfo& b : kButtons)
    if (buttons & b.button) out.emplace_back(b.name);
  return out;
}

void InstallHostServices(HostServices services) {
  HostServices& r = registry();
  if (services.dialogs) r.dialogs = std::move(services.dialogs);
  if (services.lookups) r.lookups = std::move(services.lookups);
  if (services.progress) r.progress = std::move(services.progress);
  if (services.session) r.session = std::move(services.session);
  if (!r.dialogs || !r.lookups || !r.progress || !r.session)
    throw Exception("Serviços do hospedeiro incompletos: diálogos, pesquisas, progresso e sessão são necessários.");
  Showavi::ResetNesting();
  hookApplication();
  InstallLookupButtonHook();
}

ScriptedHost InstallScriptedHost() {
  ScriptedHost host{std::make_shared<ScriptedDialogs>(), std::make_shared<ScriptedLookups>(),
                    std::make_shared<ScriptedProgress>(), std::make_shared<Session>()};
  InstallHostServices(HostServices{host.dialogs, host.lookups, host.progress, host.session});
  return host;
}

IDialogs& Dialogs() {
  ensureInstalled();
  return *registry().dialogs;
}

ILookups& Lookups() {
  ensureInstalled();
  return *registry().lookups;
}

IProgress& Progress() {
  ensureInstalled();
  return *registry().progress;
}

Session& CurrentSession() {
  ensureInstalled();
  return *registry().session;
}

int ShowDialog(const DialogRequest& request) {
  Showavi::DialogPause pause;
  return Dialogs().Show(request);
}

}  // namespace cad
