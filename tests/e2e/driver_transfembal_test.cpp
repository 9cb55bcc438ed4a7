// The distribution import dialog through the real processes on loopback: cadserv-server on a new
// demo database of each backend and cadserv-driver connected to it. The dialog is opened by its
// entry with the destination (a delivery point of 0001/00001), the origin typed, the question
// answered, and the imported packages are checked in the database.
#include "tests/e2e/driver_fixture.h"

namespace cad::test {
namespace {

using json = nlohmann::json;

class DriverTransfEmbalTest : public DriverProcessTest {};

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
