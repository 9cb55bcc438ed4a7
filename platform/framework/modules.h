// The loader of screen modules by screen code: "GER04100" -> libcadserv_ger04100.so in a folder,
// whose entries are called by name through the module's entry table (screen_module.h). Hosts
// and tests load screens only through it, so none of them needs a screen's headers.
//
// Invariants: a module is loaded once and never unloaded (its forms and handlers live until the
// process ends); a screen code is a plain name of letters and digits, so it can never reach a
// file outside the folder; entry names match without regard to case.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/core/variant.h"
#include "platform/framework/screen_module.h"

namespace cad {

// A screen to open, as a host's --open names it: "GER04100" (the module's first entry),
// "GER04100:IniProc" (no parameters) or "GER04100:IniProc:0001" (one text parameter).
struct ScreenTarget {
  std::string code;
  std::string entry;
  VariantArray params;
};
ScreenTarget parseScreenTarget(const std::string& target);

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
  const CadServEntry* table(const std::string& code);
  const CadServEntry* entry(const std::string& code, const std::string& name);
  std::string folder_;
  std::map<std::string, const CadServEntry*> loaded_;
};

}  // namespace cad
