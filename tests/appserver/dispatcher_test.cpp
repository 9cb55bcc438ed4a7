// The dispatcher and the generic change-set applier on both database backends: error replies for
// every malformed call, by-reference arguments, one transaction per update (refusals and errors
// roll back), and change sets refused as a whole when a row is stale.
#include <gtest/gtest.h>

#include "appserver/changeset.h"
#include "appserver/dispatcher.h"
#include "platform/core/errors.h"
#include "platform/core/packet.h"
#include "platform/db/database.h"
#include "platform/db/pool.h"
#include "platform/net/codec.h"
#include "tests/support/support.h"

namespace cad::appserver {
namespace {

const std::vector<FieldDef> kFields = {
    {"CDFILIAL", FieldType::String, 4, false, false},   {"CDITEM", FieldType::String, 5, false, false},
    {"NMITEM", FieldType::String, 40, false, false},    {"QTITEM", FieldType::Float, 0, false, false},
    {"NMEXIBIDO", FieldType::String, 40, false, false}, {"DSPROTEGIDO", FieldType::String, 10, false, false}};

struct Change {
  ChangeKind kind;
  std::vector<Variant> row, original;
};

PacketPtr changeSet(const std::vector<Change>& changes) {
  auto p = std::make_shared<Packet>();
  p->fields = kFields;
  p->delta = true;
  for (const auto& c : changes) {
    p->kinds.push_back(c.kind);
    p->rows.push_back(c.kind == ChangeKind::Deleted ? c.original : c.row);
    p->original.push_back(c.original);
  }
  return p;
}

class DispatcherTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    pool = std::make_unique<db::Pool>(test::freshDatabaseUrl(GetParam()), 2);
    auto db = pool->acquire();
    db->execScript(
        "CREATE TABLE ITEM (CDFILIAL VARCHAR(4) NOT NULL, CDITEM VARCHAR(5) NOT NULL, NMITEM VARCHAR(40),"
        " QTITEM FLOAT, DSPROTEGIDO VARCHAR(10), PRIMARY KEY (CDFILIAL, CDITEM))");
    db->execScript("CREATE TABLE OPERADOR (CDOPERADOR VARCHAR(12) PRIMARY KEY, IDATIVO CHAR(1))");
    db->exec("INSERT INTO OPERADOR VALUES ('ana', 'S')");  // the dispatcher serves known operators only
    db->exec("INSERT INTO ITEM VALUES ('0001', '00001', 'Almoço', 10.5, 'x')");
    db->exec("INSERT INTO ITEM VALUES ('0001', '00002', 'Jantar', NULL, 'y')");

    reg.add({"Teste.rdm", "Echo", "sfdpv", {0, 4}, false, [](CallContext& ctx, VariantArray& a) {
               a[0] = a[0].str() + "!";
               a[4] = ctx.operatorName;
               return Variant(VariantArray{a[1], a[2]});
             }});
    reg.add({"Teste.rdm", "Insere", "s", {}, true, [](CallContext& ctx, VariantArray& a) -> Variant {
               ctx.db.exec("INSERT INTO ITEM (CDFILIAL, CDITEM, NMITEM) VALUES ('0009', :C, 'novo')", {{"C", a[0]}});
               if (a[0].str() == "texto") return "Recusado pelo servidor.";
               if (a[0].str() == "check") return checkFail("Recusado.");
               if (a[0].str() == "erro") throw Exception("Falhou no meio.");
               return checkOk(1);
             }});
    reg.add({"Teste.rdm", "UpdItem", "ps", {}, true, [](CallContext& ctx, VariantArray& a) {
               static const TableSpec table{"ITEM", {"CDFILIAL", "CDITEM"}, {"DSPROTEGIDO"}};
               return Variant(applyChangeSet(ctx.db, table, a[0].asPacket(), splitNullFieldList(a[1].str())));
             }});
    dispatcher = std::make_unique<Dispatcher>(*pool, reg);
  }

