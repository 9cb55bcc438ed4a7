// Sign-in and sessions on both backends: the demo passwords, the refusals with their texts, the
// idle expiry on a moved clock, the operator header bound to the session, the failure limits (kept
// in the database, so two server processes on one database enforce one limit together), a new
// password ending sessions, and the whole path through the HTTP front and transport (a call
// without a session refused, an expired session renewed once and the call repeated).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "appserver/httpserver.h"
#include "appserver/sessions.h"
#include "platform/core/errors.h"
#include "platform/net/codec.h"
#include "platform/net/netconnection.h"
#include "platform/net/transport.h"
#include "tests/support/inprocess_server.h"
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
  EXPECT_EQ(server.pool().acquire()->query("SELECT COUNT(*) FROM SESSAOOPER WHERE IDSESSAO = :T", {{"T", ok.token}})
                .rows[0][0].asInt(), 0);

  const std::string tooLong(2000, 'x');
  for (const auto& [op, password] : std::vector<std::pair<std::string, std::string>>{
           {"MARIA", "errada"}, {"NINGUEM", "maria"}, {"MARIA", ""}, {"MARIA", tooLong}}) {
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
  options.idleTimeout = std::chrono::seconds(600);
  options.touchInterval = std::chrono::seconds(60);
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

  // Use within the idle time keeps it alive; the last use is recorded at most once a minute.
  clock += 500;
  EXPECT_TRUE(s.verify(token, "").ok);
  clock += 500;
  EXPECT_TRUE(s.verify(token, "").ok);
  clock += 601;
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

TEST_P(SessionsTest, FailuresAreLimitedPerOperatorAndPerPeer) {
  options.maxFailuresPerOperator = 3;
  options.maxFailuresPerPeer = 5;
  options.failureWindow = std::chrono::seconds(300);
  Sessions s = make();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(s.login("MARIA", "x", "10.0.0.1").status, 401u);
  // The right password no longer helps within the window, from any address.
  AuthResult limited = s.login("MARIA", "maria", "10.0.0.9");
  EXPECT_EQ(limited.status, 429u);
  EXPECT_EQ(limited.text, kLoginTooMany);
  // Another operator from that address still may (two failures left for the address)...
  EXPECT_TRUE(s.login("ADMIN", "admin", "10.0.0.1").ok);
  EXPECT_EQ(s.login("JOAO", "x", "10.0.0.1").status, 401u);
  EXPECT_EQ(s.login("JOAO", "x", "10.0.0.1").status, 401u);
  // ...until the address has used up its own limit.
  EXPECT_EQ(s.login("ADMIN", "admin", "10.0.0.1").status, 429u);
  clock += 301;
  EXPECT_TRUE(s.login("MARIA", "maria", "10.0.0.1").ok);
}

TEST_P(SessionsTest, FailuresOnEitherProcessCountTogether) {
  options.maxFailuresPerOperator = 3;
  options.maxFailuresPerPeer = 4;
  Sessions a = make(), b = make();  // two processes: they share nothing but the database
  EXPECT_EQ(a.login("MARIA", "x", "10.0.0.1").status, 401u);
  EXPECT_EQ(b.login("maria", "y", "10.0.0.2").status, 401u);
  EXPECT_EQ(a.login("MARIA", "z", "10.0.0.3").status, 401u);
  EXPECT_EQ(b.login("MARIA", "maria", "10.0.0.4").status, 429u);
  EXPECT_EQ(a.login("MARIA", "maria", "10.0.0.4").status, 429u);

  // The address: two failures through each process use up its four.
  EXPECT_EQ(a.login("JOAO", "x", "10.0.0.9").status, 401u);
  EXPECT_EQ(a.login("ADMIN", "x", "10.0.0.9").status, 401u);
  EXPECT_EQ(b.login("NINGUEM", "x", "10.0.0.9").status, 401u);
  EXPECT_EQ(b.login("JOAO", "x", "10.0.0.9").status, 401u);
  EXPECT_EQ(a.login("ADMIN", "admin", "10.0.0.9").status, 429u);
  EXPECT_TRUE(b.login("ADMIN", "admin", "10.0.0.8").ok);

  // A new window starts from nothing on both, and only the current window's counts are kept.
  clock += 301;
  EXPECT_EQ(b.login("MARIA", "x", "10.0.0.1").status, 401u);
  EXPECT_TRUE(a.login("MARIA", "maria", "10.0.0.9").ok);
  EXPECT_EQ(server.pool().acquire()->query("SELECT COUNT(*) FROM FALHAENTRADA").rows.at(0).at(0).asInt(), 1);
}

TEST_P(SessionsTest, NewPasswordReplacesTheOldAndEndsOpenSessions) {
  options.cacheTime = std::chrono::seconds(0);
  Sessions s = make();
  std::string token = s.login("JOAO", "joao", "p").token;
  setPassword(*server.pool().acquire(), "joao", "nova senha longa");
  EXPECT_EQ(s.verify(token, "").text, kSessionMissing);
  EXPECT_FALSE(s.login("JOAO", "joao", "p").ok);
  EXPECT_TRUE(s.login("JOAO", "nova senha longa", "p").ok);
  EXPECT_THROW(setPassword(*server.pool().acquire(), "NINGUEM", "x"), Exception);
  EXPECT_THROW(setPassword(*server.pool().acquire(), "JOAO", ""), Exception);
}

// Through the HTTP front and the client transport.
TEST_P(SessionsTest, OverHttpCallsNeedASessionAndAnExpiredOneIsRenewedOnce) {
  options.idleTimeout = std::chrono::seconds(60);
  options.cacheTime = std::chrono::seconds(0);
  Sessions sessions = make();
  HttpServerOptions front;
  front.sessions = &sessions;
  HttpServer http(server.dispatcher().handler(), front);
  int port = http.bind("127.0.0.1", 0);
  std::thread serving([&] { http.run(); });
  http.waitUntilReady();

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
  http.stop();
  serving.join();
}

INSTANTIATE_TEST_SUITE_P(Db, SessionsTest, ::testing::ValuesIn(test::backends()), test::BackendName());

}  // namespace
}  // namespace cad::appserver
