// The menu configuration page through the real processes on loopback: cadserv-server on a new
// demo database of each backend and cadserv-driver connected to it. The page of the demo service
// 0001/00001 is opened, a line is made optional with a double click, the packaging question is
// answered and the save is checked in the stored lines.
#include "tests/e2e/driver_fixture.h"

namespace cad::test {
namespace {

using json = nlohmann::json;

class DriverConfCardTest : public DriverProcessTest {};

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
