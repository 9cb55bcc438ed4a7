// The server's front: calls through TNetConnection and the HTTP transport (the operator reaching
// the handler, kept-alive connections, every transport failure named with host and port), and
// clients a library would not produce: idle and slow connections, request deadlines, connection
// limits, silent connections, bodies counted as they arrive, slow and large bodies, stop while
// serving, chunked and compressed bodies, the token checked before the body (its scheme in any
// case), half-closed clients, Range, bodies without a length, and control characters in what the
// server logs. Raw sockets on loopback only; every wait is bounded.
#include <gtest/gtest.h>
#include <spdlog/sinks/ostream_sink.h>
#include <spdlog/spdlog.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <sstream>
#include <thread>
#include <vector>

#include "appserver/dispatcher.h"
#include "appserver/httpserver.h"
#include "platform/core/errors.h"
#include "platform/db/pool.h"
#include "platform/net/codec.h"
#include "platform/net/netconnection.h"
#include "platform/net/transport.h"
#include "tests/support/raw_http.h"

namespace cad::appserver {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::RawHttp;
using test::rpcRequest;

const std::string kToken = "segredo";

std::string call(const std::string& method, const std::string& arg = "x") {
  return net::encodeRequest({"S", method, {arg}});
}

// The head of a "POST /rpc" with the token, as operator `op`, with `extra` header lines and no body.
std::string rpcHead(const std::string& extra, const std::string& op = "ana", const std::string& token = kToken) {
  return "POST /rpc HTTP/1.1\r\nHost: x\r\nAuthorization: Bearer " + token + "\r\nX-Operator: " + op + "\r\n" + extra +
         "\r\n";
}

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// A request head sent one line at a time, every `every`, until stopped or `limit` has passed;
// the connection is opened again when the server closes it, so the server keeps seeing one slow
// client per slot.
class SlowDrip {
 public:
  SlowDrip(int port, int connections, std::chrono::milliseconds every, std::chrono::seconds limit) {
    thread_ = std::thread([=, this] {
      std::vector<std::unique_ptr<RawHttp>> conns;
      std::vector<int> sent(static_cast<size_t>(connections), 0);
      for (int i = 0; i < connections; ++i) conns.push_back(std::make_unique<RawHttp>(port, "127.0.0.200"));
      auto end = Clock::now() + limit;
      while (!stop_ && Clock::now() < end) {
        for (size_t i = 0; i < conns.size(); ++i) {
          std::string line = sent[i] == 0 ? "POST /rpc HTTP/1.1\r\n" : "X-Lento-" + std::to_string(sent[i]) + ": a\r\n";
          if (!conns[i]->send(line)) {
            conns[i] = std::make_unique<RawHttp>(port, "127.0.0.200");
            sent[i] = 0;
            ++reopened_;
            continue;
          }
          ++sent[i];
        }
        std::this_thread::sleep_for(every);
      }
    });
  }
  ~SlowDrip() {
    stop_ = true;
    thread_.join();
  }
  int reopened() const { return reopened_; }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<int> reopened_{0};
  std::thread thread_;
};

class FrontTest : public ::testing::Test {
 protected:
  void start(HttpServerOptions options) {
    server = std::make_unique<HttpServer>(
        [this](const std::string& body, const std::string& op) {
          net::Request r = net::decodeRequest(body);
          if (r.method == "Dorme") std::this_thread::sleep_for(1500ms);
          ++calls;
          return net::encodeReply({false, "", VariantArray{op, r.args.empty() ? Variant() : r.args[0]}, {}});
        },
        std::move(options));
    port = server->bind("127.0.0.1", 0);
    thread = std::thread([this] { served = server->run(); });
    server->waitUntilReady();
  }
  void start() { start(defaults()); }
  static HttpServerOptions defaults() {
    HttpServerOptions o;
    o.token = kToken;
    o.maxBodyBytes = 4096;
    o.idleTimeout = 60s;
    o.requestTimeout = 60s;
    o.headTimeout = 60s;
    return o;
  }
  void TearDown() override {
    if (thread.joinable()) {
      server->stop();
      thread.join();
    }
    net::setTransportFactory(nullptr);
  }

