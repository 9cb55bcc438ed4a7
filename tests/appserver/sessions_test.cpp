// Sign-in and sessions on both backends: the demo passwords, the refusals with their texts, the
// idle expiry from the last call on a moved clock, the operator header bound to the session, the
// attempt limits (counted before the check and kept in the database, so two server processes on
// one database enforce one limit together; the operator's own limit only delays), an unknown
// operator costing a password check, a new password ending sessions, and the whole path through
// the HTTP front and transport (a call without a session refused, an expired session renewed once
// and the call repeated, a burst of sign-ins on loopback getting one check).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <thread>
#include <vector>

#include "appserver/httpserver.h"
#include "appserver/sessions.h"
#include "platform/core/errors.h"
#include "platform/net/codec.h"
#include "platform/net/netconnection.h"
#include "platform/net/transport.h"
#include "tests/support/inprocess_server.h"
#include "tests/support/loopback_front.h"
#include "tests/support/raw_http.h"
#include "tests/support/support.h"

namespace cad::appserver {
namespace {

class SessionsTest : public ::testing::TestWithParam<std::string> {
 protected:
  SessionsTest() : server(GetParam()) {
    options.now = [this] { return clock.load(); };
  }
  Sessions make() { return Sessions(server.pool(), options); }
  long long rows(const std::string& where) {
    return server.pool().acquire()->query("SELECT COUNT(*) FROM SESSAOOPER WHERE " + where).rows.at(0).at(0).asInt();
  }

  test::InProcessServer server;
  std::atomic<int64_t> clock{1'800'000'000};
  SessionOptions options;
};

TEST_P(SessionsTest, DemoPasswordsSignInAndRefusalsSayWhy) {
  Sessions s = make();
  AuthResult ok = s.login(" maria ", "maria", "10.0.0.1");
  ASSERT_TRUE(ok.ok) << ok.text;
  EXPECT_EQ(ok.operatorName, "MARIA");  // codes are stored upper-case
  EXPECT_EQ(ok.token.size(), 64u);
  // The table holds a hash of the token, never the token.
  EXPECT_EQ(rows("CDOPERADOR = 'MARIA'"), 1);
  EXPECT_EQ(server.pool()
                .acquire()
                ->query("SELECT COUNT(*) FROM SESSAOOPER WHERE IDSESSAO = :T", {{"T", ok.token}})
                .rows[0][0]
                .asInt(),
            0);

  const std::string tooLong(2000, 'x');
  for (const auto& [op, password] : std::vector<std::pair<std::string, std::string>>{
           {"MARIA", "errada"}, {"NINGUEM", "maria"}, {"MARIA", ""}, {"MARIA", tooLong}}) {
    clock += 60;  // past the wait between attempts for one operator from one address
    AuthResult r = s.login(op, password, "10.0.0.1");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.status, 401u);
    EXPECT_EQ(r.text, kLoginInvalid) << op;
  }

  server.pool().acquire()->exec("UPDATE OPERADOR SET IDATIVO = 'N' WHERE CDOPERADOR = 'JOAO'");
  AuthResult inactive = s.login("JOAO", "joao", "10.0.0.2");
  EXPECT_FALSE(inactive.ok);
  EXPECT_EQ(inactive.text, "Operador JOAO inativo: acesso ao servidor recusado.");
  EXPECT_EQ(rows("CDOPERADOR = 'JOAO'"), 0);
}

TEST_P(SessionsTest, SessionRunsAsItsOperatorAndExpiresWhenIdle) {
  options.idleTimeout = std::chrono::seconds(60);
  options.cacheTime = std::chrono::seconds(0);  // every check reads the database
  Sessions s = make();
  std::string token = s.login("ADMIN", "admin", "p").token;

  AuthResult r = s.verify(token, "");
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.operatorName, "ADMIN");
  EXPECT_TRUE(s.verify(token, "admin").ok);
  EXPECT_EQ(s.verify(token, "MARIA").text, kSessionOtherOperator);
  EXPECT_EQ(s.verify("", "ADMIN").text, kSessionMissing);
  EXPECT_EQ(s.verify(std::string(64, 'a'), "ADMIN").text, kSessionMissing);
  // No host token was configured: a guess of an empty one or any other is just a missing session.
  EXPECT_EQ(s.verify("segredo", "ADMIN").text, kSessionMissing);

