// The service methods through TNetConnection and the in-process server on both backends:
// getParamGeral's text, GetServico's record shape, order and filter, and UpdServico's insert,
// modify and delete with the null-field list, its stale and branch-permission refusals (nothing
// written), and the columns it never writes.
#include <gtest/gtest.h>

#include "platform/core/errors.h"
#include "platform/core/packet.h"
#include "platform/db/database.h"
#include "platform/net/netconnection.h"
#include "tests/support/inprocess_server.h"
#include "tests/support/support.h"

namespace cad {
namespace {

class ServicoTest : public ::testing::TestWithParam<std::string> {
 protected:
  ServicoTest() : server(GetParam()) {
    net.ServerName = "Ger04100.rdmCadastroServ";
    net.Host = "localhost";
    net.Port = 8099;
  }

  PacketPtr services(const std::string& filial, const std::string& grupo = "") {
    return net.Call("GetServico", {filial, grupo}).packetPtr();
  }
  db::ResultSet stored(const std::string& where) {
    return server.pool().acquire()->query(
        "SELECT CDSERVFILI, NMSERVICO, NMFANTASSERV, HRENTREGA, IDBLOQALTPRA, QTCLIESTISEG, CDSERPADDIE"
        " FROM SERVICO WHERE " + where + " ORDER BY CDFILIAL, CDSERVFILI");
  }

  // A change set over GetServico's fields: rows of the packet, edited by `edit`, as `kind`.
  struct Edit {
    ChangeKind kind;
    std::vector<Variant> original;
    std::vector<std::pair<std::string, Variant>> changes;
  };
  PacketPtr changeSet(const Packet& shape, const std::vector<Edit>& edits) {
    auto d = std::make_shared<Packet>();
    d->fields = shape.fields;
    d->delta = true;
    for (const Edit& e : edits) {
      std::vector<Variant> row = e.original.empty() ? std::vector<Variant>(shape.fields.size()) : e.original;
      for (const auto& [name, value] : e.changes) row.at(shape.fieldIndex(name)) = value;
      d->kinds.push_back(e.kind);
      d->rows.push_back(row);
      d->original.push_back(e.kind == ChangeKind::Inserted ? std::vector<Variant>{} : e.original);
    }
    return d;
  }
  std::string upd(PacketPtr delta, const std::string& nulls = "") {
    return net.Call("UpdServico", {Variant(delta), nulls}).str();
  }

