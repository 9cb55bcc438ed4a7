// The change history of a service on both backends: changes made through the real update methods
// come back one row per field with old and new value in the screens' formats, newest first, only
// for the service asked, and filtered by period and operator. (A foreign branch's history is
// refused with the other branch reads in acesso_test.cpp.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/core/errors.h"
#include "tests/appserver/method_fixture.h"

namespace cad {
namespace {

class HistoricoTest : public test::MethodTest {
 protected:
  // The history of 0001/00001 as "when|operator|kind|object|field|old|new" lines.
  std::vector<std::string> historico(const std::string& de = "", const std::string& ate = "",
                                     const std::string& op = "") {
    PacketPtr p = call("GetHistorico", {"0001", "00001", de, ate, op}).packetPtr();
    std::vector<std::string> out;
    for (size_t r = 0; r < p->rowCount(); ++r) {
      std::string s;
      for (const char* f : {"DTALTERACAO", "CDOPERADOR", "DSOPERACAO", "DSOBJETO", "DSCAMPO", "VLANTERIOR", "VLNOVO"})
        s += (s.empty() ? "" : "|") + p->value(r, f).asString();
      out.push_back(s);
    }
    return out;
  }
};

TEST_P(HistoricoTest, ChangesOfTheServiceNewestFirstFilteredByPeriodAndOperator) {
  EXPECT_TRUE(historico().empty());  // the demo data is loaded without a trail

  // ADMIN changes a month cost; the change is dated back to November.
  server.setOperator("ADMIN");
  PacketPtr m = call("GetCustPadr", {"0001", "00001"}).packetPtr();
  EXPECT_EQ(call("UpdCustPadr",
                 {Variant(changeSet(
                     *m, {{ChangeKind::Modified, rowWhere(*m, "VRCUSTPADR", "19.98"), {{"VRCUSTPADR", 30.5}}}}))})
                .str(),
            "");
  exec("UPDATE AUDITORIA SET DTAUDITORIA = '2026-11-02 10:15:00' WHERE NMTABELA = 'CUSTPADR'");

  // JOAO renames this service and another one, whose change is not this service's history.
  server.setOperator("JOAO");
  PacketPtr s = call("GetServico", {"0001", ""}).packetPtr();
  EXPECT_EQ(
      call("UpdServico",
           {Variant(changeSet(
                *s, {{ChangeKind::Modified, rowWhere(*s, "CDSERVFILI", "00001"), {{"NMSERVICO", "Almoço Central"}}},
                     {ChangeKind::Modified, rowWhere(*s, "CDSERVFILI", "00002"), {{"NMSERVICO", "Ceia"}}}})),
            ""})
          .str(),
      "");

  std::vector<std::string> all = historico();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].substr(16), "|JOAO|Alteração|Serviço|Nome|Almoço|Almoço Central");
  EXPECT_EQ(all[1], "02/11/2026 10:15|ADMIN|Alteração|Custo padrão 01/2027|Valor|19,98|30,5");

  // Period (days, both ends included) and operator (any case).
  EXPECT_EQ(historico("01/11/2026", "02/11/2026"), std::vector<std::string>{all[1]});
  EXPECT_EQ(historico("03/11/2026"), std::vector<std::string>{all[0]});
  EXPECT_EQ(historico("", "01/11/2026"), std::vector<std::string>{});
  EXPECT_EQ(historico("", "", "joao"), std::vector<std::string>{all[0]});
  EXPECT_THROW(historico("2026-11-01"), Exception);
}

INSTANTIATE_TEST_SUITE_P(Db, HistoricoTest, ::testing::ValuesIn(test::backends()), test::BackendName());

}  // namespace
}  // namespace cad
