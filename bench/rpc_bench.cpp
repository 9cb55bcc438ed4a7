// Remote-call benchmarks.
//  - GetServico (20 rows) over loopback HTTP through TNetConnection and the real server path
//    (token check, dispatcher, SQLite query, packet codec) against a bare cpp-httplib echo server
//    returning the same reply bytes to a bare client: the protocol's own cost. Each reports the
//    median and p99 latency in microseconds; the second also its ratio to the echo's median.
//  - The same call while 500 idle kept-alive connections and 16 clients dripping a request head
//    (one line every 200 ms) are open, alternating with the call on an unloaded twin server: the
//    front must not let them slow a call down. Reports both p99 and their ratio
//    (p99_ratio_vs_unloaded; the goal is at most 3).
//  - BM_GetServico_VsEcho: the echo, the call and the same call in process alternate, iteration
//    by iteration, so the other work of a shared machine falls on all alike; reports the medians
//    and p99 and their ratios (goals: median at most 1.5x the echo's, p99 at most 3x), and the
//    transport's share (round trip less the in-process call) against the echo (goal: at most 1.3).
//  - BM_GetServico_VsQuery: the method on a connection that times its own SQL, and the call in
//    process, alternating: the packet's building (method less its query) and the in-process call
//    against the query alone (goals: at most 0.3x and 1.3x).
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <httplib.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "appserver/changeset.h"
#include "appserver/dispatcher.h"
#include "appserver/httpserver.h"
#include "bench/bench_fixture.h"
#include "bench/smoke.h"
#include "platform/net/codec.h"
#include "platform/net/netconnection.h"
#include "platform/net/transport.h"

namespace {

using cad::bench::Clock;
using cad::bench::openConnection;

// Median and p99 counters of one run's latencies.
struct Latencies : cad::bench::Latencies {
  void report(benchmark::State& state) {
    state.counters["median_us"] = percentile(0.5);
    state.counters["p99_us"] = percentile(0.99);
  }
};

// A demo database whose branch 0001 has exactly 20 services, served over loopback.
struct RpcFixture {
  cad::bench::DemoDatabase database{"rpc", 4};
  cad::bench::LoopbackServer loopback{*database.pool};
  cad::db::Pool& pool = *database.pool;
  cad::appserver::Dispatcher& dispatcher = loopback.dispatcher;
  int port = loopback.port;
  std::string request, reply;
  double echoMedian = 0;

  RpcFixture() {
    cad::bench::fillBranch(*pool.acquire(), 20, 'B');
    cad::net::setTransportFactory(cad::net::httpTransportFactory({"bench", "ADMIN"}));
    request = cad::net::encodeRequest({"Ger04100.rdmCadastroServ", "GetServico", {"0001", ""}});
    reply = dispatcher.handle(request, "ADMIN");
  }
};

RpcFixture& fixture() {
  static RpcFixture f;
  return f;
}

// A bare cpp-httplib server answering every POST /rpc with `reply`, and a kept-alive client of it.
struct EchoServer {
  httplib::Server server;
  std::thread thread;
  std::unique_ptr<httplib::Client> client;