  test::InProcessServer server;
  TNetConnection net;
};

TEST_P(ServicoTest, ParamGeralAndServiceListShape) {
  std::string param = net.Call("getParamGeral").str();
  EXPECT_NE(param.find("\"IDUTCARDPADR\":\"N\""), std::string::npos) << param;
  EXPECT_NE(param.find("\"CDGRUPRODFAT\":null"), std::string::npos) << param;

  PacketPtr p = services("0001");
  const char* order[] = {"CDSERVFILI", "NMSERVICO", "NMFANTASSERV", "CDGRUPSERV", "HRINICATEN", "QTCOMESTISEG"};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(p->fields[i].name, order[i]);
  ASSERT_EQ(p->fields.size(), 67u);
  EXPECT_EQ(p->fields[p->fieldIndex("QTDOAESTIFER")].type, FieldType::Float);
  EXPECT_EQ(p->fields.back().name, "IDBLOQINCPRODRETIPLA");
  EXPECT_TRUE(p->fields[p->fieldIndex("IDCARDDESCENTR")].fixedChar);
  ASSERT_EQ(p->rowCount(), 4u);
  EXPECT_EQ(p->value(0, "CDSERVFILI").str(), "00001");
  EXPECT_EQ(p->value(3, "CDSERVFILI").str(), "00090");
  EXPECT_EQ(p->value(0, "NMGRUPSERV").str(), "Refeições Principais");
  EXPECT_EQ(p->value(0, "NMROTATRANS").str(), "Rota Centro - Av. Paulista");
  EXPECT_FALSE(p->value(0, "NMPRODUTO").isNull());
  EXPECT_FALSE(p->value(0, "CDARVPROD").isNull());
  EXPECT_TRUE(p->value(0, "QTCOMESTISEG").isFloat());
  EXPECT_TRUE(p->value(3, "QTCOMESTISEG").isNull());
  EXPECT_EQ(services("0003")->value(0, "NMSERPADDIE").str(), "Enfermaria");

  PacketPtr group = services("0001", "002");
  ASSERT_EQ(group->rowCount(), 1u);
  EXPECT_EQ(group->value(0, "CDSERVFILI").str(), "00003");
  EXPECT_EQ(services("9999")->rowCount(), 0u);
}

TEST_P(ServicoTest, InsertModifyDeleteWithNullFieldList) {
  PacketPtr list = services("0001");
  const std::vector<Variant>& almoco = list->rows[0];
  PacketPtr delta = changeSet(*list, {
      {ChangeKind::Inserted, {}, {{"CDFILIAL", "0001"}, {"CDSERVFILI", "00050"}, {"NMSERVICO", "Ceia"},
                                  {"IDTIPOSERV", "N"}, {"IDSERVTRAN", "N"}, {"IDSERVATIV", "S"},
                                  {"QTCLIESTISEG", 12.5}, {"HRENTREGA", ""}, {"IDBLOQALTPRA", "S"},
                                  {"NMPRODUTO", "não é coluna"}, {"CDSERPADDIE", ""}}},
      {ChangeKind::Modified, almoco, {{"NMSERVICO", "Almoço Executivo"}, {"IDBLOQALTPRA", "S"}}},
  });
  EXPECT_EQ(upd(delta, "_NMFANTASSERV_HRENTREGA"), "");

  db::ResultSet rs = stored("CDFILIAL = '0001' AND CDSERVFILI IN ('00001', '00050')");
  ASSERT_EQ(rs.rows.size(), 2u);
  EXPECT_EQ(rs.rows[0][1].str(), "Almoço Executivo");
  EXPECT_TRUE(rs.rows[0][2].isNull());         // NMFANTASSERV named in the null list
  EXPECT_TRUE(rs.rows[0][3].isNull());         // HRENTREGA too
  EXPECT_EQ(rs.rows[0][4].asString(), "N");    // IDBLOQALTPRA is never written by this save
  EXPECT_EQ(rs.rows[1][1].str(), "Ceia");
  EXPECT_TRUE(rs.rows[1][4].isNull());
  EXPECT_EQ(rs.rows[1][5].asFloat(), 12.5);
  EXPECT_TRUE(rs.rows[1][6].isNull());         // an empty optional code is stored as null

  PacketPtr again = services("0001");
  int ceia = -1;
  for (size_t r = 0; r < again->rowCount(); ++r)
    if (again->value(r, "CDSERVFILI").str() == "00050") ceia = static_cast<int>(r);
  ASSERT_GE(ceia, 0);
  EXPECT_EQ(upd(changeSet(*again, {{ChangeKind::Deleted, again->rows[ceia], {}}})), "");
  EXPECT_TRUE(stored("CDSERVFILI = '00050'").rows.empty());
}

TEST_P(ServicoTest, StaleChangeAndForeignBranchWriteNothing) {
  PacketPtr list = services("0001");
  PacketPtr first = changeSet(*list, {{ChangeKind::Modified, list->rows[1], {{"NMSERVICO", "Jantar A"}}}});
  PacketPtr second = changeSet(*list, {
      {ChangeKind::Inserted, {}, {{"CDFILIAL", "0001"}, {"CDSERVFILI", "00051"}, {"NMSERVICO", "Novo"},
                                  {"IDTIPOSERV", "N"}, {"IDSERVTRAN", "N"}, {"IDSERVATIV", "N"}}},
      {ChangeKind::Modified, list->rows[1], {{"NMSERVICO", "Jantar B"}}},  // read before `first`
  });
  EXPECT_EQ(upd(first), "");
  EXPECT_EQ(upd(second), "O registro foi alterado por outro usuário. Recarregue os dados e tente novamente.");
  EXPECT_EQ(stored("CDFILIAL = '0001' AND CDSERVFILI = '00002'").rows.at(0)[1].str(), "Jantar A");
  EXPECT_TRUE(stored("CDSERVFILI = '00051'").rows.empty());

  // JOAO works on 0001 but not on 0002: a change set touching 0002 is refused as a whole.
  server.setOperator("JOAO");
  PacketPtr other = services("0002");
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

INSTANTIATE_TEST_SUITE_P(Db, ServicoTest, ::testing::ValuesIn(test::backends()), test::BackendName());

}  // namespace
}  // namespace cad