  // Message of the exception a call through TNetConnection raises with these transport options.
  std::string failure(net::HttpOptions options, int callPort, const std::string& method = "M", Variant arg = 1) {
    net::setTransportFactory(net::httpTransportFactory(options));
    TNetConnection c;
    c.ServerName = "S";
    c.Host = "127.0.0.1";
    c.Port = callPort;
    try {
      c.Call(method, {arg});
    } catch (const Exception& e) {
      return e.what();
    }
    return "(sem erro)";
  }

  // The reply's first result element (the operator) and second (the echoed argument).
  static std::string echoed(const RawHttp::Response& r) {
    net::Reply rep = net::decodeReply(r.body);
    return rep.isFault ? "fault: " + rep.fault : rep.result.asArray().at(1).str();
  }

  std::unique_ptr<HttpServer> server;
  std::thread thread;
  int port = 0;
  std::atomic<int> calls{0};
  bool served = false;
};

// ---- the client transport ----------------------------------------------------------------------

TEST_F(FrontTest, CallsReachTheHandlerWithTheOperator) {
  HttpServerOptions o = defaults();
  o.idleTimeout = 1s;
  start(o);
  net::setTransportFactory(net::httpTransportFactory({kToken, "ana"}));
  TNetConnection c;
  c.ServerName = "S";
  c.BeforeConnect = [&](TNetConnection& self) {
    self.Host = "127.0.0.1";
    self.Port = port;
  };
  c.Open();                      // GET /health
  for (int i = 0; i < 3; ++i) {  // several calls on one kept-alive connection
    Variant r = c.Call("M", {std::string("ação ") + std::to_string(i)});
    EXPECT_EQ(r.asArray().at(0).str(), "ana");
    EXPECT_EQ(r.asArray().at(1).str(), "ação " + std::to_string(i));
  }
  // The server closed the idle connection meanwhile; the next call reconnects by itself.
  std::this_thread::sleep_for(1500ms);
  EXPECT_EQ(c.Call("M", {"de novo"}).asArray().at(1).str(), "de novo");
}

TEST_F(FrontTest, TransportFailuresNameHostAndPort) {
  start();
  std::string where = "127.0.0.1:" + std::to_string(port);
  // A refused session raises the server's own reason.
  EXPECT_EQ(failure({"errado", "ana"}, port), "Sessão não autorizada: token ausente ou inválido.");
  EXPECT_EQ(failure({"", "ana"}, port), "Sessão não autorizada: token ausente ou inválido.");
  EXPECT_EQ(failure({kToken, ""}, port), "Sessão não autorizada: operador não informado.");
  EXPECT_EQ(failure({kToken, "ana"}, port, "M", std::string(5000, 'x')),
            "Requisição grande demais para o servidor de aplicação em " + where + ".");
  net::HttpOptions impatient{kToken, "ana"};
  impatient.readTimeout = 300ms;
  EXPECT_EQ(failure(impatient, port, "Dorme"),
            "O servidor de aplicação em " + where + " não respondeu a tempo ou encerrou a conexão.");

  // A port nobody listens on any more.
  int closedPort;
  {
    HttpServer other([](const std::string&, const std::string&) { return std::string(); }, defaults());
    closedPort = other.bind("127.0.0.1", 0);
    std::thread t([&] { other.run(); });
    other.waitUntilReady();
    other.stop();
    t.join();
  }
  EXPECT_EQ(failure({kToken, "ana"}, closedPort),
            "Não foi possível conectar ao servidor de aplicação em 127.0.0.1:" + std::to_string(closedPort) + ".");
}

// ---- 1. connections ---------------------------------------------------------------------------

TEST_F(FrontTest, IdleAndSlowConnectionsCostNoWorker) {
  test::raiseOpenFileLimit();
  start();
  // 500 kept-alive connections that made one call and stay idle, from 10 loopback addresses (50
  // each, under the default limit per peer), and 16 clients dripping a request head.
  std::vector<std::unique_ptr<RawHttp>> idle;
  for (int i = 0; i < 500; ++i) {
    auto c = std::make_unique<RawHttp>(port, "127.0.0." + std::to_string(2 + i % 10));
    ASSERT_TRUE(c->connected()) << i;
    ASSERT_TRUE(c->send("GET /health HTTP/1.1\r\nHost: x\r\n\r\n")) << i;
    ASSERT_EQ(c->read(10s).status, 200) << i;
    idle.push_back(std::move(c));
  }
  SlowDrip drip(port, 16, 200ms, 20s);
  std::this_thread::sleep_for(500ms);  // the drips have begun

  double slowest = 0;
  for (int round = 0; round < 3; ++round) {
    auto begin = Clock::now();
    RawHttp fresh(port);
    ASSERT_TRUE(fresh.send(rpcRequest(kToken, "ana", call("M", "novo"))));
    RawHttp::Response r = fresh.read(5s);
    double took = secondsSince(begin);
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(echoed(r), "novo");
    EXPECT_LT(took, 1.0) << "round " << round;
    slowest = std::max(slowest, took);
  }
  RecordProperty("slowest_call_us", static_cast<int>(slowest * 1e6));
  // The idle connections are still served.
  for (int i : {0, 250, 499}) {
    ASSERT_TRUE(idle[i]->send(rpcRequest(kToken, "ana", call("M", "ocioso"))));
    EXPECT_EQ(idle[i]->read(5s).status, 200) << i;
  }
  EXPECT_EQ(drip.reopened(), 0);  // no drip was cut meanwhile (its deadline is a minute)
}

TEST_F(FrontTest, RequestsAndIdleConnectionsHaveDeadlines) {
  HttpServerOptions o = defaults();
  o.requestTimeout = 1s;
  o.idleTimeout = 1s;
  start(o);
  // A head dripped forever is cut at the request's total deadline, however active the client.
  RawHttp slow(port);
  auto begin = Clock::now();
  ASSERT_TRUE(slow.send("POST /rpc HTTP/1.1\r\n"));
  RawHttp::Response r;
  for (int i = 0; i < 40 && r.status == 0; ++i) {
    slow.send("X-Lento: " + std::to_string(i) + "\r\n");
    r = slow.read(100ms);
  }
  EXPECT_EQ(r.status, 408);
  EXPECT_LT(secondsSince(begin), 2.5);
  EXPECT_TRUE(slow.closedWithin(2s));

  // A body that stops halfway gets the same deadline.
  RawHttp half(port);
  begin = Clock::now();
  std::string req = rpcRequest(kToken, "ana", call("M"));
  ASSERT_TRUE(half.send(req.substr(0, req.size() - 5)));
  EXPECT_EQ(half.read(3s).status, 408);
  EXPECT_LT(secondsSince(begin), 2.5);

  // An idle kept-alive connection is closed after the idle time.
  RawHttp idle(port);
  ASSERT_TRUE(idle.send(rpcRequest(kToken, "ana", call("M"))));
  EXPECT_EQ(idle.read(3s).status, 200);
  begin = Clock::now();
  EXPECT_TRUE(idle.closedWithin(3s));
  EXPECT_GT(secondsSince(begin), 0.5);
}

TEST_F(FrontTest, ConnectionsAreLimitedPerPeerAndInAll) {
  HttpServerOptions o = defaults();
  o.maxConnectionsPerPeer = 3;
  o.maxConnections = 5;
  start(o);
  std::vector<std::unique_ptr<RawHttp>> held;
  auto open = [&](const std::string& from) {
    auto c = std::make_unique<RawHttp>(port, from);
    c->send("GET /health HTTP/1.1\r\nHost: x\r\n\r\n");
    int status = c->read(5s).status;
    held.push_back(std::move(c));
    return status;
  };
  for (int i = 0; i < 3; ++i) EXPECT_EQ(open("127.0.0.2"), 200);
  EXPECT_EQ(open("127.0.0.2"), 503);  // a fourth from the same peer
  EXPECT_TRUE(held.back()->closedWithin(2s));
  EXPECT_EQ(open("127.0.0.3"), 200);
  EXPECT_EQ(open("127.0.0.4"), 200);
  EXPECT_EQ(open("127.0.0.5"), 503);  // a sixth in all
  // Slots come back when connections close (once the server has seen them go).
  held.clear();
  int again = 0;
  for (int i = 0; i < 30 && again != 200; ++i) {
    std::this_thread::sleep_for(100ms);
    again = open("127.0.0.2");
  }
  EXPECT_EQ(again, 200);
}

TEST_F(FrontTest, SilentConnectionsAreClosedAfterTheHeadDeadline) {
  HttpServerOptions o = defaults();
  o.maxConnections = 4;
  o.headTimeout = 300ms;
  start(o);
  std::vector<std::unique_ptr<RawHttp>> silent;
  for (int i = 0; i < 4; ++i) silent.push_back(std::make_unique<RawHttp>(port, "127.0.0." + std::to_string(2 + i)));
  auto begin = Clock::now();
  for (auto& c : silent) EXPECT_TRUE(c->closedWithin(3s));
  EXPECT_LT(secondsSince(begin), 2.0);
  RawHttp fresh(port);
  ASSERT_TRUE(fresh.send(rpcRequest(kToken, "ana", call("M", "enfim"))));
  EXPECT_EQ(fresh.read(3s).status, 200);
}

TEST_F(FrontTest, BodiesAreCountedAsTheyArrive) {
  HttpServerOptions o = defaults();
  o.maxPendingBodyBytes = 8000;
  start(o);
  auto small = [&] {
    RawHttp c(port);
    c.send(rpcRequest(kToken, "ana", call("M", "pequeno")));
    return c.read(3s).status;
  };
  // Two bodies of 4000 bytes announced and taken on ("100 Continue") hold nothing until they come.
  std::string head = rpcHead("Expect: 100-continue\r\nContent-Length: 4000\r\n");
  RawHttp a(port), b(port);
  for (RawHttp* c : {&a, &b}) {
    ASSERT_TRUE(c->send(head));
    ASSERT_EQ(c->read(3s).status, 100);
  }
  EXPECT_EQ(small(), 200);
  // Almost all of both received: together with a small one they would pass the bound.
  std::string body = call("M", "enfim");
  body += std::string(4000 - body.size(), ' ');
  ASSERT_TRUE(a.send(body.substr(0, 3990)));
  ASSERT_TRUE(b.send(body.substr(0, 3990)));
  int status = 0;
  for (int i = 0; i < 30 && status != 503; ++i) {
    std::this_thread::sleep_for(100ms);
    status = small();
  }
  EXPECT_EQ(status, 503);
  // A body that arrives and is answered gives its share back, as does a client that leaves.
  ASSERT_TRUE(a.send(body.substr(3990)));
  EXPECT_EQ(a.read(3s).status, 200);
  b.close();
  for (int i = 0; i < 30 && status != 200; ++i) {
    std::this_thread::sleep_for(100ms);
    status = small();
  }
  EXPECT_EQ(status, 200);
}

TEST_F(FrontTest, SlowBodiesAreCutAndLargeOnesAreFewPerClient) {
  HttpServerOptions o = defaults();
  o.bodyGrace = 300ms;
  o.minBodyRate = 1024;
  o.largeBodyBytes = 1000;
  o.maxLargeBodiesPerClient = 2;
  start(o);
  auto head = [](const std::string& op, size_t length) {
    return rpcHead("Content-Length: " + std::to_string(length) + "\r\n", op);
  };
  // Two large bodies dripping 10 bytes every 100 ms from one address.
  RawHttp a(port, "127.0.0.2"), b(port, "127.0.0.2");
  ASSERT_TRUE(a.send(head("ana", 3000)));
  ASSERT_TRUE(b.send(head("ana", 3000)));
  std::this_thread::sleep_for(100ms);
  // A third large one from that address, or from that operator elsewhere, is refused at once; a
  // small one, or a large one of another client, is served.
  RawHttp third(port, "127.0.0.2"), sameOperator(port, "127.0.0.3");
  ASSERT_TRUE(third.send(head("bia", 3000)));
  ASSERT_TRUE(sameOperator.send(head("ana", 3000)));
  EXPECT_EQ(third.read(3s).status, 503);
  EXPECT_EQ(sameOperator.read(3s).status, 503);
  RawHttp smallOne(port, "127.0.0.2");
  ASSERT_TRUE(smallOne.send(rpcRequest(kToken, "ana", call("M", "pequeno"))));
  EXPECT_EQ(smallOne.read(3s).status, 200);
  std::string body = call("M", "grande");
  body += std::string(3000 - body.size(), ' ');
  RawHttp other(port, "127.0.0.4");
  ASSERT_TRUE(other.send(head("bia", 3000) + body));
  EXPECT_EQ(other.read(3s).status, 200);

  auto begin = Clock::now();
  RawHttp::Response cut[2];
  for (int i = 0; i < 40 && (cut[0].status == 0 || cut[1].status == 0); ++i) {
    for (int k = 0; k < 2; ++k) {
      RawHttp& c = k ? b : a;
      if (cut[k].status == 0) {
        c.send(std::string(10, ' '));
        cut[k] = c.read(100ms);
      }
    }
  }
  EXPECT_EQ(cut[0].status, 408);
  EXPECT_EQ(cut[1].status, 408);
  EXPECT_LT(secondsSince(begin), 2.0);
}

TEST_F(FrontTest, StopFinishesRunningCallsAndClosesTheRest) {
  HttpServerOptions o = defaults();
  o.workers = 1;
  start(o);
  RawHttp idle(port), running(port), queued(port);
  ASSERT_TRUE(idle.send("GET /health HTTP/1.1\r\nHost: x\r\n\r\n"));
  ASSERT_EQ(idle.read(5s).status, 200);
  SlowDrip drip(port, 4, 100ms, 15s);
  ASSERT_TRUE(running.send(rpcRequest(kToken, "ana", call("Dorme", "dormiu"))));
  std::this_thread::sleep_for(300ms);  // the call is running on the only worker
  ASSERT_TRUE(queued.send(rpcRequest(kToken, "ana", call("M", "na fila"))));
  std::this_thread::sleep_for(200ms);  // and this one waits for it

  auto begin = Clock::now();
  server->stop();
  RawHttp::Response r = running.read(5s);
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(echoed(r), "dormiu");
  EXPECT_EQ(r.headers["connection"], "close");
  EXPECT_TRUE(idle.closedWithin(1s));
  EXPECT_EQ(queued.read(1s).status, 0);  // never started: closed without a reply
  EXPECT_TRUE(queued.closedWithin(1s));
  thread.join();
  EXPECT_TRUE(served);
  EXPECT_LT(secondsSince(begin), 5.0);
}

// ---- 2. bodies --------------------------------------------------------------------------------

TEST_F(FrontTest, ChunkedBodiesAreDecodedAndBoundedWithoutBeingRead) {
  start();
  std::string body = call("M", "em pedaços");
  RawHttp ok(port);
  std::string head = rpcHead("Transfer-Encoding: chunked\r\n");
  char size[16];
  std::snprintf(size, sizeof size, "%zx", body.size() - 10);
  ASSERT_TRUE(ok.send(head + size + "\r\n" + body.substr(0, body.size() - 10) + "\r\na\r\n" +
                      body.substr(body.size() - 10) + "\r\n0\r\n\r\n"));
  RawHttp::Response r = ok.read(5s);
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(echoed(r), "em pedaços");

  // A chunk announced above the limit: 413 at once, its data never sent.
  RawHttp big(port);
  ASSERT_TRUE(big.send(head + "100000\r\nxxxx"));
  auto begin = Clock::now();
  EXPECT_EQ(big.read(3s).status, 413);
  EXPECT_LT(secondsSince(begin), 1.0);
  EXPECT_TRUE(big.closedWithin(3s));

  // Small chunks adding up past the limit: 413 once they pass it.
  RawHttp many(port);
  ASSERT_TRUE(many.send(head));
  RawHttp::Response over;
  for (int i = 0; i < 100 && over.status == 0; ++i) {
    if (!many.send("100\r\n" + std::string(256, 'x') + "\r\n")) break;
    over = many.read(20ms);
  }
  if (over.status == 0) over = many.read(2s);
  EXPECT_EQ(over.status, 413);
  EXPECT_EQ(calls, 1);
}

TEST_F(FrontTest, CompressedBodiesAreRefusedBeforeTheyAreRead) {
  start();
  // A tiny gzip stream (of zeros) never reaches a decoder: 415, whatever it would expand to.
  const std::string gzipHeader("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03", 10);
  for (const char* coding : {"gzip", "deflate", "br", "x-nenhum"}) {
    RawHttp c(port);
    ASSERT_TRUE(c.send(rpcRequest(kToken, "ana", gzipHeader, std::string("Content-Encoding: ") + coding + "\r\n")));
    EXPECT_EQ(c.read(3s).status, 415) << coding;
  }
  RawHttp identity(port);
  ASSERT_TRUE(identity.send(rpcRequest(kToken, "ana", call("M", "puro"), "Content-Encoding: identity\r\n")));
  EXPECT_EQ(identity.read(3s).status, 200);
  // A transfer coding other than chunked alone is not understood: 501.
  RawHttp layered(port);
  ASSERT_TRUE(layered.send(rpcHead("Transfer-Encoding: gzip, chunked\r\n") + "a\r\n" + gzipHeader + "\r\n0\r\n\r\n"));
  EXPECT_EQ(layered.read(3s).status, 501);
  EXPECT_EQ(calls, 1);
}

TEST_F(FrontTest, TheTokenIsCheckedBeforeTheBody) {
  start();
  // A body announced but never sent: the refusal comes at once.
  RawHttp wrong(port);
  ASSERT_TRUE(wrong.send(rpcHead("Content-Length: 4000\r\n", "ana", "outro")));
  auto begin = Clock::now();
  EXPECT_EQ(wrong.read(3s).status, 401);
  EXPECT_LT(secondsSince(begin), 1.0);
  RawHttp tooBig(port);
  ASSERT_TRUE(tooBig.send(rpcHead("Content-Length: 100000000\r\n")));
  EXPECT_EQ(tooBig.read(3s).status, 413);
  // (A valid token's "100 Continue" and the body after it: BodiesAreCountedAsTheyArrive.)
}

// ---- 4. HTTP details ----------------------------------------------------------------------------

TEST_F(FrontTest, AHalfClosedClientAndARangeHeaderGetTheWholeAnswer) {
  start();
  // A client that shuts its sending side still gets its reply, then the close.
  RawHttp half(port);
  ASSERT_TRUE(half.send(rpcRequest(kToken, "ana", call("M", "meio"))));
  half.shutdownWrite();
  RawHttp::Response r = half.read(3s);
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(echoed(r), "meio");
  EXPECT_TRUE(half.closedWithin(3s));
  // Range is ignored on /rpc: the whole reply, no partial content.
  RawHttp ranged(port);
  ASSERT_TRUE(ranged.send(rpcRequest(kToken, "ana", call("M", "inteiro"), "Range: bytes=0-4\r\n")));
  r = ranged.read(3s);
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(r.headers.count("content-range"), 0u);
  EXPECT_EQ(echoed(r), "inteiro");
}

TEST_F(FrontTest, OtherRoutesAndMethodsAreRefused) {
  start();
  for (auto [head, status] : std::vector<std::pair<std::string, int>>{
           {"GET /rpc HTTP/1.1\r\nHost: x\r\n\r\n", 405},
           {"POST /health HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\n\r\n", 405},
           {"GET /nada HTTP/1.1\r\nHost: x\r\n\r\n", 404},
           {"GARBAGE\r\n\r\n", 400},
           {"POST /rpc HTTP/1.1\r\nHost: x\r\nContent-Length: 5\r\nTransfer-Encoding: chunked\r\n\r\n", 400},
           {"POST /rpc HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\nContent-Length: 5\r\n\r\n", 400},
           {"GET /health HTTP/1.1\r\nHost: x\r\nX: " + std::string(20000, 'a') + "\r\n\r\n", 431},
           // A body without a length is refused, not read up to the end of the connection.
           {rpcHead("") + call("M"), 411}}) {
    RawHttp c(port);
    ASSERT_TRUE(c.send(head));
    EXPECT_EQ(c.read(3s).status, status) << head.substr(0, 40);
  }
  EXPECT_EQ(calls, 0);
}

// ---- 2. decode limits ---------------------------------------------------------------------------

TEST_F(FrontTest, TheDispatcherDecodesRequestsWithLimitsSizedForRequests) {
  db::Pool pool("sqlite::memory:", 1);  // refused before any connection is leased
  Dispatcher dispatcher(pool);
  std::string rows = R"({"server":"Ger04100.rdmCadastroServ","method":"M","args":[{"$packet":{"fields":[],"rows":[[])";
  for (int i = 0; i < 100'000; ++i) rows += ",[]";
  net::Reply r = net::decodeReply(dispatcher.handle(rows + "]}}]}", "ana"));
  ASSERT_TRUE(r.isFault);
  EXPECT_NE(r.fault.find("Requisição inválida"), std::string::npos) << r.fault;
  EXPECT_NE(r.fault.find("linhas demais em um pacote (limite 100000)"), std::string::npos) << r.fault;
}

// Everything logged in one test: the dispatcher's call line and the front's refusals carry what a
// client sent, escaped so it cannot start a line or a terminal sequence of its own.
class LogCapture {
 public:
  LogCapture() : previous_(spdlog::default_logger()) {
    auto sink = std::make_shared<spdlog::sinks::ostream_sink_mt>(out_);
    sink->set_pattern("%v");
    spdlog::set_default_logger(std::make_shared<spdlog::logger>("captura", sink));
  }
  ~LogCapture() { spdlog::set_default_logger(previous_); }
  std::string text() {
    spdlog::default_logger()->flush();
    return out_.str();
  }

 private:
  std::ostringstream out_;
  std::shared_ptr<spdlog::logger> previous_;
};

TEST_F(FrontTest, ControlCharactersInLoggedFieldsAreEscaped) {
  LogCapture log;
  db::Pool pool("sqlite::memory:", 1);  // unknown methods fail before any connection is leased
  Dispatcher dispatcher(pool);
  std::string forged = "Ger04100.rdmCadastroServ.x 0.1 ms ok\nGer04100.rdmCadastroServ.ExcluiTudo [ADMIN] 0.1 ms ok";
  dispatcher.handle(net::encodeRequest({"Ger04100.rdmCadastroServ", forged, {}}), "ana\x1b[2J");
  dispatcher.handle(net::encodeRequest({"Outro\r\x7f\t", "M", {}}), "ana");
  std::string text = log.text();
  // Two calls, two lines; the forged line break, the terminal escape, CR and DEL are visible.
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text;
  EXPECT_EQ(text.find('\x1b'), std::string::npos) << text;
  EXPECT_EQ(text.find('\r'), std::string::npos) << text;
  EXPECT_EQ(text.find('\x7f'), std::string::npos) << text;
  EXPECT_NE(text.find("ok\\nGer04100"), std::string::npos) << text;
  EXPECT_NE(text.find("ana\\x1b[2J"), std::string::npos) << text;
  EXPECT_NE(text.find("Outro\\r\\x7f\\t"), std::string::npos) << text;
}

}  // namespace
}  // namespace cad::appserver
