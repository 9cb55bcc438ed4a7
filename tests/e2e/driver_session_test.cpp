// A whole session replayed through the real processes on loopback: cadserv-server on a new demo
// database of each backend, and cadserv-driver connected to it with the same database for the
// screens' reference queries. The driver is fed one command line at a time and each reply is
// checked before the next line goes: the main screen is opened on branch 0001, a service with a
// route and a billing product is included and confirmed, and deleted, with the dialogs shown, the
// remote calls made and the rows stored checked at every step. (Altering, verifying and the fields
// sent as null are the screen's, tested in-process in tests/service_screen/record_test.cpp and
// commands_test.cpp.)
#include "tests/e2e/driver_fixture.h"

namespace cad::test {
namespace {

using json = nlohmann::json;

class DriverSessionTest : public DriverProcessTest {
 protected:
  json Messages() { return Send({{"cmd", "messages"}})["messages"]; }

  // The remote calls since the last read, by method.
  json CallsOf(const json& calls, const std::string& method) {
    json found = json::array();
    for (const json& c : calls)
      if (c["method"] == method) found.push_back(c);
    return found;
  }

  json Servico() {
    return Rows(
        "SELECT NMSERVICO, NMSERVICOREDU, NMFANTASSERV, CDGRUPSERV, HRINICATEN, HRINICSERV, HRFINASERV,"
        " CDROTATRANS, CDPRODUTO, IDTIPOSERV, IDSERVATIV FROM SERVICO WHERE CDFILIAL = :F AND CDSERVFILI = :S",
        json::array({"0001", "00077"}));
  }

  json Current() {
    json ds = Send({{"cmd", "dataset"}, {"name", "cdsServico"}});
    json current;
    int recNo = ds.value("recNo", 0);
    if (recNo >= 1 && recNo <= static_cast<int>(ds["rows"].size())) current = ds["rows"][recNo - 1];
    return json{{"state", ds["state"]}, {"count", ds["recordCount"]}, {"changes", ds["changeCount"]}, {"row", current}};
  }
};

TEST_P(DriverSessionTest, IncludesAndDeletesAServiceWithRouteAndBillingProduct) {
  // Codes of new services are free (no standard services to take them from), so name and
  // product are typed; billing products come from the billing group, checked by the server.
  EXPECT_EQ(Send({{"cmd", "sql"}, {"query", "DELETE FROM SERVPADR"}}).value("ok", false), true);
  EXPECT_EQ(Send({{"cmd", "sql"}, {"query", "UPDATE PARAMGERAL SET CDGRUPRODFAT = 'FATREF'"}})["affected"], 1);

  // ---- open on the branch
  OpenMainScreen();
  EXPECT_EQ(Send({{"cmd", "get"}, {"control", "edtNmFilial"}})["text"], "Central São Paulo");
  EXPECT_EQ(Current()["count"], 4);

  // ---- include
  Act({{"cmd", "click"}, {"control", "sbtIncluir"}});
  json cur = Current();
  ASSERT_EQ(cur["state"], "insert") << cur;

  Act({{"cmd", "type"}, {"control", "dbeCdServFili"}, {"text", "77"}});
  Act({{"cmd", "key"}, {"key", "Tab"}});
  EXPECT_EQ(Send({{"cmd", "get"}, {"control", "dbeCdServFili"}})["text"], "00077");
  Act({{"cmd", "type"}, {"control", "dbeNmServico"}, {"text", "Ceia da Manutenção Predial"}});
  Act({{"cmd", "type"}, {"control", "dbeCdGrupServ"}, {"text", "2"}});
  Act({{"cmd", "type"}, {"control", "dbeIniAtend"}, {"text", "1100"}});
  Act({{"cmd", "type"}, {"control", "dbePeriServDe"}, {"text", "1130"}});
  Act({{"cmd", "type"}, {"control", "dbePeriServAte"}, {"text", "1400"}});
  Act({{"cmd", "type"}, {"control", "dbeCdRota"}, {"text", "3"}});
  Act({{"cmd", "type"}, {"control", "dbeCdProduto"}, {"text", "1010005"}});
  Act({{"cmd", "key"}, {"key", "Tab"}});
  // Enabled for forecasts, requisitions and withdrawals (whatever the new record started with).
  if (Send({{"cmd", "get"}, {"control", "dckUtilReqReti"}})["checked"] != true)
    Act({{"cmd", "click"}, {"control", "dckUtilReqReti"}});
  // What the form shows of the codes typed, as adjusted and looked up on leaving them.
  auto text = [&](const char* control) { return Send({{"cmd", "get"}, {"control", control}})["text"]; };
  EXPECT_EQ(text("dbeNmRota"), "Rota Campinas - Distrito Industrial");
  EXPECT_EQ(text("dbeNmProduto"), "Ceia");
  EXPECT_EQ(Messages(), json::array()) << "nothing typed was refused";
  json calls = Send({{"cmd", "calls"}})["calls"];
  json produtos = CallsOf(calls, "GetPesqProdFat");
  ASSERT_FALSE(produtos.empty()) << "the billing group sends the product check to the server: " << calls;
  EXPECT_EQ(produtos.back()["args"], json::array({"0001", "1010005"}));

  // ---- confirm
  Act({{"cmd", "click"}, {"control", "sbtConfirmar"}});
  EXPECT_EQ(Messages(), json::array());
  cur = Current();
  EXPECT_EQ(cur["state"], "browse") << cur;
  EXPECT_EQ(cur["count"], 5);
  calls = Send({{"cmd", "calls"}})["calls"];
  json upd = CallsOf(calls, "UpdServico");
  ASSERT_EQ(upd.size(), 1u) << calls;
  json rows = Servico();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0], (json{{"NMSERVICO", "Ceia da Manutenção Predial"},
                           {"NMSERVICOREDU", "Ceia da Manuten"},
                           {"NMFANTASSERV", nullptr},
                           {"CDGRUPSERV", "002"},
                           {"HRINICATEN", "1100"},
                           {"HRINICSERV", "1130"},
                           {"HRFINASERV", "1400"},
                           {"CDROTATRANS", "000003"},
                           {"CDPRODUTO", "1005"},
                           {"IDTIPOSERV", "N"},
                           {"IDSERVATIV", "S"}}));

  // ---- delete, answering Yes
  EXPECT_EQ(Send({{"cmd", "answer"}, {"button", "Yes"}})["pending"], 1);
  Act({{"cmd", "click"}, {"control", "sbtExcluir"}});
  json shown = Messages();
  ASSERT_EQ(shown.size(), 1u) << shown;
  EXPECT_EQ(shown[0]["kind"], "confirmation");
  EXPECT_EQ(shown[0]["key"], "Excl");
  EXPECT_EQ(Servico(), json::array());
  cur = Current();
  EXPECT_EQ(cur["count"], 4);
  EXPECT_EQ(cur["changes"], 0);
}

INSTANTIATE_TEST_SUITE_P(Db, DriverSessionTest, ::testing::ValuesIn(backends()), BackendName());

}  // namespace
}  // namespace cad::test
