// Two cadserv-server processes on one PostgreSQL database: a session opened on one is accepted by
// the other, and a save racing through both is decided by the stored row (one wins, the other is
// refused with the optimistic-check text and writes nothing). Counters taken at once from several
// connections are checked in appserver/counter_test.cpp. Two processes on one SQLite file is not a
// supported deployment (see appserver/README.md), so these cases run on PostgreSQL only.
#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "appserver/changeset.h"
#include "platform/core/packet.h"
#include "platform/db/database.h"
#include "platform/net/codec.h"
#include "tests/support/server_child.h"
#include "tests/support/support.h"

namespace cad {
namespace {

using namespace std::chrono_literals;

class MultiServerE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    bool pg = false;
    for (const auto& b : test::backends()) pg = pg || b == "postgresql";
    if (!pg) GTEST_SKIP() << "two server processes share a database only on PostgreSQL (CADSERV_TEST_PG_URL unset)";
    db_ = test::freshDatabaseUrl("postgresql");
    // The first process creates the schema and the demo data; the second only opens the database.
    for (bool demo : {true, false}) {
      std::vector<std::string> args{"--db", db_, "--log-level", "warn"};
      if (demo) args.push_back("--demo");
      servers_.push_back(std::make_unique<test::ServerChild>(args));
      ASSERT_GT(servers_.back()->port(), 0) << "saída do servidor: " << servers_.back()->output();
    }
  }
  void TearDown() override {
    for (auto& s : servers_) EXPECT_EQ(s->process().stop(SIGTERM, 30s), 0);
  }

  // Signs in on server i; the session token ("" when refused).
  std::string login(size_t i, const std::string& op, const std::string& password) {
    httplib::Client c("127.0.0.1", servers_.at(i)->port());
    auto res = c.Post("/login", R"({"operator":")" + op + R"(","password":")" + password + R"("})", "application/json");
    if (!res || res->status != 200) return "";
    size_t at = res->body.find(R"("token":")");
    if (at == std::string::npos) return "";
    at += 9;
    return res->body.substr(at, res->body.find('"', at) - at);
  }

  // Calls a method of Ger04100.rdmCadastroServ on server i with the session; the HTTP status in
  // `status` and the decoded reply.
  net::Reply call(size_t i, const std::string& token, const std::string& method, VariantArray args,
                  int* status = nullptr) {
    httplib::Client c("127.0.0.1", servers_.at(i)->port());
    c.set_read_timeout(60, 0);
    httplib::Headers h{{"Authorization", "Bearer " + token}};
    auto res = c.Post("/rpc", h, net::encodeRequest({"Ger04100.rdmCadastroServ", method, std::move(args)}),
                      "application/json");
    if (status) *status = res ? res->status : 0;
    if (!res) return net::Reply{true, "sem resposta", {}, {}};
    return net::decodeReply(res->body);
  }

  // The services of branch 0001 as server i sends them.
  PacketPtr services(size_t i, const std::string& token) {
    net::Reply r = call(i, token, "GetServico", {Variant("0001"), Variant("")});
    EXPECT_FALSE(r.isFault) << r.fault;
    return r.isFault || !r.result.isPacket() ? std::make_shared<Packet>() : r.result.packetPtr();
  }

  std::string db_;
  std::vector<std::unique_ptr<test::ServerChild>> servers_;
};

// A change set renaming the service at row r of `list` (as read) to `name`.
PacketPtr renamed(const Packet& list, size_t r, const std::string& name) {
  auto d = std::make_shared<Packet>();
  d->fields = list.fields;
  d->delta = true;
  std::vector<Variant> row = list.rows.at(r);
  row.at(static_cast<size_t>(list.fieldIndex("NMSERVICO"))) = Variant(name);
  d->kinds.push_back(ChangeKind::Modified);
  d->rows.push_back(row);
  d->original.push_back(list.rows.at(r));
  return d;
}

size_t rowOf(const Packet& p, const std::string& service) {
  for (size_t r = 0; r < p.rowCount(); ++r)
    if (p.value(r, "CDSERVFILI").asString() == service) return r;
  ADD_FAILURE() << "serviço " << service << " ausente";
  return 0;
}

TEST_F(MultiServerE2E, SessionOpenedOnOneServerIsAcceptedByTheOther) {
  std::string token = login(0, "MARIA", "maria");
  ASSERT_FALSE(token.empty());
  int status = 0;
  net::Reply r = call(1, token, "GetServico", {Variant("0001"), Variant("")}, &status);
  EXPECT_EQ(status, 200);
  ASSERT_FALSE(r.isFault) << r.fault;
  EXPECT_GT(r.result.asPacket().rowCount(), 0u);
  // A signed-out session is refused by the other process too, once its few seconds of trust pass.
  httplib::Client a("127.0.0.1", servers_[0]->port());
  auto out = a.Post("/logout", httplib::Headers{{"Authorization", "Bearer " + token}}, "", "application/json");
  ASSERT_TRUE(out);
  std::this_thread::sleep_for(6s);
  call(1, token, "GetServico", {Variant("0001"), Variant("")}, &status);
  EXPECT_EQ(status, 401);
}

TEST_F(MultiServerE2E, RacingSavesThroughBothServersKeepOneAndRefuseTheOther) {
  std::string tokens[2] = {login(0, "ADMIN", "admin"), login(1, "MARIA", "maria")};
  ASSERT_FALSE(tokens[0].empty());
  ASSERT_FALSE(tokens[1].empty());
  db::Params key{{"F", "0001"}, {"S", "00002"}};
  auto stored = db::open(db_);
  // Several rounds, each client reading the service from its own server and saving at the same time.
  for (int round = 0; round < 8; ++round) {
    PacketPtr read[2] = {services(0, tokens[0]), services(1, tokens[1])};
    std::string names[2] = {"Jantar A" + std::to_string(round), "Jantar B" + std::to_string(round)};
    net::Reply replies[2];
    std::thread other([&] {
      replies[1] = call(1, tokens[1], "UpdServico",
                        {Variant(renamed(*read[1], rowOf(*read[1], "00002"), names[1])), Variant("")});
    });
    replies[0] =
        call(0, tokens[0], "UpdServico", {Variant(renamed(*read[0], rowOf(*read[0], "00002"), names[0])), Variant("")});
    other.join();
    int won = -1, refused = 0;
    for (int i = 0; i < 2; ++i) {
      ASSERT_FALSE(replies[i].isFault) << replies[i].fault;
      std::string text = replies[i].result.asString();
      if (text.empty()) {
        won = i;
      } else {
        EXPECT_EQ(text, appserver::kChangedByOther);
        ++refused;
      }
    }
    ASSERT_EQ(refused, 1) << "rodada " << round;
    ASSERT_GE(won, 0);
    db::ResultSet rs = stored->query("SELECT NMSERVICO FROM SERVICO WHERE CDFILIAL = :F AND CDSERVFILI = :S", key);
    EXPECT_EQ(rs.rows.at(0).at(0).asString(), names[won]) << "rodada " << round;
  }
}

}  // namespace
}  // namespace cad
