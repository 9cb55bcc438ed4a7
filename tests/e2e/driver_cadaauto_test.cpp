// The automatic standard-cost maintenance through the real processes on loopback: cadserv-server on
// a new demo database of each backend and cadserv-driver connected to it. The screen is opened by
// its entry, one service of one branch is chosen, a value is included over two months and the
// stored months are checked; closing the screen removes its working list.
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

constexpr const char* kToken = "e2e-custoauto";

class DriverCadaAutoTest : public ::testing::TestWithParam<std::string> {
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

TEST_P(DriverCadaAutoTest, IncludesAValueOverThePeriod) {
  json aberta = Send({{"cmd", "open"}, {"entry", "CriaCAutoCPadrao"}});
  EXPECT_EQ(aberta.value("opened", ""), "frmCadaAutoServico") << aberta;
  Act({{"cmd", "click"}, {"control", "rbtListaFili"}});
  Send({{"cmd", "picklist"}, {"keys", {"0001"}}});
  Act({{"cmd", "click"}, {"control", "btnFilial"}});
  Act({{"cmd", "click"}, {"control", "rbtListaServ"}});
  Send({{"cmd", "picklist"}, {"keys", {"000100003"}}});
  Act({{"cmd", "click"}, {"control", "btnServ"}});
  Act({{"cmd", "set"}, {"control", "depDataDe"}, {"text", "01/07/2027"}});
  Act({{"cmd", "set"}, {"control", "depDataAte"}, {"text", "31/08/2027"}});
  Act({{"cmd", "set"}, {"control", "nedValPer"}, {"text", "7,5"}});
  Act({{"cmd", "focus"}, {"control", "dbgCustPadrManu"}});
  json grade = Send({{"cmd", "get"}, {"control", "dbgCustPadrManu"}});
  ASSERT_EQ(grade["texts"].size(), 1u) << grade;
  EXPECT_EQ(grade["texts"][0][5], "Desjejum");
  Act({{"cmd", "cell"}, {"control", "dbgCustPadrManu"}, {"row", 1}, {"col", "IDMARCADO"}, {"click", true}});
  Act({{"cmd", "click"}, {"control", "sbtConfirma"}});
  json rows = Send({{"cmd", "sql"},
                    {"query", "SELECT COUNT(*) AS N FROM CUSTPADR WHERE CDFILIAL = '0001' AND CDSERVFILI = '00003'"
                              " AND DTREFCUSPADR >= '2027-07-01'"}})["rows"];
  EXPECT_EQ(rows, json::parse(R"([{"N": 2}])")) << rows;
  json fechada = Send({{"cmd", "click"}, {"control", "sbtSair"}});
  EXPECT_EQ(fechada.value("closed", ""), "frmCadaAutoServico") << fechada;
  rows = Send({{"cmd", "sql"}, {"query", "SELECT COUNT(*) AS N FROM LISTCUSTPADR"}})["rows"];
  EXPECT_EQ(rows, json::parse(R"([{"N": 0}])")) << rows;
}

INSTANTIATE_TEST_SUITE_P(Db, DriverCadaAutoTest, ::testing::ValuesIn(backends()), BackendName());

}  // namespace
}  // namespace cad::test
