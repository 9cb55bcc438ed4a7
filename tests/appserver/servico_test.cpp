// The service methods through TNetConnection and the in-process server on both backends:
// GetServico's filter by group, and UpdServico's insert, modify and delete with the null-field
// list (the block of dish-type changes included), its branch-permission refusals (nothing
// written), and the columns it never writes; the deletion of a service with all its
// dependents or its refusal with nothing removed; the checks of inserted and modified rows;
// GetProdExcl.
#include <gtest/gtest.h>

#include "platform/core/errors.h"
#include "platform/core/packet.h"
#include "platform/db/database.h"
#include "tests/appserver/method_fixture.h"

namespace cad {
namespace {

class ServicoTest : public test::MethodTest {
 protected:
  PacketPtr services(const std::string& filial, const std::string& grupo = "") {
    return call("GetServico", {filial, grupo}).packetPtr();
  }
  db::ResultSet stored(const std::string& where) {
    return sql(
        "SELECT CDSERVFILI, NMSERVICO, NMFANTASSERV, HRENTREGA, IDBLOQALTPRA, QTCLIESTISEG, CDSERPADDIE"
        " FROM SERVICO WHERE " +
        where + " ORDER BY CDFILIAL, CDSERVFILI");
  }
  std::string upd(PacketPtr delta, const std::string& nulls = "") {
    return call("UpdServico", {Variant(delta), nulls}).str();
  }
  // The service's rows in every table that hangs on it, and its own row, by table.
  std::vector<std::pair<std::string, long long>> dependentCounts(const std::string& filial,
                                                                 const std::string& servico) {
    std::string own = "CDFILIAL = '" + filial + "' AND CDSERVFILI = '" + servico + "'";
    std::vector<std::pair<std::string, long long>> out;
    for (const char* table : {"TURNOSERV", "CUSTPADR", "CUSTPADRTP", "LISTCUSTPADR", "CNFCARD", "CONSPRODSERV",
                              "DIETSERV", "DESTSRVCLI", "CNFDISTEMBSERV", "CNFDISTEMBTP", "RESTEMBTPPRAT", "SERVFATU"})
      out.emplace_back(table, count(table, own));
    out.emplace_back("RESTEMBCONT", count("RESTEMBCONT",
                                          "NRRESTEMBTPPRAT IN (SELECT NRRESTEMBTPPRAT FROM"
                                          " RESTEMBTPPRAT WHERE " +
                                              own + ")"));
    out.emplace_back("SERVICO", count("SERVICO", own));
    return out;
  }
};

// The list by group (the code trimmed); the joined names are checked as the screen shows them.
TEST_P(ServicoTest, ServiceListByGroup) {
  PacketPtr group = services("0001", "002");
  ASSERT_EQ(group->rowCount(), 1u);
  EXPECT_EQ(group->value(0, "CDSERVFILI").str(), "00003");
  EXPECT_EQ(services("0001", " 001 ")->rowCount(), 2u);
  EXPECT_EQ(services("9999")->rowCount(), 0u);
}

TEST_P(ServicoTest, InsertModifyDeleteWithNullFieldList) {
  PacketPtr list = services("0001");
  const std::vector<Variant>& almoco = list->rows[0];
  PacketPtr delta =
      changeSet(*list, {
                           {ChangeKind::Inserted,
                            {},
                            {{"CDFILIAL", "0001"},
                             {"CDSERVFILI", "00050"},
                             {"NMSERVICO", "Ceia"},
                             {"IDTIPOSERV", "N"},
                             {"IDSERVTRAN", "N"},
                             {"IDSERVATIV", "S"},
                             {"QTCLIESTISEG", 12.5},
                             {"HRENTREGA", ""},
                             {"IDBLOQALTPRA", "S"},
                             {"NMPRODUTO", "não é coluna"},
                             {"CDSERPADDIE", ""}}},
                           {ChangeKind::Modified, almoco, {{"NMSERVICO", "Almoço Executivo"}, {"IDBLOQALTPRA", "S"}}},
                       });
  EXPECT_EQ(upd(delta, "_NMFANTASSERV_HRENTREGA"), "");

  db::ResultSet rs = stored("CDFILIAL = '0001' AND CDSERVFILI IN ('00001', '00050')");
  ASSERT_EQ(rs.rows.size(), 2u);
  EXPECT_EQ(rs.rows[0][1].str(), "Almoço Executivo");
  EXPECT_TRUE(rs.rows[0][2].isNull());       // NMFANTASSERV named in the null list
  EXPECT_TRUE(rs.rows[0][3].isNull());       // HRENTREGA too
  EXPECT_EQ(rs.rows[0][4].asString(), "S");  // the operator's block of dish-type changes is kept
  EXPECT_EQ(rs.rows[1][4].asString(), "S");
  EXPECT_EQ(rs.rows[1][5].asFloat(), 12.5);
  EXPECT_TRUE(rs.rows[1][6].isNull());  // an empty optional code is stored as null

  PacketPtr again = services("0001");
  // Lifting the block again is stored too.
  EXPECT_EQ(upd(changeSet(*again, {{ChangeKind::Modified, again->rows[0], {{"IDBLOQALTPRA", "N"}}}})), "");
  EXPECT_EQ(stored("CDFILIAL = '0001' AND CDSERVFILI = '00001'").rows.at(0)[4].asString(), "N");
  again = services("0001");
  EXPECT_EQ(upd(changeSet(*again, {{ChangeKind::Deleted, rowWhere(*again, "CDSERVFILI", "00050"), {}}})), "");
  EXPECT_TRUE(stored("CDSERVFILI = '00050'").rows.empty());
}

// (A stale row refusing the whole change set is the applier's, tested in dispatcher_test.cpp.)
TEST_P(ServicoTest, ForeignBranchWritesNothing) {
  PacketPtr list = services("0001");
  // JOAO works on 0001 but not on 0002: a change set touching 0002 is refused as a whole.
  PacketPtr other = services("0002");
  server.setOperator("JOAO");
  PacketPtr mixed = changeSet(*other, {
                                          {ChangeKind::Modified, list->rows[0], {{"NMSERVICO", "Almoço do João"}}},
                                          {ChangeKind::Modified, other->rows[0], {{"NMSERVICO", "Almoço do João"}}},
                                      });
  EXPECT_EQ(upd(mixed), "O operador JOAO não tem acesso à filial 0002.");
  EXPECT_TRUE(stored("NMSERVICO = 'Almoço do João'").rows.empty());
  PacketPtr moved = changeSet(*list, {{ChangeKind::Modified, list->rows[0], {{"CDFILIAL", "0002"}}}});
  EXPECT_EQ(upd(moved), "O operador JOAO não tem acesso à filial 0002.");

  // Malformed change sets are faults, not refusals.
  auto plain = std::make_shared<Packet>(*list);
  EXPECT_THROW(upd(plain), Exception);
}

TEST_P(ServicoTest, DeletionTakesEveryDependentOrNothing) {
  // Give 0002/00001 a row in each dependent table it lacks in the demo data.
  exec(
      "INSERT INTO SERVICO (CDFILIAL, CDSERVFILI, NMSERVICO, IDTIPOSERV, IDSERVTRAN, IDSERVATIV)"
      " VALUES ('0002', '00095', 'Faturamento Campinas', 'F', 'N', 'N')");
  exec("INSERT INTO SERVFATU VALUES ('0002', '00001', '00095')");
  exec("INSERT INTO CUSTPADRTP VALUES ('0002', '00001', '2026-12-01', '03', 17.2)");
  exec(
      "INSERT INTO LISTCUSTPADR (IDLISTA, CDFILIAL, CDSERVFILI, DTREFCUSPADR) VALUES ('L1', '0002', '00001', "
      "'2026-12-01')");
  exec("INSERT INTO CONSPRODSERV VALUES ('0002', '00001', '2101', '2026-11-01', 'P', 0.1)");
  exec("INSERT INTO DIETSERV (CDFILIAL, CDSERVFILI, CDDIETPAD) VALUES ('0002', '00001', '0001')");
  exec("INSERT INTO CNFDISTEMBSERV VALUES ('0002', '00001', '', '', 1, 'MX08', 'MX08')");
  exec("INSERT INTO CNFDISTEMBTP VALUES ('0002', '00001', '', '', 1, 1)");
  exec("INSERT INTO RESTEMBTPPRAT VALUES (3, '0002', '00001', '000003', '001', 3)");
  exec("INSERT INTO RESTEMBCONT VALUES (3, 'CT80', 2, 1)");
  auto before = dependentCounts("0002", "00001");
  for (const auto& [table, n] : before) EXPECT_GT(n, 0) << table;
  auto central = dependentCounts("0001", "00001");

  // A stale deletion is refused after the dependents were already removed: all of it rolls back.
  PacketPtr list = services("0002");
  std::vector<Variant> almoco = rowWhere(*list, "CDSERVFILI", "00001");
  exec("UPDATE SERVICO SET NMSERVICO = 'Almoço Campinas' WHERE CDFILIAL = '0002' AND CDSERVFILI = '00001'");
  EXPECT_EQ(upd(changeSet(*list, {{ChangeKind::Deleted, almoco, {}}})),
            "O registro foi alterado por outro usuário. Recarregue os dados e tente novamente.");
  EXPECT_EQ(dependentCounts("0002", "00001"), before);

  list = services("0002");
  EXPECT_EQ(upd(changeSet(*list, {{ChangeKind::Deleted, rowWhere(*list, "CDSERVFILI", "00001"), {}}})), "");
  for (const auto& [table, n] : dependentCounts("0002", "00001")) EXPECT_EQ(n, 0) << table;
  EXPECT_EQ(count("SERVICO", "CDFILIAL = '0002' AND CDSERVFILI IN ('00004', '00095')"), 2);
  EXPECT_EQ(dependentCounts("0001", "00001"), central);
}

TEST_P(ServicoTest, DeletionRefusedByHistoryAndReferencesWritesNothing) {
  auto del = [&](const std::string& filial, const std::vector<std::string>& codes) {
    PacketPtr list = services(filial);
    std::vector<Edit> edits;
    for (const auto& c : codes) edits.push_back({ChangeKind::Deleted, rowWhere(*list, "CDSERVFILI", c), {}});
    return upd(changeSet(*list, edits));
  };
  auto central = dependentCounts("0001", "00001");
  auto jantar = dependentCounts("0001", "00002");

  // 00002 alone could go, but not together with 00001: nothing of either is removed.
  EXPECT_EQ(del("0001", {"00002", "00001"}),
            "Operação bloqueada. Já existem cardápios planejados para o serviço 00001 da filial 0001."
            " Último cardápio em 03/12/2026.");
  EXPECT_EQ(dependentCounts("0001", "00002"), jantar);
  EXPECT_EQ(dependentCounts("0001", "00001"), central);

  exec("DELETE FROM CARDADIA WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001'");
  EXPECT_EQ(del("0001", {"00001"}),
            "Operação bloqueada. Já existem efetivos lançados para o serviço 00001 da filial 0001."
            " Últimos efetivos lançados em 01/12/2026.");
  EXPECT_EQ(del("0001", {"00090"}),
            "Operação bloqueada. Já existem efetivos lançados para o serviço 00090 da filial 0001."
            " Últimos efetivos lançados em 01/12/2026.");
  EXPECT_EQ(del("0003", {"00091"}),
            "Operação bloqueada. O serviço 00091 é serviço de faturamento dos serviços 00010."
            " Exclua antes essas equivalências.");
  exec("DELETE FROM EFETSERVFAT WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001'");
  EXPECT_EQ(del("0001", {"00001"}),
            "Operação bloqueada. O serviço 00001 é o serviço principal a ser faturado dos serviços 00003.");
  EXPECT_EQ(count("CUSTPADR", "CDFILIAL = '0001' AND CDSERVFILI = '00001'"), 6);
  EXPECT_EQ(count("SERVICO", "CDFILIAL = '0003' AND CDSERVFILI = '00091'"), 1);
}

TEST_P(ServicoTest, InsertAndModifyRefusalsWriteNothing) {
  PacketPtr list = services("0001");
  std::vector<Variant> jantar = rowWhere(*list, "CDSERVFILI", "00002");
  auto modify = [&](const std::string& field, const Variant& value) {
    return upd(changeSet(*list, {{ChangeKind::Modified, jantar, {{"NMSERVICO", "Jantar X"}, {field, value}}}}));
  };
  EXPECT_EQ(
      upd(changeSet(*list,
                    {{ChangeKind::Inserted,
                      {},
                      {{"CDFILIAL", "0001"}, {"CDSERVFILI", "00001"}, {"NMSERVICO", "Outro"}, {"IDTIPOSERV", "N"}}}})),
      "O serviço 00001 já está cadastrado na filial 0001.");
  EXPECT_EQ(modify("CDSERVFILI", "00077"), "A filial e o código de um serviço cadastrado não podem ser alterados.");
  EXPECT_EQ(modify("IDTIPOSERV", "X"), "Tipo de serviço inválido: 'X' (N, D, A ou F).");
  EXPECT_EQ(modify("CDGRUPSERV", "999"), "Grupo de serviços não cadastrado: 999.");
  EXPECT_EQ(modify("CDSERVPREQUI", "00002"), "Um serviço não pode ser o seu próprio serviço principal a ser faturado.");
  EXPECT_EQ(modify("NMFANTASSERV", std::string(81, 'a')), "O valor de NMFANTASSERV excede 80 caracteres.");
  EXPECT_EQ(stored("CDFILIAL = '0001' AND CDSERVFILI = '00002'").rows.at(0)[1].str(), "Jantar");
  EXPECT_EQ(count("SERVICO", "CDSERVFILI = '00077'"), 0);

  // The same references, when they exist, are written.
  EXPECT_EQ(modify("CDSERVPREQUI", "00001"), "");
  EXPECT_EQ(count("SERVICO", "CDFILIAL = '0001' AND CDSERVFILI = '00002' AND CDSERVPREQUI = '00001'"), 1);
}

TEST_P(ServicoTest, GetProdExclRemovesTheConsumptionOfABlockingServiceOnly) {
  const Variant date = DateTime::fromDate(2026, 12, 7);
  exec("INSERT INTO CONSPRODSERV VALUES ('0001', '00002', '2101', '2026-11-01', 'F', 1)");
  EXPECT_EQ(call("GetProdExcl", {"0001", "00001", date}).str(),
            "O serviço 00001 não bloqueia o consumo fixo / per capita; os produtos de consumo não foram excluídos.");
  EXPECT_EQ(count("CONSPRODSERV", "CDSERVFILI = '00001'"), 3);

  PacketPtr list = services("0001");
  ASSERT_EQ(upd(changeSet(*list, {{ChangeKind::Modified,
                                   rowWhere(*list, "CDSERVFILI", "00001"),
                                   {{"IDBLOQCONFIXPER", "S"}, {"IDCONSSERVCA", "N"}}}})),
            "");
  EXPECT_EQ(call("GetProdExcl", {"0001", "00001", date}).str(), "");
  EXPECT_EQ(count("CONSPRODSERV", "CDFILIAL = '0001' AND CDSERVFILI = '00001'"), 0);
  EXPECT_EQ(count("CONSPRODSERV", "CDFILIAL = '0001' AND CDSERVFILI = '00002'"), 1);
  EXPECT_EQ(call("GetProdExcl", {"0001", "00001", date}).str(), "");  // nothing left: still done

  server.setOperator("JOAO");
  exec("UPDATE SERVICO SET IDBLOQCONFIXPER = 'S' WHERE CDFILIAL = '0002' AND CDSERVFILI = '00001'");
  exec("INSERT INTO CONSPRODSERV VALUES ('0002', '00001', '2101', '2026-11-01', 'F', 1)");
  EXPECT_EQ(call("GetProdExcl", {"0002", "00001", date}).str(), "O operador JOAO não tem acesso à filial 0002.");
  EXPECT_EQ(count("CONSPRODSERV", "CDFILIAL = '0002'"), 1);
  EXPECT_THROW(call("GetProdExcl", {"0001", "00001", "07/12/2026"}), Exception);  // not a date
}

INSTANTIATE_TEST_SUITE_P(Db, ServicoTest, ::testing::ValuesIn(test::backends()), test::BackendName());

}  // namespace
}  // namespace cad
