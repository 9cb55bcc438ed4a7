// DesktopHost: ties the renderer to the application object. It installs the TApplication hooks
// (modal loop as a nested Qt loop, message processing, the hourglass cursor, error display
// and confirmations as Qt dialogs) and removes them again when it goes away.
//
// Invariants: one host at a time; its destructor restores the hooks it replaced and the cursor.
#pragma once

#include <memory>

#include "hosts/desktop/renderer.h"

namespace cad::desktop {

class DesktopHost {
 public:
  DesktopHost();
  ~DesktopHost();
  DesktopHost(const DesktopHost&) = delete;
  DesktopHost& operator=(const DesktopHost&) = delete;

  Renderer& renderer() { return renderer_; }

 private:
  Renderer renderer_;
  bool overrideCursor_ = false;
};

}  // namespace cad::desktop