  net::Reply call(const std::string& method, VariantArray args) {
    return net::decodeReply(dispatcher->handle(net::encodeRequest({"TESTE.RDM", method, std::move(args)}), "ana"));
  }
  std::string fault(const std::string& body) {
    net::Reply r = net::decodeReply(dispatcher->handle(body, "ana"));
    EXPECT_TRUE(r.isFault) << body;
    return r.fault;
  }
  db::ResultSet rows(const std::string& where = "1 = 1") {
    return pool->acquire()->query("SELECT CDITEM, NMITEM, QTITEM, DSPROTEGIDO FROM ITEM WHERE " + where +
                                  " ORDER BY CDFILIAL, CDITEM");
  }

  std::unique_ptr<db::Pool> pool;
  Registry reg;
  std::unique_ptr<Dispatcher> dispatcher;
};

TEST_P(DispatcherTest, MalformedCallsAnswerFaults) {
  EXPECT_EQ(fault("{\"server\":"),
            "Requisição inválida: JSON inválido (posição 10): fim inesperado do texto; esperado um texto.");
  EXPECT_EQ(fault(R"({"server":"Outro","method":"Echo","args":[]})"), "Servidor de aplicação desconhecido: Outro.");
  EXPECT_EQ(fault(R"({"server":"Teste.rdm","method":"Nada","args":[]})"), "Método desconhecido: Teste.rdm.Nada.");
  EXPECT_EQ(fault(R"({"server":"Teste.rdm","method":"Echo","args":["a"]})"),
            "O método Echo espera 5 argumento(s); recebeu 1.");
  EXPECT_EQ(fault(R"({"server":"Teste.rdm","method":"Echo","args":["a","1",{"$date":"2026-01-01"},null,1]})"),
            "O argumento 2 de Echo deve ser número; recebeu texto.");
  EXPECT_EQ(fault(R"({"server":"Teste.rdm","method":"UpdItem","args":["x",""]})"),
            "O argumento 1 de UpdItem deve ser pacote; recebeu texto.");
  auto plain = std::make_shared<Packet>();
  plain->fields = kFields;
  EXPECT_TRUE(call("UpdItem", {Variant(PacketPtr(plain)), ""}).isFault);
}

TEST_P(DispatcherTest, WritesBackByReferenceArgumentsOnly) {
  auto p = std::make_shared<Packet>();
  net::Reply r = call("echo", {Variant(), 2, DateTime::fromDate(2026, 3, 1), Variant(PacketPtr(p)), "x"});
  ASSERT_FALSE(r.isFault) << r.fault;
  ASSERT_EQ(r.out.size(), 2u);
  EXPECT_EQ(r.out[0].first, 0);
  EXPECT_EQ(r.out[0].second.str(), "!");  // a null text arrives as ""
  EXPECT_EQ(r.out[1].second.str(), "ana");
  EXPECT_EQ(r.result.asArray().at(1).asDateTime().iso(), "2026-03-01");
}

TEST_P(DispatcherTest, UpdatesCommitOnlyWhenAccepted) {
  EXPECT_EQ(call("Insere", {"texto"}).result.str(), "Recusado pelo servidor.");
  EXPECT_TRUE(call("Insere", {"check"}).result.asArray().at(0) == Variant(false));
  EXPECT_EQ(call("Insere", {"erro"}).fault, "Falhou no meio.");
  EXPECT_TRUE(rows("CDFILIAL = '0009'").rows.empty());
  EXPECT_TRUE(call("Insere", {"ok"}).result.asArray().at(0) == Variant(true));
  EXPECT_EQ(rows("CDFILIAL = '0009'").rows.size(), 1u);
}

