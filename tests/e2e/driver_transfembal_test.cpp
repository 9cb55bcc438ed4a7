// The distribution import dialog through the real processes on loopback: cadserv-server on a new
// demo database of each backend and cadserv-driver connected to it. The dialog is opened by its
// entry with the destination (a delivery point of 0001/00001), the origin typed, the question
// answered, and the imported packages are checked in the database.
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

constexpr const char* kToken = "e2e-transfembal";

class DriverTransfEmbalTest : public ::testing::TestWithParam<std::string> {
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

TEST_P(DriverTransfEmbalTest, ImportsADistributionOpenedByItsEntry) {
  json opened = Send({{"cmd", "open"}, {"entry", "CriaImpDist"}, {"args", {"0001", "00001", "000001", "001"}}});
  EXPECT_EQ(opened.value("opened", ""), "frmImpDist") << opened;
  EXPECT_EQ(Send({{"cmd", "get"}, {"control", "edtNmServDest"}})["text"], "Almoço");
  Act({{"cmd", "set"}, {"control", "edtCdFilialOri"}, {"text", "1"}});
  Act({{"cmd", "key"}, {"key", "Tab"}});
  Act({{"cmd", "set"}, {"control", "edtCdServOri"}, {"text", "1"}});
  Act({{"cmd", "key"}, {"key", "Tab"}});
  json combo = Send({{"cmd", "get"}, {"control", "cmbPontoEntrega"}});
  ASSERT_EQ(combo["items"].size(), 4u) << combo;
  Act({{"cmd", "select"}, {"control", "cmbPontoEntrega"}, {"index", 0}});
  Send({{"cmd", "answer"}, {"button", "Yes"}});
  json closed = Send({{"cmd", "click"}, {"control", "sbtConfirma"}});
  EXPECT_EQ(closed.value("closed", ""), "frmImpDist") << closed;
  EXPECT_EQ(closed.value("result", ""), "OK") << closed;
  json shown = Send({{"cmd", "messages"}})["messages"];
  ASSERT_EQ(shown.size(), 2u) << shown;
  EXPECT_EQ(shown[1]["text"], "Operação concluída com sucesso.");
  json rows = Send({{"cmd", "sql"},
                    {"query", "SELECT CDCNFDISTEMBSERV FROM CNFDISTEMBSERV WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001'"
                              " AND CDCLIENTE = '000001' AND CDDESTFILI = '001' ORDER BY NRGRUPO"}})["rows"];
  EXPECT_EQ(rows, json::parse(R"([{"CDCNFDISTEMBSERV": "MX08"}, {"CDCNFDISTEMBSERV": "GN12"}])")) << rows;
}

INSTANTIATE_TEST_SUITE_P(Db, DriverTransfEmbalTest, ::testing::ValuesIn(backends()), BackendName());

}  // namespace
}  // namespace cad::test
