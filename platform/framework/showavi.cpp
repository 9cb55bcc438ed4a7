// The progress display's nesting (a stack of frames, rules in showavi.h) over the installed
// progress service, and the hourglass cursor through the application object.
#include "platform/framework/showavi.h"

#include <vector>

#include "platform/framework/services.h"

namespace cad {

namespace {

struct Frame {
  TForm* form = nullptr;
  int kind = 0;
  std::string text;
};

std::vector<Frame>& frames() {
  static std::vector<Frame> stack;
  return stack;
}

// Drops the frames above `depth` and shows what is left (or hides the display).
void popTo(size_t depth) {
  std::vector<Frame>& stack = frames();
  if (stack.size() <= depth) return;
  Frame top = stack.back();
  stack.resize(depth);
  if (stack.empty()) {
    Progress().Hide();
    return;
  }
  const Frame& outer = stack.back();
  if (outer.form != top.form || outer.kind != top.kind || outer.text != top.text)
    Progress().Show(outer.form, outer.kind, outer.text);
}

}  // namespace

namespace Showavi {

void ActiveShowAvi(TForm* form, int kind, const std::string& text) {
  frames().push_back(Frame{form, kind, text});
  Progress().Show(form, kind, text);
}

void DeactiveShowAvi() {
  if (!frames().empty()) popTo(frames().size() - 1);
}

int Depth() { return static_cast<int>(frames().size()); }

void ResetNesting() { frames().clear(); }

DialogPause::DialogPause() {
  if (frames().empty()) return;
  Progress().Hide();
  paused_ = true;
}

DialogPause::~DialogPause() {
  // The frames may have gone meanwhile (a guard unwound under the dialog): then nothing comes back.
  if (!paused_ || frames().empty()) return;
  try {
    const Frame& top = frames().back();
    Progress().Show(top.form, top.kind, top.text);
  } catch (...) {
    // A display that fails to come back must not turn the dialog's answer into a failure.
  }
}

}  // namespace Showavi

ShowAviGuard::ShowAviGuard(TForm* form, int kind, const std::string& text) : depth_(frames().size()) {
  Showavi::ActiveShowAvi(form, kind, text);
}

ShowAviGuard::~ShowAviGuard() {
  if (!active_) return;
  try {
    popTo(depth_);
  } catch (...) {
    // A display that fails to hide must not turn an unwinding step into a termination.
  }
}

void ShowAviGuard::Hide() {
  if (!active_) return;
  active_ = false;
  popTo(depth_);
}

HourGlass::HourGlass() : previous_(Application().Cursor()) { Application().SetCursor(TCursor::crHourGlass); }

HourGlass::~HourGlass() { Application().SetCursor(previous_); }

}  // namespace cad
