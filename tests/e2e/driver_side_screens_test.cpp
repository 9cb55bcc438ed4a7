// The side screens through the real processes on loopback: cadserv-server on a new demo database
// of each backend and cadserv-driver connected to it. The copy dialog is opened from the main
// screen's button and driven as a modal form until the copy is stored; the diet export dialog is
// opened by its entry with its three arguments, and its export is checked in the stored rows.
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

constexpr const char* kToken = "e2e-telas-laterais";

class DriverSideScreensTest : public ::testing::TestWithParam<std::string> {
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

TEST_P(DriverSideScreensTest, CopiesAServiceThroughTheModalDialog) {
  Act({{"cmd", "open"}, {"entry", "CriaCadServico"}});
  Act({{"cmd", "set"}, {"control", "medCdFilial"}, {"text", "0001"}});
  Act({{"cmd", "key"}, {"key", "Tab"}});
  Act({{"cmd", "focus"}, {"control", "dbgPadrao"}});
  json aberto = Send({{"cmd", "click"}, {"control", "sbtCopiar"}});
  EXPECT_EQ(aberto.value("opened", ""), "frmCopiaServico") << aberto;
  Act({{"cmd", "set"}, {"control", "edtCdGrupServ"}, {"text", "001"}});
  Act({{"cmd", "set"}, {"control", "edtCdServ"}, {"text", "00001"}});
  Act({{"cmd", "click"}, {"control", "sbtIncluir"}});
  Act({{"cmd", "set"}, {"control", "dbgServico"}, {"text", "00004"}});
  Act({{"cmd", "key"}, {"key", "Tab"}});
  json destino = Send({{"cmd", "get"}, {"control", "dbgServico"}});
  EXPECT_EQ(destino["texts"], json::parse(R"([["00004", "Lanche da Tarde"]])")) << destino;
  json fechado = Send({{"cmd", "click"}, {"control", "sbtConfirma"}});
  EXPECT_EQ(fechado.value("closed", ""), "frmCopiaServico") << fechado;
  EXPECT_EQ(fechado.value("result", ""), "OK") << fechado;
  json lista = Send({{"cmd", "get"}, {"control", "dbgPadrao"}});
  EXPECT_EQ(lista["texts"].size(), 5u) << lista;
  json rows = Send({{"cmd", "sql"},
                    {"query", "SELECT NMSERVICO FROM SERVICO WHERE CDFILIAL = '0001' AND CDSERVFILI = '00004'"}})["rows"];
  EXPECT_EQ(rows, json::parse(R"([{"NMSERVICO": "Lanche da Tarde"}])")) << rows;
}

TEST_P(DriverSideScreensTest, ExportsDietsThroughTheEntryWithItsArguments) {
  json aberto = Send({{"cmd", "open"}, {"entry", "CriaExpComDiet"}, {"args", {"0003", "00010", "0002"}}});
  EXPECT_EQ(aberto.value("opened", ""), "frmExpComDiet") << aberto;
  json grade = Send({{"cmd", "get"}, {"control", "dbgDieta"}});
  EXPECT_EQ(grade["texts"].size(), 3u) << grade;
  Act({{"cmd", "cell"}, {"control", "dbgDieta"}, {"row", 1}, {"col", "CDDIETPAD"}, {"click", true}});
  Send({{"cmd", "answer"}, {"button", "Yes"}});
  Act({{"cmd", "click"}, {"control", "sbtConfirma"}});
  json shown = Send({{"cmd", "messages"}})["messages"];
  ASSERT_EQ(shown.size(), 2u) << shown;
  EXPECT_EQ(shown[1]["text"], "Exportação realizada com sucesso.");
  json fechado = Send({{"cmd", "click"}, {"control", "sbtCancel"}});
  EXPECT_EQ(fechado.value("closed", ""), "frmExpComDiet") << fechado;
  json rows = Send({{"cmd", "sql"},
                    {"query", "SELECT QTCLIDIETSEG FROM DIETSERV WHERE CDFILIAL = '0003' AND CDSERVFILI = '00010'"
                              " AND CDDIETPAD = '0001'"}})["rows"];
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0]["QTCLIDIETSEG"].get<double>(), 25.0) << rows;
}

INSTANTIATE_TEST_SUITE_P(Db, DriverSideScreensTest, ::testing::ValuesIn(backends()), BackendName());

}  // namespace
}  // namespace cad::test
