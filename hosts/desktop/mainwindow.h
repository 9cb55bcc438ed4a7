// The host's own window: the session bar (operator, branch, processing date, module, server) and
// the menu that opens the module's screens by screen code (through the shared module loader).
//
// Invariant: opening a screen is a user action, so its errors show as error dialogs.
#pragma once

#include <QMainWindow>

#include <string>

#include "platform/framework/modules.h"

class QLabel;

namespace cad {
class Session;
}

namespace cad::host {
struct Options;
}

namespace cad::desktop {

class Renderer;

class MainWindow : public QMainWindow {
 public:
  MainWindow(const host::Options& options, Session& session, ScreenModules& modules, Renderer& renderer);
  // Opens a screen: "GER04100" (its first entry), "GER04100:IniProc" or "GER04100:IniProc:0001".
  // Errors show as error dialogs; returns whether the entry ran.
  bool openScreen(const std::string& target);
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
