// The host's own window: the session bar (operator, branch, processing date, module, server) and
// the menu that opens the module's screens by screen code; and the loader of screen modules
// (screen code "GER04100" -> libcadserv_ger04100.so in the executable's folder, entries called by
// name through the module's entry table).
//
// Invariants: a module is loaded once and never unloaded (its forms and handlers live until the
// process ends); opening a screen is a user action, so its errors show as error dialogs.
#pragma once

#include <QMainWindow>

#include <map>
#include <string>
#include <vector>

#include "platform/core/variant.h"
#include "service_screen/module.h"

class QLabel;

namespace cad {
class Session;
}

namespace cad::desktop {

class Renderer;
struct Options;

class ScreenModules {
 public:
  explicit ScreenModules(std::string folder) : folder_(std::move(folder)) {}
  // The library file of a screen code; throws cad::Exception for a code that is not a plain name.
  std::string libraryPath(const std::string& code) const;
  // Entry names the module exports (loads it first); throws cad::Exception when it cannot load.
  std::vector<std::string> entries(const std::string& code);
  // Calls an entry of the module with its parameters.
  void call(const std::string& code, const std::string& entry, VariantArray& params);

 private:
  using Entry = CadServEntry;
  const Entry* table(const std::string& code);
  std::string folder_;
  std::map<std::string, const Entry*> loaded_;
};

class MainWindow : public QMainWindow {
 public:
  MainWindow(const Options& options, Session& session, ScreenModules& modules, Renderer& renderer);
  // Opens a screen: "GER04100" (its first entry), "GER04100:IniProc" or "GER04100:IniProc:0001".
  // Errors show as error dialogs; returns whether the entry ran.
  bool openScreen(const std::string& spec);
  // Re-reads the session into the session bar.
  void refreshSessionBar();

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  Session& session_;
  ScreenModules& modules_;
  Renderer& renderer_;
  std::string server_;
  QLabel* sessionLabel_;
};

}  // namespace cad::desktop
