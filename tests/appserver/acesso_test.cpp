// What the server refuses whoever the client is, on both backends: reads of a branch the operator
// may not work on, inactive and unknown operators, texts holding U+0000; codes stored as they were
// checked (trimmed); a key stored by another transaction between the check and the insert; writers
// queued on SQLite, and a clear, retryable text when another process holds the write lock too long.
#include <gtest/gtest.h>

#include <thread>

#include "appserver/changeset.h"
#include "appserver/dispatcher.h"
#include "platform/core/errors.h"
#include "platform/db/database.h"
#include "tests/appserver/method_fixture.h"

namespace cad {
namespace {

class AcessoTest : public test::MethodTest {
 protected:
  // The server's text of the fault a call raises (without the client's "Erro no servidor de
  // aplicação em … (Método): " in front); "" when the call answers.
  std::string fault(const std::string& method, const std::vector<RpcArg>& args) {
    try {
      call(method, args);
    } catch (const Exception& e) {
      std::string text = e.what();
      std::string head = "(" + method + "): ";
      size_t at = text.find(head);
      return at == std::string::npos ? "(sem prefixo) " + text : text.substr(at + head.size());
    }
    return {};
  }
  PacketPtr services(const std::string& filial) { return call("GetServico", {filial, ""}).packetPtr(); }
  PacketPtr newService(const Packet& shape, const std::string& code, const std::string& group = "") {
    return changeSet(shape, {{ChangeKind::Inserted,
                              {},
                              {{"CDFILIAL", "0001"},
                               {"CDSERVFILI", code},
                               {"NMSERVICO", "Ceia " + code},
                               {"IDTIPOSERV", "N"},
                               {"IDSERVTRAN", "N"},
                               {"IDSERVATIV", "S"},
                               {"CDGRUPSERV", group}}}});
  }
  std::string upd(PacketPtr delta) { return call("UpdServico", {Variant(delta), ""}).str(); }
};

// Every method that reads a branch's data (the branch first), and whether its result is checkable
// (refused as [false, text]) or not (refused as a fault).
struct BranchRead {
  const char* method;
  std::vector<Variant> rest;  // the arguments after the branch
  bool checkable;
};
const BranchRead kBranchReads[] = {
    {"GetServico", {""}, false},
    {"GetConfCard", {"00001"}, false},
    {"GetServFatu", {"00001"}, true},
    {"GetPesqServFatu", {}, true},
    {"verificaEfetServFat", {"00090", "00001"}, true},
    {"GetUtilReqPrat", {}, false},
    {"getParamPlaneja", {}, true},
    {"GetPesqProdFat", {"T"}, false},
    {"GetTurno", {"00001"}, false},
    {"GetTurnoPontEntr", {"00001"}, false},
    {"GetDietPad", {"00010"}, false},
    {"GetDietServ", {"00010", "0001"}, false},
    {"GetCustoPadrao", {"00001"}, false},
    {"GetCustPadr", {"00001"}, false},
    {"GetCustPadrTp", {"00001"}, false},
    {"GetCustPadrAux", {"00001"}, false},
    {"ExisteDistrRest", {"00001"}, true},
    {"GetPontEntr", {"00001"}, false},
    {"GetPEntClie", {"00001"}, true},
    {"GetVerifClie", {"00001", "33444555000181", ""}, true},
    {"GetPesqPontoEntr", {}, true},
    {"GetVerifPontEntr", {"00001", "000001", "004"}, true},
    {"SetPEntClie", {"00001", "000001", "_004_"}, true},
    {"GetMaxCPEntr", {"00001"}, true},
    {"GetPontosEntrega", {"00001"}, true},
    {"GetDadosDistribuicao", {"00001", "", ""}, true},
    {"GetRestricoes", {"00001", "", "", 1.0}, true},
    {"GetHistorico", {"00001", "", "", ""}, false},
};

TEST_P(AcessoTest, ReadsOfAForeignBranchAreRefusedLikeWrites) {
  server.setOperator("JOAO");  // works on 0001 and 0003, not on 0002
  for (const BranchRead& read : kBranchReads) {
    auto args = [&](const std::string& branch) {
      std::vector<RpcArg> a{branch};
      for (const Variant& r : read.rest) a.emplace_back(r);
      return a;
    };
    auto refused = [&](const std::string& branch) {
      return read.checkable ? refusal(call(read.method, args(branch))) : fault(read.method, args(branch));
    };
    SCOPED_TRACE(read.method);
    EXPECT_EQ(fault(read.method, args("0001")), "");
    EXPECT_EQ(refused("0002"), "O operador JOAO não tem acesso à filial 0002.");
    EXPECT_EQ(refused(" 0002 "), "O operador JOAO não tem acesso à filial 0002.");
  }
}

TEST_P(AcessoTest, InactiveAndUnknownOperatorsAreRefused) {
  PacketPtr list = services("0001");
  exec("UPDATE OPERADOR SET IDATIVO = 'N' WHERE CDOPERADOR = 'MARIA'");
  server.setOperator("MARIA");
  const std::string inactive = "Operador MARIA inativo: acesso ao servidor recusado.";
  EXPECT_EQ(fault("GetPadInter", {}), inactive);
  EXPECT_EQ(fault("GetServico", {"0001", ""}), inactive);
  EXPECT_EQ(fault("UpdServico", {Variant(newService(*list, "00077")), ""}), inactive);
  EXPECT_EQ(count("SERVICO", "CDSERVFILI = '00077'"), 0);
  server.setOperator("NINGUEM");
  EXPECT_EQ(fault("GetPadInter", {}), "Operador NINGUEM não cadastrado.");
  exec("UPDATE OPERADOR SET IDATIVO = 'S' WHERE CDOPERADOR = 'MARIA'");
  server.setOperator("MARIA");
  EXPECT_EQ(upd(newService(*list, "00077")), "");
}

TEST_P(AcessoTest, NulInATextIsRefusedAndNothingIsStored) {
  PacketPtr list = services("0001");
  const std::string nul(
      "\0"
      "0077",
      5);
  const std::string prefix = appserver::kNulInText;
  // The code PostgreSQL would have cut to "" and stored.
  EXPECT_EQ(fault("UpdServico", {Variant(newService(*list, nul)), ""}).rfind(prefix + "1 de UpdServico", 0), 0u);
  // Hidden in a value the client read, and in a plain text argument.
  auto stale =
      std::make_shared<Packet>(*changeSet(*list, {{ChangeKind::Modified, list->rows[0], {{"NMSERVICO", "Almoço"}}}}));
  stale->original[0][stale->fieldIndex("NMFANTASSERV")] = Variant("a" + nul);
  EXPECT_EQ(fault("UpdServico", {Variant(stale), ""}).rfind(prefix, 0), 0u);
  EXPECT_EQ(fault("GetServico", {"0001", "0" + nul}), prefix + "2 de GetServico.");
  EXPECT_EQ(count("SERVICO", "CDSERVFILI = '' OR NMSERVICO LIKE 'Ceia%'"), 0);
  // The database layer refuses it too, for callers other than the dispatcher.
  EXPECT_THROW(sql("SELECT 1 FROM SERVICO WHERE NMSERVICO = :N", {{"N", nul}}), db::Error);
}

TEST_P(AcessoTest, CodesAreCheckedAndStoredTrimmed) {
  PacketPtr list = services("0001");
  EXPECT_EQ(upd(newService(*list, " 00077 ", " 002 ")), "");
  db::ResultSet rs = sql("SELECT CDSERVFILI, CDGRUPSERV FROM SERVICO WHERE NMSERVICO = 'Ceia  00077 '");
  ASSERT_EQ(rs.rows.size(), 1u);
  EXPECT_EQ(rs.rows[0][0].str(), "00077");
  EXPECT_EQ(rs.rows[0][1].str(), "002");
  // The same code with other blanks is the same service.
  EXPECT_EQ(upd(newService(*list, "00077 ")), "O serviço 00077 já está cadastrado na filial 0001.");

  PacketPtr shape = call("GetServFatu", {"0001", "00001"}).asArray()[1].packetPtr();
  PacketPtr equiv = changeSet(
      *shape,
      {{ChangeKind::Inserted, {}, {{"CDFILIAL", "0001 "}, {"CDSERVFILI", " 00077"}, {"CDSERVICFATURAM", "00090 "}}}});
  EXPECT_EQ(payload(call("SerServFatu", {Variant(equiv)})).str(), "");
  EXPECT_EQ(count("SERVFATU", "CDFILIAL = '0001' AND CDSERVFILI = '00077' AND CDSERVICFATURAM = '00090'"), 1);
}

// Another connection inserts the same service and commits while the call waits for it. SQLite
// lets one writer in at a time, so the call's own check sees the row; PostgreSQL lets both check
// first, and the insert meets the other's key.
TEST_P(AcessoTest, AKeyStoredMeanwhileIsAClearRefusal) {
  PacketPtr list = services("0001");
  auto other = db::open(server.url());
  other->begin();
  other->exec(
      "INSERT INTO SERVICO (CDFILIAL, CDSERVFILI, NMSERVICO, IDTIPOSERV, IDSERVTRAN, IDSERVATIV)"
      " VALUES ('0001', '00077', 'Ceia da outra conexão', 'N', 'N', 'S')");
  std::string answer;
  std::thread caller([&] {
    try {
      answer = upd(newService(*list, "00077"));
    } catch (const Exception& e) {
      answer = std::string("falha: ") + e.what();
    }
  });
  if (GetParam() == "postgresql") {
    // Commit only once the call waits on the other's key, so both have checked first.
    auto watcher = db::open(server.url());
    for (int i = 0; i < 500; ++i) {
      if (watcher
              ->query("SELECT 1 FROM pg_stat_activity WHERE wait_event_type = 'Lock'"
                      " AND query LIKE 'INSERT INTO SERVICO%'")
              .rows.size() > 0)
        break;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
  }
  other->commit();
  caller.join();
  EXPECT_EQ(answer,
            GetParam() == "sqlite" ? "O serviço 00077 já está cadastrado na filial 0001." : appserver::kAlreadyStored);
  EXPECT_EQ(sql("SELECT NMSERVICO FROM SERVICO WHERE CDSERVFILI = '00077'").rows.at(0).at(0).str(),
            "Ceia da outra conexão");
}

TEST_P(AcessoTest, ConcurrentWritersAllGetThrough) {
  PacketPtr list = services("0001");
  constexpr int kThreads = 6, kEach = 4, kCalls = kThreads * kEach;
  std::vector<std::string> answers(kCalls);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      TNetConnection c;
      c.ServerName = net.ServerName;
      c.Host = net.Host;
      c.Port = net.Port;
      for (int i = 0; i < kEach; ++i) {
        std::string code = "1" + std::to_string(t) + "00" + std::to_string(i);
        try {
          answers[t * kEach + i] = c.Call("UpdServico", {Variant(newService(*list, code)), ""}).str();
        } catch (const Exception& e) {
          answers[t * kEach + i] = std::string("falha: ") + e.what();
        }
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(answers, std::vector<std::string>(kCalls, ""));
  EXPECT_EQ(count("SERVICO", "NMSERVICO LIKE 'Ceia 1%'"), kCalls);
}

// Another process holding SQLite's write lock beyond the busy timeout: the update is a fault that
// says to try again, and trying again after the lock is gone works.
TEST_P(AcessoTest, SqliteWriteLockHeldTooLongGivesARetryableText) {
  if (GetParam() != "sqlite") GTEST_SKIP() << "PostgreSQL has no database-wide write lock";
  PacketPtr list = services("0001");
  auto other = db::open(server.url());
  other->begin();  // BEGIN IMMEDIATE: the write lock
  EXPECT_EQ(fault("UpdServico", {Variant(newService(*list, "00077")), ""}), appserver::kDatabaseBusy);
  other->rollback();
  EXPECT_EQ(upd(newService(*list, "00077")), "");
}

INSTANTIATE_TEST_SUITE_P(Db, AcessoTest, ::testing::ValuesIn(test::backends()), test::BackendName());

}  // namespace
}  // namespace cad