TEST_P(DispatcherTest, ChangeSetInsertModifyDeleteWithNullsAndProtectedColumns) {
  auto cs = changeSet({
      {ChangeKind::Inserted, {"0001", "00003", "", 2, "exibido", "z"}, {}},
      {ChangeKind::Modified,
       {"0001", "00001", "Almoço executivo", 10.5, "outro", "w"},
       {"0001", "00001", "Almoço", 10.5, "exibido", "x"}},
      {ChangeKind::Deleted, {}, {"0001", "00002", "Jantar", Variant(), Variant(), "y"}},
  });
  net::Reply r = call("UpdItem", {Variant(PacketPtr(cs)), "_QTITEM"});
  ASSERT_FALSE(r.isFault) << r.fault;
  EXPECT_EQ(r.result.str(), "");
  db::ResultSet rs = rows();
  ASSERT_EQ(rs.rows.size(), 2u);
  EXPECT_EQ(rs.rows[0][1].str(), "Almoço executivo");
  EXPECT_TRUE(rs.rows[0][2].isNull());  // forced null
  EXPECT_EQ(rs.rows[0][3].str(), "x");  // protected column untouched
  EXPECT_EQ(rs.rows[1][0].str(), "00003");
  EXPECT_TRUE(rs.rows[1][1].isNull());  // "" is stored as null
  EXPECT_TRUE(rs.rows[1][3].isNull());  // protected column not inserted
}

TEST_P(DispatcherTest, StaleOrVanishedRowRefusesTheWholeChangeSet) {
  const Change goodInsert{ChangeKind::Inserted, {"0001", "00004", "Lanche", 1, Variant(), Variant()}, {}};
  const Change stale{ChangeKind::Modified,
                     {"0001", "00001", "Outro nome", 10.5, Variant(), "x"},
                     {"0001", "00001", "Almoço", 99.0, Variant(), "x"}};  // someone changed QTITEM
  const Change vanished{ChangeKind::Deleted, {}, {"0001", "00077", "Sumiu", Variant(), Variant(), Variant()}};
  const Change duplicate{ChangeKind::Inserted, {"0001", "00002", "Repetido", 1, Variant(), Variant()}, {}};
  for (const Change& bad : {stale, vanished}) {
    net::Reply r = call("UpdItem", {Variant(changeSet({goodInsert, bad})), ""});
    EXPECT_EQ(r.result.str(), kChangedByOther);
  }
  EXPECT_EQ(call("UpdItem", {Variant(changeSet({goodInsert, duplicate})), ""}).result.str(), kAlreadyStored);
  db::ResultSet rs = rows();
  ASSERT_EQ(rs.rows.size(), 2u);  // the good insert was rolled back with the refusal
  EXPECT_EQ(rs.rows[0][1].str(), "Almoço");

  // Null and "" read the same; a float that travelled through JSON still matches.
  const Change fresh{ChangeKind::Modified,
                     {"0001", "00002", "Jantar leve", Variant(), Variant(), ""},
                     {"0001", "00002", "Jantar", "", Variant(), "y"}};
  net::Reply wire = net::decodeReply(
      dispatcher->handle(net::encodeRequest({"Teste.rdm", "UpdItem", {Variant(changeSet({fresh})), ""}}), "ana"));
  EXPECT_EQ(wire.result.str(), "");
  EXPECT_EQ(rows("CDITEM = '00002'").rows.at(0)[1].str(), "Jantar leve");
}

TEST_P(DispatcherTest, ChangeSetColumnsComeFromTheTableOnly) {
  auto p = std::make_shared<Packet>();
  p->fields = {{"CDFILIAL", FieldType::String, 4, false, false},
               {"CDITEM", FieldType::String, 5, false, false},
               {"NMITEM = 'x'; DROP TABLE ITEM; --", FieldType::String, 5, false, false}};
  p->delta = true;
  p->kinds = {ChangeKind::Inserted};
  p->rows = {{"0001", "00005", "a"}};
  p->original = {{}};
  EXPECT_EQ(call("UpdItem", {Variant(PacketPtr(p)), "_NMITEM = 'x'; DROP TABLE ITEM; --"}).result.str(), "");
  EXPECT_EQ(rows().rows.size(), 3u);

  p->fields[1].name = "CDOUTRO";  // without the whole key nothing can be applied
  EXPECT_NE(call("UpdItem", {Variant(PacketPtr(p)), ""}).fault.find("sem a coluna de chave CDITEM"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Db, DispatcherTest, ::testing::ValuesIn(test::backends()), test::BackendName());

}  // namespace
}  // namespace cad::appserver
