// The progress display of long steps (Showavi) and the hourglass cursor, with scope guards so
// that every way out of a step — return, EAbort, any exception — hides them again.
//
// Nesting: each ActiveShowAvi pushes a frame (form, kind, text) and shows it; each
// DeactiveShowAvi pops one and shows the frame below again, or hides the display when none is
// left. A DeactiveShowAvi with nothing shown does nothing, so a step that hides the display
// itself before its guard does cannot hide an outer step's display — as long as it hides
// through its guard (ShowAviGuard::Hide), which pops its own frame at most once.
#pragma once

#include <cstddef>
#include <string>

#include "platform/ui/forms.h"

namespace cad {

namespace Showavi {
void ActiveShowAvi(TForm* form, int kind, const std::string& text = {});
void DeactiveShowAvi();
// Frames shown now (0 = hidden).
int Depth();
// Drops every frame without telling the display (a new host display starts hidden).
void ResetNesting();
// Hides the display for its lifetime and shows the top frame again afterwards: a dialog shows
// under it, so the display is never drawn over a dialog.
class DialogPause {
 public:
  DialogPause();
  ~DialogPause();
  DialogPause(const DialogPause&) = delete;
  DialogPause& operator=(const DialogPause&) = delete;

 private:
  bool paused_ = false;
};
}  // namespace Showavi

// Shows the progress display for its lifetime. Hiding drops its own frame and any frame shown
// after it and left behind, so a guard always leaves the display as it found it.
class ShowAviGuard {
 public:
  ShowAviGuard(TForm* form, int kind, const std::string& text = {});
  ~ShowAviGuard();
  ShowAviGuard(const ShowAviGuard&) = delete;
  ShowAviGuard& operator=(const ShowAviGuard&) = delete;
  // Hides now (once); the destructor then does nothing.
  void Hide();

 private:
  size_t depth_;  // frames shown before this one
  bool active_ = true;
};

// The hourglass cursor for its lifetime; the cursor before it comes back afterwards.
class HourGlass {
 public:
  HourGlass();
  ~HourGlass();
  HourGlass(const HourGlass&) = delete;
  HourGlass& operator=(const HourGlass&) = delete;

 private:
  TCursor previous_;
};

}  // namespace cad
