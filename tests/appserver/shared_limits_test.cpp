// Failed sign-ins are counted in the database, so two server processes on one database (here two
// Sessions objects, which share nothing else) enforce one limit together instead of one each.
#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "appserver/sessions.h"
#include "tests/support/inprocess_server.h"
#include "tests/support/support.h"

namespace cad::appserver {
namespace {

class SharedLimitsTest : public ::testing::TestWithParam<std::string> {
 protected:
  SharedLimitsTest() : server(GetParam()) {
    options.now = [this] { return clock.load(); };
    options.maxFailuresPerOperator = 3;
    options.maxFailuresPerPeer = 4;
  }
  test::InProcessServer server;
  std::atomic<int64_t> clock{1'800'000'000};
  SessionOptions options;
};

TEST_P(SharedLimitsTest, FailuresOnEitherProcessCountTogether) {
  Sessions a(server.pool(), options), b(server.pool(), options);
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

INSTANTIATE_TEST_SUITE_P(Db, SharedLimitsTest, ::testing::ValuesIn(test::backends()), test::BackendName());

}  // namespace
}  // namespace cad::appserver
