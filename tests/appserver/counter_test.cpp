// Counters of SEQUENCIA taken by many transactions at once, each on its own connection (as
// several workers or server processes would): every number is handed out once, the counter that
// did not exist yet is created by exactly one of them, and a rolled-back transaction gives its
// number back.
#include <gtest/gtest.h>

#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "appserver/helpers.h"
#include "platform/db/database.h"
#include "tests/support/support.h"

namespace cad {
namespace {

class CounterTest : public ::testing::TestWithParam<std::string> {
 protected:
  std::string url_ = test::freshDemoDatabase(GetParam());
};

TEST_P(CounterTest, ConcurrentTakersGetDistinctConsecutiveNumbers) {
  struct Case {
    const char* name;
    const char* first;   // value of a counter created now
    long long expected;  // first number handed out
  };
  // A new counter starting at 1; the restriction counter, missing, starting after the highest
  // restriction stored (the demo data has 2); an existing counter continuing from its value.
  const Case cases[] = {{"NOVO", "1", 1},
                        {"RESTEMBTPPRAT", "(SELECT COALESCE(MAX(NRRESTEMBTPPRAT), 0) + 1 FROM RESTEMBTPPRAT)", 3},
                        {"LISTCUSTPADR", "1", 1}};
  db::open(url_)->exec("DELETE FROM SEQUENCIA WHERE NMSEQUENCIA = 'RESTEMBTPPRAT'");
  constexpr int kThreads = 4, kTakes = 10, kTaken = kThreads * kTakes;
  for (const Case& c : cases) {
    std::set<long long> taken;
    std::vector<std::string> errors;
    std::mutex mutex;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
      threads.emplace_back([&] {
        auto db = db::open(url_);
        for (int i = 0; i < kTakes; ++i) {
          try {
            db::Transaction tx(*db);
            long long n = appserver::takeCounter(*db, c.name, c.first);
            tx.commit();
            std::lock_guard<std::mutex> lock(mutex);
            if (!taken.insert(n).second) errors.push_back("repetido: " + std::to_string(n));
          } catch (const std::exception& e) {
            std::lock_guard<std::mutex> lock(mutex);
            errors.push_back(e.what());
          }
        }
      });
    for (auto& th : threads) th.join();
    EXPECT_TRUE(errors.empty()) << c.name << ": " << errors.front();
    ASSERT_EQ(taken.size(), static_cast<size_t>(kTaken)) << c.name;
    EXPECT_EQ(*taken.begin(), c.expected) << c.name;
    EXPECT_EQ(*taken.rbegin(), c.expected + kTaken - 1) << c.name;  // no gap, no repeat
  }
}

TEST_P(CounterTest, RolledBackTakeIsGivenBack) {
  auto db = db::open(url_);
  {
    db::Transaction tx(*db);
    EXPECT_EQ(appserver::takeCounter(*db, "OUTRO"), 1);
  }
  db::Transaction tx(*db);
  EXPECT_EQ(appserver::takeCounter(*db, "OUTRO"), 1);
  EXPECT_EQ(appserver::takeCounter(*db, "OUTRO"), 2);
  tx.commit();
}

INSTANTIATE_TEST_SUITE_P(Db, CounterTest, ::testing::ValuesIn(test::backends()), test::BackendName());

}  // namespace
}  // namespace cad
