// The side screens through the real processes on loopback: cadserv-server on a new demo database
// of each backend and cadserv-driver connected to it. Each dialog is reached the way an operator
// or a script reaches it (a button or menu of the main screen, or its entry with its arguments),
// driven as a modal form, and what it stores is read back from the database: the copy of a
// service, the diet export, the automatic standard-cost run (its working list removed on close),
// a menu line made optional, and a distribution import.
#include "tests/e2e/driver_fixture.h"

namespace cad::test {
namespace {

using json = nlohmann::json;

class DriverSideScreensTest : public DriverProcessTest {};

TEST_P(DriverSideScreensTest, CopiesAServiceThroughTheModalDialog) {
  OpenMainScreen();
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
  EXPECT_EQ(Rows("SELECT NMSERVICO FROM SERVICO WHERE CDFILIAL = '0001' AND CDSERVFILI = '00004'"),
            json::parse(R"([{"NMSERVICO": "Lanche da Tarde"}])"));
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
  EXPECT_EQ(Rows("SELECT QTCLIDIETSEG FROM DIETSERV WHERE CDFILIAL = '0003' AND CDSERVFILI = '00010'"
                 " AND CDDIETPAD = '0001'"),
            json::parse(R"([{"QTCLIDIETSEG": 25.0}])"));
}

TEST_P(DriverSideScreensTest, AutomaticCostMaintenanceIncludesAValueOverThePeriod) {
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
  Act({{"cmd", "cell"}, {"control", "dbgCustPadrManu"}, {"row", 1}, {"col", "IDMARCADO"}, {"click", true}});
  Act({{"cmd", "click"}, {"control", "sbtConfirma"}});
  EXPECT_EQ(Rows("SELECT COUNT(*) AS N FROM CUSTPADR WHERE CDFILIAL = '0001' AND CDSERVFILI = '00003'"
                 " AND DTREFCUSPADR >= '2027-07-01'"),
            json::parse(R"([{"N": 2}])"));
  json fechada = Send({{"cmd", "click"}, {"control", "sbtSair"}});
  EXPECT_EQ(fechada.value("closed", ""), "frmCadaAutoServico") << fechada;
  EXPECT_EQ(Rows("SELECT COUNT(*) AS N FROM LISTCUSTPADR"), json::parse(R"([{"N": 0}])"));
}

TEST_P(DriverSideScreensTest, MakesAMenuLineOptionalAndSavesIt) {
  OpenMainScreen();
  Act({{"cmd", "cell"}, {"control", "dbgPadrao"}, {"row", 1}, {"col", "CDSERVFILI"}, {"click", true}});
  Act({{"cmd", "click"}, {"control", "mnuConfCard"}});
  json grid = Send({{"cmd", "get"}, {"control", "stgCard"}});
  ASSERT_EQ(grid["cells"].size(), 9u) << grid;
  EXPECT_EQ(grid["cells"][2][3], "Não");
  Act({{"cmd", "cell"}, {"control", "stgCard"}, {"row", 2}, {"col", 3}, {"dblclick", true}});
  EXPECT_EQ(Send({{"cmd", "get"}, {"control", "stgCard"}})["cells"][2][3], "Sim");
  Send({{"cmd", "answer"}, {"button", "OK"}});
  Act({{"cmd", "click"}, {"control", "sbtConfirmar"}});
  json shown = Send({{"cmd", "messages"}})["messages"];
  ASSERT_EQ(shown.size(), 1u) << shown;
  EXPECT_EQ(shown[0]["key"], "CONF_EXCL_DIST_REST");
  EXPECT_EQ(Rows("SELECT IDOPCCNFCARD, IDCONCNFCARD FROM CNFCARD WHERE CDFILIAL = '0001'"
                 " AND CDSERVFILI = '00001' AND NRSEQCNFCARD = 2"),
            json::parse(R"([{"IDOPCCNFCARD": "S", "IDCONCNFCARD": "N"}])"));
}

TEST_P(DriverSideScreensTest, ImportsADistributionOpenedByItsEntry) {
  json opened = Send({{"cmd", "open"}, {"entry", "CriaImpDist"}, {"args", {"0001", "00001", "000001", "001"}}});
  EXPECT_EQ(opened.value("opened", ""), "frmImpDist") << opened;
  Act({{"cmd", "set"}, {"control", "edtCdFilialOri"}, {"text", "1"}});
  Act({{"cmd", "key"}, {"key", "Tab"}});
  Act({{"cmd", "set"}, {"control", "edtCdServOri"}, {"text", "1"}});
  Act({{"cmd", "key"}, {"key", "Tab"}});
  Act({{"cmd", "select"}, {"control", "cmbPontoEntrega"}, {"index", 0}});
  Send({{"cmd", "answer"}, {"button", "Yes"}});
  json closed = Send({{"cmd", "click"}, {"control", "sbtConfirma"}});
  EXPECT_EQ(closed.value("closed", ""), "frmImpDist") << closed;
  EXPECT_EQ(closed.value("result", ""), "OK") << closed;
  EXPECT_EQ(Rows("SELECT CDCNFDISTEMBSERV FROM CNFDISTEMBSERV WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001'"
                 " AND CDCLIENTE = '000001' AND CDDESTFILI = '001' ORDER BY NRGRUPO"),
            json::parse(R"([{"CDCNFDISTEMBSERV": "MX08"}, {"CDCNFDISTEMBSERV": "GN12"}])"));
}

INSTANTIATE_TEST_SUITE_P(Db, DriverSideScreensTest, ::testing::ValuesIn(backends()), BackendName());

}  // namespace
}  // namespace cad::test
