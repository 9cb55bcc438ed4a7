// Remote-call benchmarks.
//  - GetServico (20 rows) over loopback HTTP through TNetConnection and the real server path
//    (token check, dispatcher, SQLite query, packet codec) against a bare cpp-httplib echo server
//    returning the same reply bytes to a bare client: the protocol's own cost. Each reports the
//    median and p99 latency in microseconds; the second also its ratio to the echo's median.
#include <benchmark/benchmark.h>
#include <httplib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "appserver/changeset.h"
#include "appserver/dispatcher.h"
#include "appserver/httpserver.h"
#include "appserver/schema.h"
#include "platform/db/database.h"
#include "platform/db/pool.h"
#include "platform/net/codec.h"
#include "platform/net/netconnection.h"
#include "platform/net/transport.h"

namespace {

using Clock = std::chrono::steady_clock;

// Latencies of one benchmark run → median and p99 counters (microseconds).
struct Latencies {
  std::vector<double> us;
  void add(Clock::time_point start) {
    us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }
  double percentile(double p) {
    std::sort(us.begin(), us.end());
    return us.empty() ? 0 : us[std::min(us.size() - 1, static_cast<size_t>(p * us.size()))];
  }
  void report(benchmark::State& state) {
    state.counters["median_us"] = percentile(0.5);
    state.counters["p99_us"] = percentile(0.99);
  }
};

// A demo database whose branch 0001 has exactly 20 services, served over loopback.
struct RpcFixture {
  std::string path;
  std::unique_ptr<cad::db::Pool> pool;
  std::unique_ptr<cad::appserver::Dispatcher> dispatcher;
  std::unique_ptr<cad::appserver::HttpServer> server;
  std::thread thread;
  int port = 0;
  std::string request, reply;
  double echoMedian = 0;

  RpcFixture() {
    char name[] = "/tmp/cadserv-bench-XXXXXX";
    close(mkstemp(name));
    path = name;
    pool = std::make_unique<cad::db::Pool>("sqlite:" + path, 4);
    {
      auto db = pool->acquire();
      cad::appserver::createSchema(*db);
      cad::appserver::loadDemo(*db);
      std::string cols, select;
      for (const auto& c : cad::appserver::tableColumns(*db, "SERVICO")) {
        cols += (cols.empty() ? "" : ", ") + c;
        select += (select.empty() ? "" : ", ") + (c == "CDSERVFILI" ? std::string(":CODE") : c);
      }
      int have = static_cast<int>(db->query("SELECT 1 FROM SERVICO WHERE CDFILIAL = '0001'").rows.size());
      for (int i = have; i < 20; ++i) {
        char code[16];
        std::snprintf(code, sizeof code, "B%04d", i);
        db->exec("INSERT INTO SERVICO (" + cols + ") SELECT " + select +
                     " FROM SERVICO WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001'",
                 {{"CODE", std::string(code)}});
      }
    }
    dispatcher = std::make_unique<cad::appserver::Dispatcher>(*pool);
    server = std::make_unique<cad::appserver::HttpServer>(dispatcher->handler(),
                                                          cad::appserver::HttpServerOptions{"bench"});
    port = server->bind("127.0.0.1", 0);
    thread = std::thread([this] { server->run(); });
    server->waitUntilReady();
    cad::net::setTransportFactory(cad::net::httpTransportFactory({"bench", "ADMIN"}));
    request = cad::net::encodeRequest({"Ger04100.rdmCadastroServ", "GetServico", {"0001", ""}});
    reply = dispatcher->handle(request, "ADMIN");
  }
  ~RpcFixture() {
    server->stop();
    thread.join();
    for (const char* s : {"", "-wal", "-shm"}) std::remove((path + s).c_str());
  }
};

RpcFixture& fixture() {
  static RpcFixture f;
  return f;
}

void BM_GetServico_EchoHttplib(benchmark::State& state) {
  RpcFixture& f = fixture();
  httplib::Server echo;
  echo.set_tcp_nodelay(true);  // the same socket options as the application server
  echo.Post("/rpc", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(f.reply, "application/json");
  });
  int port = echo.bind_to_any_port("127.0.0.1");
  std::thread t([&] { echo.listen_after_bind(); });
  while (!echo.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  httplib::Client client("127.0.0.1", port);
  client.set_keep_alive(true);
  client.set_tcp_nodelay(true);
  Latencies lat;
  for (auto _ : state) {
    auto start = Clock::now();
    auto res = client.Post("/rpc", f.request, "application/json");
    benchmark::DoNotOptimize(res->body.data());
    lat.add(start);
  }
  lat.report(state);
  f.echoMedian = lat.percentile(0.5);
  echo.stop();
  t.join();
}

void BM_GetServico_NetConnection(benchmark::State& state) {
  RpcFixture& f = fixture();
  cad::TNetConnection net;
  net.ServerName = "Ger04100.rdmCadastroServ";
  net.Host = "127.0.0.1";
  net.Port = f.port;
  net.Open();
  Latencies lat;
  size_t rows = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    cad::Variant v = net.Call("GetServico", {"0001", ""});
    rows = v.asPacket().rowCount();
    lat.add(start);
  }
  lat.report(state);
  state.counters["rows"] = static_cast<double>(rows);
  if (f.echoMedian > 0) state.counters["ratio_vs_echo"] = lat.percentile(0.5) / f.echoMedian;
}

}  // namespace

BENCHMARK(BM_GetServico_EchoHttplib)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GetServico_NetConnection)->UseRealTime()->Unit(benchmark::kMicrosecond);

namespace {

// The same call without a socket (InProcessTransport): what the server and the codec cost alone.
void BM_GetServico_InProcess(benchmark::State& state) {
  RpcFixture& f = fixture();
  cad::net::InProcessTransport transport(f.dispatcher->handler(), "ADMIN");
  Latencies lat;
  for (auto _ : state) {
    auto start = Clock::now();
    cad::net::Reply r = cad::net::decodeReply(transport.post(f.request));
    benchmark::DoNotOptimize(r.result.asPacket().rowCount());
    lat.add(start);
  }
  lat.report(state);
}

// Only the database part: the query GetServico runs, on a leased connection.
void BM_GetServico_QueryOnly(benchmark::State& state) {
  RpcFixture& f = fixture();
  auto db = f.pool->acquire();
  cad::appserver::CallContext ctx{*db, "ADMIN"};
  const cad::appserver::Method* m = cad::appserver::defaultRegistry().find("Ger04100.rdmCadastroServ", "GetServico");
  for (auto _ : state) {
    cad::VariantArray args{"0001", ""};
    benchmark::DoNotOptimize(m->fn(ctx, args));
  }
}

}  // namespace

BENCHMARK(BM_GetServico_QueryOnly)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GetServico_InProcess)->UseRealTime()->Unit(benchmark::kMicrosecond);
