// cadserv-driver: the automation driver. Reads the connection and session settings, connects to
// the application server (--server; signing the operator in with --password or --password-file,
// or with a host token) or runs its code in this process (--embedded), then serves
// JSON commands from stdin, one reply per line on stdout, and exits 0 at the end of input.
// stdout carries only replies; the embedded server's log goes to stderr.
#include <signal.h>
#include <spdlog/sinks/stdout_color_sinks.h>
#include <spdlog/spdlog.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>

#include "hosts/common/backend.h"
#include "hosts/common/options.h"
#include "hosts/driver/driver.h"
#include "platform/framework/modules.h"

using namespace cad;

namespace {

std::string usage() {
  return host::usage("cadserv-driver",
                     "Lê um comando JSON por linha da entrada padrão e responde um objeto JSON por linha "
                     "(veja hosts/driver/README.md).");
}

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  // A reader that goes away ends the session through a failed write, not a signal.
  signal(SIGPIPE, SIG_IGN);
  host::Options options;
  try {
    if (const char* t = std::getenv("CADSERV_TOKEN")) options.token = t;
    host::parseCommandLine(options, std::vector<std::string>(argv + 1, argv + argc));
    host::validate(options);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "cadserv-driver: %s\n(--help lista as opções)\n", e.what());
    return 2;
  }
  if (options.help) {
    std::fputs(usage().c_str(), stdout);
    return 0;
  }
  // The embedded server logs each call; stdout belongs to the replies.
  spdlog::set_default_logger(spdlog::stderr_color_mt("cadserv-driver"));
  spdlog::set_level(spdlog::level::warn);

  try {
    host::HostBackend backend(options);
    driver::ModuleAccess access;
    if (backend.needsSignIn()) {
      // Without a host token the driver signs its operator in before the first command; a session
      // the server ends later is renewed with the same password.
      options.password = host::signInPassword(options);
      if (options.password.empty()) {
        std::fprintf(stderr,
                     "cadserv-driver: informe a senha do operador (--password ou --password-file) ou um token de "
                     "host (--token).\n");
        return 2;
      }
      options.operatorName = backend.signIn(options.operatorName, options.password);
      access.signIn = [&backend](const std::string& op, const std::string& password) {
        return backend.signIn(op, password);
      };
    }
    ScreenModules modules(ScreenModules::executableFolder());
    access.entries = [&modules](const std::string& code) { return modules.entries(code); };
    access.call = [&modules](const std::string& code, const std::string& entry, VariantArray& params) {
      modules.call(code, entry, params);
    };
    driver::Driver driver(std::cin, std::cout, access, options);
    for (const std::string& target : options.open) driver.OpenAtStart(target);
    return driver.Run();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "cadserv-driver: %s\n", e.what());
    return 1;
  }
}
