// Scope guards for the screens' "restore on every way out" rules: ScopeExit runs an action when
// the scope ends (return, EAbort or any exception); Suspend detaches an event handler for the
// guard's lifetime and puts it back afterwards, even when the handler was replaced meanwhile.
#pragma once

#include <functional>
#include <utility>

namespace cad {

class ScopeExit {
 public:
  explicit ScopeExit(std::function<void()> action) : action_(std::move(action)) {}
  ~ScopeExit() {
    if (action_) action_();
  }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;
  // Runs the action now (once); the destructor then does nothing.
  void Run() {
    if (auto a = std::exchange(action_, nullptr)) a();
  }

 private:
  std::function<void()> action_;
};

template <class Handler>
class Suspend {
 public:
  explicit Suspend(Handler& slot) : slot_(slot), saved_(std::exchange(slot, Handler{})) {}
  ~Suspend() { slot_ = std::move(saved_); }
  Suspend(const Suspend&) = delete;
  Suspend& operator=(const Suspend&) = delete;

 private:
  Handler& slot_;
  Handler saved_;
};

}  // namespace cad
