// ServerChild: the cadserv-server program started by a test as a child process, listening on a free
// loopback port, with the address it prints once it listens.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tests/support/child_process.h"

namespace cad::test {

class ServerChild {
 public:
  // Runs `cadserv-server --listen 127.0.0.1:0 args...` and reads its output up to the line naming
  // its address (at most 2 minutes).
  explicit ServerChild(std::vector<std::string> args);

  // The port it listens on; 0 when it ended (or said nothing) before listening.
  int port() const { return port_; }
  // "http://127.0.0.1:PORT", as the hosts take it.
  std::string address() const { return "http://127.0.0.1:" + std::to_string(port_); }
  // What it printed before listening, for failure messages.
  const std::string& output() const { return output_; }
  ChildProcess& process() { return *process_; }

 private:
  std::unique_ptr<ChildProcess> process_;
  int port_ = 0;
  std::string output_;
};

}  // namespace cad::test