  // The idle time counts from the last call, whatever the calls before.
  for (int step : {55, 9, 59, 60}) {
    clock += step;
    EXPECT_TRUE(s.verify(token, "").ok) << step;
  }
  // Calls a process answered from memory count too.
  options.cacheTime = std::chrono::seconds(60);
  Sessions trusting = make();
  ASSERT_TRUE(trusting.verify(token, "").ok);
  clock += 50;
  EXPECT_TRUE(trusting.cached(token, "").has_value());
  clock += 50;
  EXPECT_TRUE(trusting.verify(token, "").ok);
  clock += 61;
  AuthResult expired = s.verify(token, "");
  EXPECT_FALSE(expired.ok);
  EXPECT_EQ(expired.text, kSessionExpired);
  EXPECT_EQ(rows("CDOPERADOR = 'ADMIN'"), 0);  // removed with its expiry
  EXPECT_EQ(s.verify(token, "").text, kSessionMissing);

  // Sign-out ends it at once, in every process (the table is shared).
  std::string second = s.login("ADMIN", "admin", "p").token;
  Sessions otherProcess = make();
  EXPECT_TRUE(otherProcess.verify(second, "").ok);
  s.logout(second);
  EXPECT_EQ(otherProcess.verify(second, "").text, kSessionMissing);
}

TEST_P(SessionsTest, HostTokenOnlyWhenConfiguredAndNeedsTheOperatorHeader) {
  options.hostToken = "segredo-do-host";
  Sessions s = make();
  EXPECT_EQ(s.verify("segredo-do-host", "JOAO").operatorName, "JOAO");
  EXPECT_FALSE(s.verify("segredo-do-host", "").ok);
  EXPECT_FALSE(s.verify("segredo-do-hosT", "JOAO").ok);
}

// Attempts are counted before their check, by two processes together: per operator and address
// each waits for the one before (doubling), per address a limit refuses, per operator a limit only
// delays the check, and a success clears the operator's counts.
TEST_P(SessionsTest, AttemptsAreCountedBeforeTheCheckAndTheOperatorLimitOnlyDelays) {
  options.maxFailuresPerOperator = 3;
  options.maxFailuresPerPeer = 6;
  options.firstPairWait = std::chrono::seconds(1);
  options.maxPairWait = std::chrono::seconds(4);
  options.firstOperatorWait = std::chrono::milliseconds(100);
  options.maxOperatorWait = std::chrono::milliseconds(400);
  Sessions a = make(), b = make();  // two processes: they share nothing but the database
  auto admitted = [](const Sessions::Attempt& at) { return !at.refusal.has_value(); };

  // One operator from one address: each attempt has its turn 1, 2, 4, 4 s after the one before; one
  // sent up to a second early waits for its turn, one sent earlier still is refused unchecked.
  auto joao = [&](Sessions& s) { return s.beginLogin("joao", "10.0.0.1"); };
  EXPECT_EQ(joao(a).wait.count(), 0);
  EXPECT_EQ(joao(b).wait.count(), 1000);  // its turn: a second after the first
  for (int wait : {2, 4, 4}) {
    Sessions::Attempt early = joao(a);
    ASSERT_TRUE(early.refusal) << wait;
    EXPECT_EQ(early.refusal->status, 429u);
    EXPECT_EQ(early.refusal->text, kLoginTooMany);
    clock += wait;
    EXPECT_EQ(joao(b).wait.count(), 1000) << wait;  // a second early again
  }
  // Another address for that operator, another operator from that address: not held up.
  EXPECT_TRUE(admitted(b.beginLogin("ADMIN", "10.0.0.1")));

  // The address: its 6 attempts in the window, for any operators, are used up.
  clock += 301;  // a new window
  for (const char* op : {"A", "B", "C", "D", "E", "F"}) EXPECT_TRUE(admitted(a.beginLogin(op, "10.0.0.2")));
  EXPECT_EQ(b.login("MARIA", "maria", "10.0.0.2").status, 429u);
  EXPECT_TRUE(b.login("MARIA", "maria", "10.0.0.3").ok);

  // The operator: past 3 attempts from anywhere, each waits 100, 200, 400, 400 ms before its check,
  // and the right password still signs in; the success clears the waits.
  clock += 301;
  const long waits[] = {0, 0, 0, 100, 200, 400, 400};
  for (int i = 0; i < 7; ++i) {
    Sessions::Attempt at = (i % 2 ? a : b).beginLogin("MARIA", "10.1.0." + std::to_string(i));
    ASSERT_TRUE(admitted(at));
    EXPECT_EQ(at.wait.count(), waits[i]) << i;
    if (i == 6)
      EXPECT_TRUE(a.finishLogin(at, "maria").ok);
    else
      EXPECT_EQ(b.finishLogin(at, "errada").status, 401u);
    clock += 1;
  }
  EXPECT_EQ(a.beginLogin("MARIA", "10.1.0.99").wait.count(), 0);

  // Only the current window's counts are kept.
  clock += 301;
  EXPECT_EQ(b.login("JOAO", "x", "10.0.0.9").status, 401u);
  EXPECT_EQ(server.pool().acquire()->query("SELECT COUNT(*) FROM FALHAENTRADA").rows.at(0).at(0).asInt(), 3);
}

TEST_P(SessionsTest, AnUnknownOperatorCostsAPasswordCheck) {
  Sessions s = make();
  auto took = [&](const char* op, const std::string& peer) {
    Sessions::Attempt at = s.beginLogin(op, peer);
    auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(s.finishLogin(at, "errada").status, 401u);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  };
  double known = 1e9, unknown = 1e9;
  for (int i = 0; i < 3; ++i) {
    known = std::min(known, took("MARIA", "10.0.0." + std::to_string(i)));
    unknown = std::min(unknown, took("NINGUEM", "10.0.1." + std::to_string(i)));
  }
  EXPECT_GT(unknown, known * 0.5) << "desconhecido " << unknown << " s, senha errada " << known << " s";
}

TEST_P(SessionsTest, NewPasswordReplacesTheOldAndEndsOpenSessions) {
  options.cacheTime = std::chrono::seconds(0);
  Sessions s = make();
  std::string token = s.login("JOAO", "joao", "p").token;
  setPassword(*server.pool().acquire(), "joao", "nova senha longa");
  EXPECT_EQ(s.verify(token, "").text, kSessionMissing);
  EXPECT_FALSE(s.login("JOAO", "joao", "p").ok);
  clock += 1;
  EXPECT_TRUE(s.login("JOAO", "nova senha longa", "p").ok);
  EXPECT_THROW(setPassword(*server.pool().acquire(), "NINGUEM", "x"), Exception);
  EXPECT_THROW(setPassword(*server.pool().acquire(), "JOAO", ""), Exception);
}

// Through the HTTP front and the client transport.
TEST_P(SessionsTest, OverHttpCallsNeedASessionAndAnExpiredOneIsRenewedOnce) {
  options.idleTimeout = std::chrono::seconds(60);
  options.cacheTime = std::chrono::seconds(0);
  Sessions sessions = make();
  test::LoopbackFront front(server, sessions);
  int port = front.port();

  auto callAs = [&](net::HttpOptions o) {
    net::setTransportFactory(net::httpTransportFactory(std::move(o)));
    TNetConnection c;
    c.ServerName = "Ger04100.rdmCadastroServ";
    c.Host = "127.0.0.1";
    c.Port = port;
    return c.Call("GetAutGrupACPS", {"ADMIN"});
  };
  auto failure = [&](net::HttpOptions o) {
    try {
      callAs(std::move(o));
    } catch (const Exception& e) {
      return std::string(e.what());
    }
    return std::string("(sem erro)");
  };

  EXPECT_EQ(failure({"", "ADMIN"}), kSessionMissing);
  EXPECT_THROW(net::signIn("127.0.0.1", port, "ADMIN", "errada"), Exception);
  clock += 1;  // the next attempt for ADMIN from here waits a second
  net::SignIn in = net::signIn("127.0.0.1", port, "admin", "admin");
  EXPECT_EQ(in.operatorName, "ADMIN");
  EXPECT_TRUE(callAs({in.token, ""}).isArray());
  EXPECT_EQ(failure({in.token, "MARIA"}), kSessionOtherOperator);

  clock += 61;
  int renewals = 0;
  net::HttpOptions o{in.token, "ADMIN"};
  o.renew = [&](const std::string& refused, const std::string& why) {
    ++renewals;
    EXPECT_EQ(refused, in.token);
    EXPECT_EQ(why, kSessionExpired);
    return net::signIn("127.0.0.1", port, "ADMIN", "admin").token;
  };
  EXPECT_TRUE(callAs(o).isArray());
  EXPECT_EQ(renewals, 1);

  // A renewal that fails again raises the server's text instead of looping.
  net::HttpOptions stale{std::string(64, 'b'), "ADMIN"};
  stale.renew = [&](const std::string&, const std::string&) { return std::string(64, 'c'); };
  EXPECT_EQ(failure(stale), kSessionMissing);

  net::setTransportFactory(nullptr);
}

// Sign-ins sent together from one address for one operator get two password checks; from another
// address the operator, past its limit, is only delayed. Also the malformed sign-in with U+0000 and
// the bearer scheme in lower case, through the real front on loopback.
TEST_P(SessionsTest, ABurstOfSignInsGetsTwoChecksAndTheOperatorIsOnlyDelayed) {
  options.maxFailuresPerOperator = 1;
  options.firstOperatorWait = std::chrono::milliseconds(300);
  Sessions sessions = make();
  test::LoopbackFront front(server, sessions);
  int port = front.port();
  auto signIn = [](const std::string& json) {
    return "POST /login HTTP/1.1\r\nHost: x\r\nContent-Type: application/json\r\nContent-Length: " +
           std::to_string(json.size()) + "\r\n\r\n" + json;
  };
  auto attempt = [&](const std::string& password) {
    return signIn(R"({"operator":"MARIA","password":")" + password + R"("})");
  };

  std::vector<std::unique_ptr<test::RawHttp>> burst;
  for (int i = 0; i < 12; ++i) burst.push_back(std::make_unique<test::RawHttp>(port, "127.0.0.2"));
  for (auto& c : burst) ASSERT_TRUE(c->send(attempt("errada")));
  std::map<int, int> statuses;
  for (auto& c : burst) ++statuses[c->read(std::chrono::seconds(30)).status];
  EXPECT_EQ(statuses[401], 2);  // the first and the one that waited for its turn
  EXPECT_EQ(statuses[429], 10);

  auto begin = std::chrono::steady_clock::now();
  test::RawHttp other(port, "127.0.0.3");
  ASSERT_TRUE(other.send(attempt("maria")));
  test::RawHttp::Response in = other.read(std::chrono::seconds(30));
  ASSERT_EQ(in.status, 200) << in.body;
  EXPECT_GE(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(300));

  test::RawHttp nul(port);
  ASSERT_TRUE(nul.send(signIn(R"({"operator":"MA\u0000RIA","password":"maria"})")));
  test::RawHttp::Response refused = nul.read(std::chrono::seconds(10));
  EXPECT_EQ(refused.status, 400);
  EXPECT_NE(refused.body.find("Entrada malformada"), std::string::npos) << refused.body;

  std::string token = in.body.substr(in.body.find("\"token\":\"") + 9, 64);
  std::string call = net::encodeRequest({"Ger04100.rdmCadastroServ", "GetAutGrupACPS", {Variant("MARIA")}});
  test::RawHttp lower(port);
  ASSERT_TRUE(lower.send("POST /rpc HTTP/1.1\r\nHost: x\r\nAuthorization: bearer " + token +
                         "\r\nContent-Length: " + std::to_string(call.size()) + "\r\n\r\n" + call));
  EXPECT_EQ(lower.read(std::chrono::seconds(10)).status, 200);
}

INSTANTIATE_TEST_SUITE_P(Db, SessionsTest, ::testing::ValuesIn(test::backends()), test::BackendName());

}  // namespace
}  // namespace cad::appserver
