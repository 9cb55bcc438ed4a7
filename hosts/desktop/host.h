// DesktopHost: ties the renderer to the platform. It installs the Qt host services (message
// dialogs, lookups, progress display) with the session, and the TApplication hooks (modal loop
// as a nested Qt loop, message processing, the hourglass cursor); errors raised in handlers and
// the framework's confirmations reach the user through the dialogs service.
//
// Invariants: one host at a time; its destructor removes its hooks, restores the cursor and puts
// the platform's scripted services back, so nothing points at a destroyed window.
#pragma once

#include <memory>

#include "hosts/desktop/dialogs.h"
#include "hosts/desktop/renderer.h"

namespace cad {
class Session;
}

namespace cad::desktop {

// Qt's own texts (standard buttons, the file dialog) in Portuguese, from Qt's translations
// (Debian qt6-translations-l10n); the locale becomes pt_BR. Returns whether they were found.
bool InstallQtTranslations();

class DesktopHost {
 public:
  // session null: an empty session.
  explicit DesktopHost(std::shared_ptr<Session> session = nullptr);
  ~DesktopHost();
  DesktopHost(const DesktopHost&) = delete;
  DesktopHost& operator=(const DesktopHost&) = delete;

  Renderer& renderer() { return renderer_; }
  QtProgress& progress() { return *progress_; }
  Session& session() { return *session_; }

 private:
  Renderer renderer_;
  std::shared_ptr<QtProgress> progress_;
  std::shared_ptr<Session> session_;
  bool overrideCursor_ = false;
};

}  // namespace cad::desktop
