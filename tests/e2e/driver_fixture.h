// Fixture of the end-to-end tests that drive a screen through the real processes on loopback:
// cadserv-server on a new demo database of the test's backend (host token, so no sign-in) and
// cadserv-driver connected to it as ADMIN on branch 0001, processing date 2026-12-07, with the same
// database for the screens' reference queries. A test derives its own suite from it.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>

#include <nlohmann/json.hpp>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/server_child.h"
#include "tests/support/support.h"

namespace cad::test {

class DriverProcessTest : public ::testing::TestWithParam<std::string> {
 protected:
  using json = nlohmann::json;

  void SetUp() override {
    url_ = freshDatabaseUrl(GetParam());
    server_ = std::make_unique<ServerChild>(
        std::vector<std::string>{"--db", url_, "--init", "--demo", "--token", kToken, "--log-level", "warn"});
    ASSERT_GT(server_->port(), 0) << "saída do servidor: " << server_->output();
    driver_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{std::string(CADSERV_BIN_DIR) + "/cadserv-driver", "--server", server_->address(),
                                 "--token", kToken, "--db", url_, "--operator", "ADMIN", "--branch", "0001", "--date",
                                 "2026-12-07"},
        true);
  }
  void TearDown() override {
    if (driver_) {
      driver_->closeStdin();
      EXPECT_EQ(driver_->wait(std::chrono::seconds(60)), 0) << "the driver ends at the end of its input";
    }
    if (server_) {
      EXPECT_EQ(server_->process().stop(SIGTERM, std::chrono::seconds(30)), 0);
    }
  }
  // One command line in, its one reply out; a driver that does not read or answer fails the test
  // and gives {"ok": false}.
  json Send(const json& command) {
    std::string line = command.dump();
    if (!driver_->write(line + "\n")) {
      ADD_FAILURE() << "o driver não leu: " << line;
      return json{{"ok", false}};
    }
    std::string reply = driver_->readLine(std::chrono::seconds(120));
    if (reply.empty()) {
      ADD_FAILURE() << "sem resposta para: " << line;
      return json{{"ok", false}};
    }
    json r = json::parse(reply, nullptr, false);
    if (r.is_discarded()) {
      ADD_FAILURE() << "resposta que não é JSON: " << reply;
      return json{{"ok", false}};
    }
    return r;
  }
  // A user action that must run through without a handler failing or aborting.
  json Act(const json& command) {
    json r = Send(command);
    EXPECT_EQ(r.value("ok", false), true) << command << " -> " << r;
    EXPECT_EQ(r.value("status", ""), "ok") << command << " -> " << r;
    return r;
  }

  // The rows of a query run by the driver on the shared database.
  json Rows(const std::string& query, const json& params = json::array()) {
    json r = Send({{"cmd", "sql"}, {"query", query}, {"params", params}});
    EXPECT_EQ(r.value("ok", false), true) << query << " -> " << r;
    return r.value("rows", json::array());
  }
  // The main screen opened on branch 0001 with its service list loaded.
  void OpenMainScreen() {
    Act({{"cmd", "open"}, {"entry", "CriaCadServico"}});
    Act({{"cmd", "set"}, {"control", "medCdFilial"}, {"text", "0001"}});
    Act({{"cmd", "key"}, {"key", "Tab"}});
    Act({{"cmd", "focus"}, {"control", "dbgPadrao"}});
  }

  static constexpr const char* kToken = "e2e-token";
  std::string url_;
  std::unique_ptr<ServerChild> server_;
  std::unique_ptr<ChildProcess> driver_;
};

}  // namespace cad::test
