// The automatic standard-cost maintenance through the real processes on loopback: cadserv-server on
// a new demo database of each backend and cadserv-driver connected to it. The screen is opened by
// its entry, one service of one branch is chosen, a value is included over two months and the
// stored months are checked; closing the screen removes its working list.
#include "tests/e2e/driver_fixture.h"

namespace cad::test {
namespace {

using json = nlohmann::json;

class DriverCadaAutoTest : public DriverProcessTest {};

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
