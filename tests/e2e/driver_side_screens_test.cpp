// The side screens through the real processes on loopback: cadserv-server on a new demo database
// of each backend and cadserv-driver connected to it. A dialog is reached the way an operator or a
// script reaches it (a command of the main screen, or its entry with its arguments), driven as a
// modal form, and what it stores is read back from the database: a menu line made optional, and a
// distribution import. (What each dialog does is tested in-process in tests/side_screens; the
// driver's modal handling in tests/hosts/driver.)
#include "tests/e2e/driver_fixture.h"

namespace cad::test {
namespace {

using json = nlohmann::json;

class DriverSideScreensTest : public DriverProcessTest {};

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
