// The loader of screen modules by screen code: "GER04100" -> libcadserv_ger04100.so in the
// host's folder, whose entries (CriaCadServico, IniProc, ...) are called by name through the
// module's entry table CadServEntries, one uniform signature for every entry.
//
// Invariants: a module is loaded once and never unloaded (its forms and handlers live until the
// process ends); a screen code is a plain name of letters and digits, so it can never reach a
// file outside the folder.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/core/variant.h"
#include "platform/ui/actions.h"
#include "service_screen/module.h"

namespace cad::host {

// A screen to open, as the hosts' --open names it: "GER04100" (the module's first entry),
// "GER04100:IniProc" or "GER04100:IniProc:0001" (one text argument). IniProc without an argument
// gets null: the host's current branch.
struct ScreenTarget {
  std::string code;
  std::string entry;
  VariantArray params;
};
ScreenTarget parseScreenTarget(const std::string& target);

// Runs the opening of a screen (or any host-initiated step) the way the user-action dispatcher
// runs an action: EAbort is silent, any other exception is shown as an error dialog, released
// forms are freed afterwards.
ActionResult RunAsUserAction(const std::function<void()>& body);

class ScreenModules {
 public:
  explicit ScreenModules(std::string folder) : folder_(std::move(folder)) {}
  // The library file of a screen code; throws cad::Exception for a code that is not a plain name.
  std::string libraryPath(const std::string& code) const;
  // Entry names the module exports (loads it first); throws cad::Exception when it cannot load.
  std::vector<std::string> entries(const std::string& code);
  // Calls an entry of the module with its parameters (an empty entry name: the first entry).
  // Throws cad::Exception for a module that cannot load or an entry it lacks.
  void call(const std::string& code, const std::string& entry, VariantArray& params);

  // The folder of the running executable (where the build puts the modules).
  static std::string executableFolder();

 private:
  using Entry = CadServEntry;
  const Entry* table(const std::string& code);
  std::string folder_;
  std::map<std::string, const Entry*> loaded_;
};

}  // namespace cad::host
