// Setup the benchmarks share: a demo database (a temporary SQLite file or a given URL), a branch
// filled with copies of a demo service, the application server on a loopback port, and the
// latency statistics they report.
#pragma once

#include <spdlog/spdlog.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "appserver/changeset.h"
#include "appserver/dispatcher.h"
#include "appserver/httpserver.h"
#include "appserver/schema.h"
#include "platform/db/database.h"
#include "platform/db/pool.h"
#include "platform/net/netconnection.h"

namespace cad::bench {

using Clock = std::chrono::steady_clock;

inline double microsecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

// This thread's CPU time in microseconds.
inline double threadCpuMicroseconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) * 1e-3;
}

inline double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Latencies of one benchmark run, in microseconds.
struct Latencies {
  std::vector<double> us;
  void add(Clock::time_point start) { us.push_back(microsecondsSince(start)); }
  double percentile(double p) {
    std::sort(us.begin(), us.end());
    return us.empty() ? 0 : us[std::min(us.size() - 1, static_cast<size_t>(p * us.size()))];
  }
};

// The demo schema and data in a database with its own pool. Without a URL the database is a new
// temporary SQLite file, removed with its journal files at the end. The per-call log line is
// silenced: writing it would measure the terminal (warnings still show).
struct DemoDatabase {
  std::string url, sqlitePath;
  std::unique_ptr<db::Pool> pool;

  DemoDatabase(const std::string& tag, size_t connections, std::string databaseUrl = {}) : url(std::move(databaseUrl)) {
    spdlog::set_level(spdlog::level::warn);
    if (url.empty()) {
      std::string name = "/tmp/cadserv-bench-" + tag + "-XXXXXX";
      int fd = mkstemp(name.data());
      if (fd >= 0) close(fd);
      sqlitePath = name;
      url = "sqlite:" + sqlitePath;
    }
    pool = std::make_unique<db::Pool>(url, connections);
    auto db = pool->acquire();
    appserver::createSchema(*db);
    appserver::loadDemo(*db);
  }
  ~DemoDatabase() {
    pool.reset();
    if (!sqlitePath.empty())
      for (const char* s : {"", "-wal", "-shm"}) std::remove((sqlitePath + s).c_str());
  }
  DemoDatabase(const DemoDatabase&) = delete;
  DemoDatabase& operator=(const DemoDatabase&) = delete;
};

// Copies of the demo service 0001/00001 under the codes `prefix` + four digits until branch 0001
// has `total` services, in one transaction; `name(i)` names copy i when given.
inline void fillBranch(db::Database& db, int total, char prefix, const std::function<std::string(int)>& name = {}) {
  std::string cols, select;
  for (const auto& c : appserver::tableColumns(db, "SERVICO")) {
    cols += (cols.empty() ? "" : ", ") + c;
    std::string value = c == "CDSERVFILI" ? ":CODE" : c == "NMSERVICO" && name ? ":NOME" : c;
    select += (select.empty() ? "" : ", ") + value;
  }
  int have = static_cast<int>(db.query("SELECT 1 FROM SERVICO WHERE CDFILIAL = '0001'").rows.size());
  db::Transaction tx(db);
  for (int i = have; i < total; ++i) {
    char code[16];
    std::snprintf(code, sizeof code, "%c%04d", prefix, i);
    db::Params params{{"CODE", Variant(std::string(code))}};
    if (name) params.emplace_back("NOME", Variant(name(i)));
    db.exec("INSERT INTO SERVICO (" + cols + ") SELECT " + select +
                " FROM SERVICO WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001'",
            params);
  }
  tx.commit();
}

// The application server over `pool` on a loopback port, with the host token "bench", running
// until destroyed.
struct LoopbackServer {
  appserver::Dispatcher dispatcher;
  appserver::HttpServer server;
  std::thread thread;
  int port = 0;

  explicit LoopbackServer(db::Pool& pool) : dispatcher(pool), server(dispatcher.handler(), options()) {
    port = server.bind("127.0.0.1", 0);
    thread = std::thread([this] { server.run(); });
    server.waitUntilReady();
  }
  static appserver::HttpServerOptions options() {
    appserver::HttpServerOptions o;
    o.token = "bench";
    return o;
  }
  ~LoopbackServer() {
    server.stop();
    thread.join();
  }
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;
};

// A connection to the screens' server at `port`, opened (the in-process transport answers
// whatever the address).
inline std::unique_ptr<TNetConnection> openConnection(int port) {
  auto net = std::make_unique<TNetConnection>();
  net->ServerName = "Ger04100.rdmCadastroServ";
  net->Host = "127.0.0.1";
  net->Port = port;
  net->Open();
  return net;
}

}  // namespace cad::bench