  explicit EchoServer(const std::string& reply) {
    server.set_tcp_nodelay(true);  // the same socket options as the application server
    server.Post("/rpc", [&reply](const httplib::Request&, httplib::Response& res) {
      res.set_content(reply, "application/json");
    });
    int port = server.bind_to_any_port("127.0.0.1");
    thread = std::thread([this] { server.listen_after_bind(); });
    while (!server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    client = std::make_unique<httplib::Client>("127.0.0.1", port);
    client->set_keep_alive(true);
    client->set_tcp_nodelay(true);
  }
  ~EchoServer() {
    server.stop();
    thread.join();
  }
};

void BM_GetServico_EchoHttplib(benchmark::State& state) {
  RpcFixture& f = fixture();
  EchoServer echo(f.reply);
  Latencies lat;
  for (auto _ : state) {
    auto start = Clock::now();
    auto res = echo.client->Post("/rpc", f.request, "application/json");
    benchmark::DoNotOptimize(res->body.data());
    lat.add(start);
  }
  lat.report(state);
  f.echoMedian = lat.percentile(0.5);
}

void BM_GetServico_NetConnection(benchmark::State& state) {
  RpcFixture& f = fixture();
  auto net = openConnection(f.port);
  Latencies lat;
  size_t rows = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    cad::Variant v = net->Call("GetServico", {"0001", ""});
    rows = v.asPacket().rowCount();
    lat.add(start);
  }
  lat.report(state);
  state.counters["rows"] = static_cast<double>(rows);
  if (f.echoMedian > 0) state.counters["ratio_vs_echo"] = lat.percentile(0.5) / f.echoMedian;
}

void BM_GetServico_VsEcho(benchmark::State& state) {
  RpcFixture& f = fixture();
  EchoServer echo(f.reply);
  auto net = openConnection(f.port);
  cad::net::InProcessTransport inProcess(f.dispatcher.handler(), "ADMIN");
  Latencies bare, call, local;
  for (auto _ : state) {
    auto start = Clock::now();
    auto res = echo.client->Post("/rpc", f.request, "application/json");
    benchmark::DoNotOptimize(res->body.data());
    bare.add(start);
    start = Clock::now();
    cad::Variant v = net->Call("GetServico", {"0001", ""});
    benchmark::DoNotOptimize(v.asPacket().rowCount());
    call.add(start);
    start = Clock::now();
    cad::net::Reply r = cad::net::decodeReply(inProcess.post(f.request));
    benchmark::DoNotOptimize(r.result.asPacket().rowCount());
    local.add(start);
  }
  // The transport's share: the round trip less the same call in process, against the echo.
  state.counters["in_process_median_us"] = local.percentile(0.5);
  state.counters["transport_share_ratio_vs_echo"] =
      (call.percentile(0.5) - local.percentile(0.5)) / bare.percentile(0.5);
  state.counters["echo_median_us"] = bare.percentile(0.5);
  state.counters["echo_p99_us"] = bare.percentile(0.99);
  state.counters["median_us"] = call.percentile(0.5);
  state.counters["p99_us"] = call.percentile(0.99);
  state.counters["median_ratio"] = call.percentile(0.5) / bare.percentile(0.5);
  state.counters["p99_ratio"] = call.percentile(0.99) / bare.percentile(0.99);
}

// A loopback client socket from `source`, or -1.
int connectFrom(int port, const std::string& source) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_in from{};
  from.sin_family = AF_INET;
  inet_pton(AF_INET, source.c_str(), &from.sin_addr);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<uint16_t>(port));
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0 ||
      connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// 500 idle kept-alive connections (each made one GET /health; 50 from each of 10 loopback
// addresses, within the server's default limit per peer) and 16 connections dripping a request
// head, one line every 200 ms, reopened when the server cuts them at the request deadline.
class Load {
 public:
  explicit Load(int port) {
    rlimit r{};
    if (getrlimit(RLIMIT_NOFILE, &r) == 0 && r.rlim_cur < r.rlim_max) {
      r.rlim_cur = r.rlim_max;
      setrlimit(RLIMIT_NOFILE, &r);
    }
    const char kHealth[] = "GET /health HTTP/1.1\r\nHost: x\r\n\r\n";
    for (int i = 0; i < 500; ++i) {
      int fd = connectFrom(port, "127.0.0." + std::to_string(2 + i % 10));
      if (fd < 0) continue;
      send(fd, kHealth, sizeof kHealth - 1, MSG_NOSIGNAL);
      std::string got;
      char buf[512];
      pollfd p{fd, POLLIN, 0};
      while (got.find("\"ok\"}") == std::string::npos && poll(&p, 1, 5000) > 0) {
        ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        got.append(buf, static_cast<size_t>(n));
      }
      if (got.find("\"ok\"}") != std::string::npos) ++idle_;
      idleFds_.push_back(fd);
    }
    drip_ = std::thread([this, port] {
      std::vector<int> fds(16, -1);
      std::vector<int> sent(16, 0);
      while (!stop_) {
        for (size_t i = 0; i < fds.size(); ++i) {
          if (fds[i] < 0) {
            fds[i] = connectFrom(port, "127.0.0.200");
            sent[i] = 0;
          }
          std::string line = sent[i]++ == 0 ? "POST /rpc HTTP/1.1\r\n" : "X-Lento: " + std::to_string(sent[i]) + "\r\n";
          if (fds[i] >= 0 && send(fds[i], line.data(), line.size(), MSG_NOSIGNAL | MSG_DONTWAIT) < 0) {
            close(fds[i]);
            fds[i] = -1;
          }
        }
        for (int k = 0; k < 20 && !stop_; ++k) std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
      for (int fd : fds)
        if (fd >= 0) close(fd);
    });
  }
  ~Load() {
    stop_ = true;
    drip_.join();
    for (int fd : idleFds_) close(fd);
    // Let the server see them go before the next run opens as many from the same addresses.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
  }
  int idle() const { return idle_; }

 private:
  std::vector<int> idleFds_;
  int idle_ = 0;
  std::atomic<bool> stop_{false};
  std::thread drip_;
};

// Each iteration calls the loaded server and a twin server on the same dispatcher and database
// that carries no load, one after the other, so whatever else the machine runs falls on both
// alike; the ratio of their p99 is the load's own effect.
void BM_GetServico_NetConnection_Loaded(benchmark::State& state) {
  RpcFixture& f = fixture();
  cad::appserver::HttpServer twin(f.dispatcher.handler(), cad::bench::LoopbackServer::options());
  int twinPort = twin.bind("127.0.0.1", 0);
  std::thread twinThread([&] { twin.run(); });
  twin.waitUntilReady();
  {
    Load load(f.port);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // the drips have begun
    auto loaded = openConnection(f.port);
    auto quiet = openConnection(twinPort);
    Latencies lat, base;
    for (auto _ : state) {
      auto start = Clock::now();
      benchmark::DoNotOptimize(loaded->Call("GetServico", {"0001", ""}).asPacket().rowCount());
      lat.add(start);
      start = Clock::now();
      benchmark::DoNotOptimize(quiet->Call("GetServico", {"0001", ""}).asPacket().rowCount());
      base.add(start);
    }
    lat.report(state);
    state.counters["idle_connections"] = load.idle();
    state.counters["unloaded_median_us"] = base.percentile(0.5);
    state.counters["unloaded_p99_us"] = base.percentile(0.99);
    if (base.percentile(0.99) > 0)
      state.counters["p99_ratio_vs_unloaded"] = lat.percentile(0.99) / base.percentile(0.99);
  }
  twin.stop();
  twinThread.join();
}

}  // namespace

