// The menu configuration page through the real processes on loopback: cadserv-server on a new
// demo database of each backend and cadserv-driver connected to it. The page of the demo service
// 0001/00001 is opened, a line is made optional with a double click, the packaging question is
// answered and the save is checked in the stored lines.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <signal.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/support.h"

namespace cad::test {
namespace {

using json = nlohmann::json;

constexpr const char* kToken = "e2e-cardapio";

class DriverConfCardTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    std::string url = freshDatabaseUrl(GetParam());
    server_ = std::make_unique<ChildProcess>(std::vector<std::string>{
        std::string(CADSERV_BIN_DIR) + "/cadserv-server", "--listen", "127.0.0.1:0", "--db", url, "--init", "--demo",
        "--token", kToken, "--log-level", "warn"});
    std::string line = server_->readLine(std::chrono::seconds(120));
    size_t at = line.find("http://127.0.0.1:");
    ASSERT_NE(at, std::string::npos) << "saída do servidor: " << line;
    std::string address = line.substr(at);
    address = address.substr(0, address.find_first_of(" \t\r"));
    driver_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{std::string(CADSERV_BIN_DIR) + "/cadserv-driver", "--server", address, "--token", kToken,
                                 "--db", url, "--operator", "ADMIN", "--branch", "0001", "--date", "2026-12-07"},
        true);
  }
  void TearDown() override {
    if (driver_) {
      driver_->closeStdin();
      EXPECT_EQ(driver_->wait(std::chrono::seconds(60)), 0);
    }
    if (server_) {
      EXPECT_EQ(server_->stop(SIGTERM, std::chrono::seconds(30)), 0);
    }
  }
  json Send(const json& command) {
    if (!driver_->write(command.dump() + "\n")) return json{{"ok", false}};
    json r = json::parse(driver_->readLine(std::chrono::seconds(120)), nullptr, false);
    return r.is_discarded() ? json{{"ok", false}} : r;
  }
  void Act(const json& command) {
    json r = Send(command);
    EXPECT_EQ(r.value("status", ""), "ok") << command << " -> " << r;
  }
  std::unique_ptr<ChildProcess> server_, driver_;
};

TEST_P(DriverConfCardTest, MakesALineOptionalAndSavesIt) {
  Act({{"cmd", "open"}, {"entry", "CriaCadServico"}});
  Act({{"cmd", "set"}, {"control", "medCdFilial"}, {"text", "0001"}});
  Act({{"cmd", "key"}, {"key", "Tab"}});
  Act({{"cmd", "focus"}, {"control", "dbgPadrao"}});
  Act({{"cmd", "cell"}, {"control", "dbgPadrao"}, {"row", 1}, {"col", "CDSERVFILI"}, {"click", true}});
  Act({{"cmd", "click"}, {"control", "mnuConfCard"}});
  json grid = Send({{"cmd", "get"}, {"control", "stgCard"}});
  ASSERT_EQ(grid["cells"].size(), 9u) << grid;
  EXPECT_EQ(grid["cells"][2][0], "Feijão");
  EXPECT_EQ(grid["cells"][2][3], "Não");

  Act({{"cmd", "cell"}, {"control", "stgCard"}, {"row", 2}, {"col", 3}, {"dblclick", true}});
  EXPECT_EQ(Send({{"cmd", "get"}, {"control", "stgCard"}})["cells"][2][3], "Sim");
  Send({{"cmd", "answer"}, {"button", "OK"}});
  Act({{"cmd", "click"}, {"control", "sbtConfirmar"}});
  json shown = Send({{"cmd", "messages"}})["messages"];
  ASSERT_EQ(shown.size(), 1u) << shown;
  EXPECT_EQ(shown[0]["key"], "CONF_EXCL_DIST_REST");
  json rows = Send({{"cmd", "sql"},
                    {"query", "SELECT IDOPCCNFCARD, IDCONCNFCARD FROM CNFCARD WHERE CDFILIAL = '0001'"
                              " AND CDSERVFILI = '00001' AND NRSEQCNFCARD = 2"}})["rows"];
  EXPECT_EQ(rows, json::parse(R"([{"IDOPCCNFCARD": "S", "IDCONCNFCARD": "N"}])")) << rows;
}

INSTANTIATE_TEST_SUITE_P(Db, DriverConfCardTest, ::testing::ValuesIn(backends()), BackendName());

}  // namespace
}  // namespace cad::test
