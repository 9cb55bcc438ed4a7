// ServerChild (see server_child.h).
#include "tests/support/server_child.h"

#include <chrono>

namespace cad::test {

ServerChild::ServerChild(std::vector<std::string> args) {
  args.insert(args.begin(), {std::string(CADSERV_BIN_DIR) + "/cadserv-server", "--listen", "127.0.0.1:0"});
  process_ = std::make_unique<ChildProcess>(args);
  // A warning (a token file others may read) can come before the address.
  for (int i = 0; i < 3 && port_ == 0; ++i) {
    std::string line = process_->readLine(std::chrono::minutes(2));
    output_ += line + "\n";
    size_t at = line.find("http://127.0.0.1:");
    if (at != std::string::npos)
      port_ = std::stoi(line.substr(at + 17));
    else if (process_->atEnd())
      break;
  }
}

}  // namespace cad::test
