#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/db/pool.h"
#include "tests/support/support.h"

namespace cad::db {
namespace {

class PoolTest : public ::testing::TestWithParam<std::string> {};

TEST_P(PoolTest, ThreadsShareALimitedSetOfConnections) {
  Pool pool(test::freshDatabaseUrl(GetParam()), 2);
  pool.acquire()->execScript("CREATE TABLE CONTA (CDTHREAD INTEGER NOT NULL, NRITEM INTEGER NOT NULL)");
  std::atomic<int> inUse{0}, peak{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 10; ++i) {
        auto db = pool.acquire();
        int now = ++inUse;
        int seen = peak.load();
        while (now > seen && !peak.compare_exchange_weak(seen, now)) {
        }
        Transaction tx(*db);
        db->exec("INSERT INTO CONTA VALUES (:T, :I)", {{"T", t}, {"I", i}});
        tx.commit();
        --inUse;
      }
    });
  for (auto& th : threads) th.join();
  EXPECT_LE(peak.load(), 2);
  EXPECT_LE(pool.openConnections(), 2u);
  EXPECT_EQ(pool.acquire()->query("SELECT COUNT(*) AS N FROM CONTA").rows[0][0].asInt(), 40);
}

TEST_P(PoolTest, AConnectionReturnedMidTransactionIsRolledBack) {
  Pool pool(test::freshDatabaseUrl(GetParam()), 1);
  pool.acquire()->execScript("CREATE TABLE T (A INTEGER)");
  {
    auto db = pool.acquire();
    db->begin();
    db->exec("INSERT INTO T VALUES (1)");
  }
  auto db = pool.acquire();
  EXPECT_FALSE(db->inTransaction());
  EXPECT_EQ(db->query("SELECT COUNT(*) AS N FROM T").rows[0][0].asInt(), 0);
}

INSTANTIATE_TEST_SUITE_P(Db, PoolTest, ::testing::ValuesIn(test::backends()), test::BackendName());

TEST(Pool, MemoryDatabaseKeepsOneConnectionAndFailedOpensFreeTheirSlot) {
  Pool mem("sqlite::memory:", 4);
  EXPECT_EQ(mem.maxConnections(), 1u);
  Pool bad("sqlite:/nonexistent-dir/x.db", 1);
  EXPECT_THROW(bad.acquire(), Exception);
  EXPECT_THROW(bad.acquire(), Exception);  // would block forever if the slot leaked
  EXPECT_EQ(bad.openConnections(), 0u);
}

}  // namespace
}  // namespace cad::db
