// The HTTP front and the HTTP transport together: a call through TNetConnection reaches the
// handler with the operator, and every transport failure (refused connection, missing or wrong
// token, oversized body, timeout) raises the documented text naming host and port, or the server's
// own reason for a refused session.
#include <gtest/gtest.h>

#include <thread>

#include "appserver/httpserver.h"
#include "platform/core/errors.h"
#include "platform/net/codec.h"
#include "platform/net/netconnection.h"
#include "platform/net/transport.h"

namespace cad::appserver {
namespace {

class HttpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server = std::make_unique<HttpServer>(
        [this](const std::string& body, const std::string& op) {
          net::Request r = net::decodeRequest(body);
          if (r.method == "Dorme") std::this_thread::sleep_for(std::chrono::milliseconds(1500));
          return net::encodeReply({false, "", VariantArray{op, r.args.empty() ? Variant() : r.args[0]}, {}});
        },
        HttpServerOptions{"segredo", 4096, std::chrono::seconds(1)});
    port = server->bind("127.0.0.1", 0);
    thread = std::thread([this] { server->run(); });
    server->waitUntilReady();
  }
  void TearDown() override {
    server->stop();
    thread.join();
    net::setTransportFactory(nullptr);
  }

  // Message of the exception a call raises with these transport options.
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

  std::unique_ptr<HttpServer> server;
  std::thread thread;
  int port = 0;
};

TEST_F(HttpTest, CallsReachTheHandlerWithTheOperator) {
  net::setTransportFactory(net::httpTransportFactory({"segredo", "ana"}));
  TNetConnection c;
  c.ServerName = "S";
  c.BeforeConnect = [&](TNetConnection& self) {
    self.Host = "127.0.0.1";
    self.Port = port;
  };
  c.Open();  // GET /health
  for (int i = 0; i < 3; ++i) {  // several calls on one kept-alive connection
    Variant r = c.Call("M", {std::string("ação ") + std::to_string(i)});
    EXPECT_EQ(r.asArray().at(0).str(), "ana");
    EXPECT_EQ(r.asArray().at(1).str(), "ação " + std::to_string(i));
  }
  // The server closed the idle connection meanwhile; the next call reconnects by itself.
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  EXPECT_EQ(c.Call("M", {"de novo"}).asArray().at(1).str(), "de novo");
}

TEST_F(HttpTest, TransportFailuresNameHostAndPort) {
  std::string where = "127.0.0.1:" + std::to_string(port);
  // A refused session raises the server's own reason.
  EXPECT_EQ(failure({"errado", "ana"}, port), "Sessão não autorizada: token ausente ou inválido.");
  EXPECT_EQ(failure({"", "ana"}, port), "Sessão não autorizada: token ausente ou inválido.");
  EXPECT_EQ(failure({"segredo", ""}, port), "Sessão não autorizada: operador não informado.");
  EXPECT_EQ(failure({"segredo", "ana"}, port, "M", std::string(5000, 'x')),
            "Requisição grande demais para o servidor de aplicação em " + where + ".");
  net::HttpOptions impatient{"segredo", "ana"};
  impatient.readTimeout = std::chrono::milliseconds(300);
  EXPECT_EQ(failure(impatient, port, "Dorme"),
            "O servidor de aplicação em " + where + " não respondeu a tempo ou encerrou a conexão.");

  // A port nobody listens on any more.
  int closedPort;
  {
    HttpServer other([](const std::string&, const std::string&) { return std::string(); }, {"x", 10});
    closedPort = other.bind("127.0.0.1", 0);
    std::thread t([&] { other.run(); });
    other.waitUntilReady();
    other.stop();
    t.join();
  }
  EXPECT_EQ(failure({"segredo", "ana"}, closedPort),
            "Não foi possível conectar ao servidor de aplicação em 127.0.0.1:" + std::to_string(closedPort) + ".");
}

}  // namespace
}  // namespace cad::appserver
