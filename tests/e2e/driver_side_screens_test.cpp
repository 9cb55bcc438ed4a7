// The side screens through the real processes on loopback: cadserv-server on a new demo database
// of each backend and cadserv-driver connected to it. The copy dialog is opened from the main
// screen's button and driven as a modal form until the copy is stored; the diet export dialog is
// opened by its entry with its three arguments, and its export is checked in the stored rows.
#include "tests/e2e/driver_fixture.h"

namespace cad::test {
namespace {

using json = nlohmann::json;

class DriverSideScreensTest : public DriverProcessTest {};

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