BENCHMARK(BM_GetServico_EchoHttplib)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GetServico_NetConnection)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GetServico_NetConnection_Loaded)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GetServico_VsEcho)->UseRealTime()->Unit(benchmark::kMicrosecond)->Apply(cad::bench::minTime<3>);

namespace {

// The same call without a socket (InProcessTransport): what the server and the codec cost alone.
void BM_GetServico_InProcess(benchmark::State& state) {
  RpcFixture& f = fixture();
  cad::net::InProcessTransport transport(f.dispatcher.handler(), "ADMIN");
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
  auto db = f.pool.acquire();
  cad::appserver::CallContext ctx{*db, "ADMIN"};
  const cad::appserver::Method* m = cad::appserver::defaultRegistry().find("Ger04100.rdmCadastroServ", "GetServico");
  for (auto _ : state) {
    cad::VariantArray args{"0001", ""};
    benchmark::DoNotOptimize(m->fn(ctx, args));
  }
}

// A connection that adds up the time its queries take, to split a method's time.
class TimedDatabase final : public cad::db::Database {
 public:
  explicit TimedDatabase(cad::db::Database& db) : db_(db) {}
  double queryUs = 0;
  std::string_view dialect() const override { return db_.dialect(); }
  cad::db::ResultSet query(std::string_view sql, const cad::db::Params& params) override {
    auto start = Clock::now();
    cad::db::ResultSet rs = db_.query(sql, params);
    queryUs += cad::bench::microsecondsSince(start);
    return rs;
  }
  int64_t exec(std::string_view sql, const cad::db::Params& params) override { return db_.exec(sql, params); }
  void execScript(std::string_view script) override { db_.execScript(script); }
  void begin() override { db_.begin(); }
  void commit() override { db_.commit(); }
  void rollback() override { db_.rollback(); }
  bool inTransaction() const override { return db_.inTransaction(); }

 private:
  cad::db::Database& db_;
};

void BM_GetServico_VsQuery(benchmark::State& state) {
  RpcFixture& f = fixture();
  cad::net::InProcessTransport transport(f.dispatcher.handler(), "ADMIN");
  const cad::appserver::Method* m = cad::appserver::defaultRegistry().find("Ger04100.rdmCadastroServ", "GetServico");
  std::vector<double> query, build, local, buildRatio, localRatio;
  for (auto _ : state) {
    double q = 0;
    {
      auto db = f.pool.acquire();
      TimedDatabase timed(*db);
      cad::appserver::CallContext ctx{timed, "ADMIN"};
      cad::VariantArray args{"0001", ""};
      auto start = Clock::now();
      benchmark::DoNotOptimize(m->fn(ctx, args));
      double total = cad::bench::microsecondsSince(start);
      q = timed.queryUs;
      query.push_back(q);
      build.push_back(total - q);
    }
    auto start = Clock::now();
    cad::net::Reply r = cad::net::decodeReply(transport.post(f.request));
    benchmark::DoNotOptimize(r.result.asPacket().rowCount());
    local.push_back(cad::bench::microsecondsSince(start));
    buildRatio.push_back(build.back() / q);
    localRatio.push_back(local.back() / q);
  }
  state.counters["query_median_us"] = cad::bench::median(query);
  state.counters["packet_build_median_us"] = cad::bench::median(build);
  state.counters["in_process_median_us"] = cad::bench::median(local);
  state.counters["packet_build_ratio_vs_query"] = cad::bench::median(buildRatio);
  state.counters["in_process_ratio_vs_query"] = cad::bench::median(localRatio);
}

}  // namespace

BENCHMARK(BM_GetServico_VsQuery)->UseRealTime()->Unit(benchmark::kMicrosecond)->MinTime(2.0);
BENCHMARK(BM_GetServico_QueryOnly)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GetServico_InProcess)->UseRealTime()->Unit(benchmark::kMicrosecond);
