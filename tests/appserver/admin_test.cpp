// Administration while users work, on PostgreSQL: `cadserv-server senha` and a second server
// starting on the database while several users insert and delete services (each delete removes the
// service's dependents from many tables). Neither side may meet the other: the commands succeed and
// no user's save is refused as busy. (SQLite serves one process, so the case is PostgreSQL's.)
#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <thread>

#include "appserver/dispatcher.h"
#include "platform/core/errors.h"
#include "platform/db/pool.h"
#include "platform/net/codec.h"
#include "tests/appserver/method_fixture.h"
#include "tests/support/child_process.h"
#include "tests/support/server_child.h"

namespace cad {
namespace {

using namespace std::chrono_literals;

class AdminWhileUsersSave : public test::MethodTest {};

TEST_P(AdminWhileUsersSave, PasswordAndASecondStartMeetNoUserTransaction) {
  if (GetParam() != "postgresql") GTEST_SKIP() << "vários processos num banco: só PostgreSQL";
  db::Pool pool(server.url(), 4);
  appserver::Dispatcher users(pool);
  PacketPtr list = call("GetServico", {"0001", ""}).packetPtr();
  const std::vector<Variant> model = list->rows.at(0);

  std::atomic<bool> stop{false};
  std::atomic<int> cycles{0};
  std::mutex mutex;
  std::vector<std::string> failures;
  auto run = [&](const std::string& method, VariantArray args) {
    net::Reply r =
        net::decodeReply(users.handle(net::encodeRequest({"Ger04100.rdmCadastroServ", method, args}), "ADMIN"));
    std::string text = r.isFault ? r.fault : r.result.isString() ? r.result.str() : "";
    if (!text.empty()) {
      std::lock_guard<std::mutex> lock(mutex);
      failures.push_back(method + ": " + text);
    }
    return r;
  };
  std::vector<std::thread> stream;
  for (int k = 0; k < 4; ++k) {
    stream.emplace_back([&, code = "0080" + std::to_string(k)] {
      for (int i = 0; i < 2000 && !stop; ++i) {
        PacketPtr insert =
            changeSet(*list, {{ChangeKind::Inserted, model, {{"CDSERVFILI", code}, {"NMSERVICO", "Ceia " + code}}}});
        run("UpdServico", {Variant(insert), Variant("")});
        net::Reply read = run("GetServico", {Variant("0001"), Variant("")});
        if (read.isFault) continue;
        PacketPtr stored = read.result.packetPtr();
        PacketPtr remove = changeSet(*stored, {{ChangeKind::Deleted, rowWhere(*stored, "CDSERVFILI", code), {}}});
        run("UpdServico", {Variant(remove), Variant("")});
        ++cycles;
      }
    });
  }

  const std::string bin = std::string(CADSERV_BIN_DIR) + "/cadserv-server";
  std::string passwordFile = ::testing::TempDir() + "/senha_admin_test";
  std::ofstream(passwordFile) << "nova senha de teste\n";
  for (int round = 0; round < 3; ++round) {
    std::this_thread::sleep_for(150ms);
    test::ChildProcess senha(
        {bin, "senha", "--db", server.url(), "--operator", "MARIA", "--password-file", passwordFile});
    EXPECT_EQ(senha.wait(60s), 0) << "senha, rodada " << round;
    test::ServerChild second({"--db", server.url(), "--log-level", "warn"});
    EXPECT_GT(second.port(), 0) << "início, rodada " << round << ": " << second.output();
    EXPECT_EQ(second.process().stop(SIGTERM, 30s), 0);
  }
  stop = true;
  for (auto& t : stream) t.join();
  std::remove(passwordFile.c_str());
  EXPECT_GT(cycles.load(), 0);
  for (const auto& f : failures) ADD_FAILURE() << f;
}

INSTANTIATE_TEST_SUITE_P(Db, AdminWhileUsersSave, ::testing::ValuesIn(test::backends()), test::BackendName());

}  // namespace
}  // namespace cad
