// The automation driver: reads one JSON command per input line, acts on the screens only through
// the user-action dispatcher (cad::UserActions), and writes exactly one JSON reply per input line,
// in order: {"ok": true, ...} or {"ok": false, "error": "<reason>"}. The protocol is described in
// hosts/driver/README.md.
//
// The driver installs the scripted host services (dialog answers and lookup picks come from
// queues the commands fill; what was shown is read back by "messages"), a call observer for
// "calls", and the modal loop: a command that opens a modal form is answered {"opened": NAME} as
// soon as the form shows, the following lines act inside it, and the command that closes it is
// answered with {"closed": NAME, "result": R} once the code that opened it has gone on.
//
// Invariants:
//  - Every input line gets one reply, whatever it holds (malformed JSON, unknown commands, wrong
//    fields, errors raised by the screens); nothing a line holds can end the driver early.
//  - Lines longer than kMaxLine bytes are refused whole, without being kept in memory.
//  - At the end of input a modal loop still running ends as if cancelled, and Run returns 0.
//  - When stdout cannot be written any more, reading stops and Run returns 1.
#pragma once

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "hosts/common/options.h"
#include "platform/core/variant.h"

namespace cad::driver {

constexpr size_t kMaxLine = size_t{1} << 20;

// How the driver reaches the screen modules: the entries a module (by screen code) exports, and
// calling one. The executable uses cad::ScreenModules; tests register their own screens.
struct ModuleAccess {
  // Throws cad::Exception when the module cannot be loaded.
  std::function<std::vector<std::string>(const std::string& code)> entries;
  std::function<void(const std::string& code, const std::string& entry, VariantArray& params)> call;
  // Signs an operator in on the server (the "session" command changing operator or password);
  // returns the operator as stored, throws cad::Exception with the server's text. Unset: no sign-in.
  std::function<std::string(const std::string& operatorName, const std::string& password)> signIn = nullptr;
};

class Driver {
 public:
  // Installs the driver's host services, session (from options) and hooks; the destructor puts
  // the platform's defaults back.
  Driver(std::istream& in, std::ostream& out, ModuleAccess modules, host::Options options = {});
  ~Driver();
  Driver(const Driver&) = delete;
  Driver& operator=(const Driver&) = delete;

  // Opens a screen before any command ("GER04100:IniProc:0001"); what it shows goes to the logs
  // the commands read back.
  void OpenAtStart(const std::string& target);
  // Serves the input to its end; returns the exit status: 0, or 1 when the replies could not be
  // written (then reading stops).
  int Run();

 private:
  struct Impl;
  std::unique_ptr<Impl> d_;
};

}  // namespace cad::driver
