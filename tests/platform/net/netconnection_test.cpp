// TNetConnection over the in-process transport: connect on demand, by-reference arguments written
// back, faults and unreadable replies raised with the server's place, quiet connect.
#include <gtest/gtest.h>

#include "platform/core/errors.h"
#include "platform/net/codec.h"
#include "platform/net/netconnection.h"
#include "platform/net/transport.h"

namespace cad {
namespace {

class NetConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    net::setTransportFactory(net::inProcessTransportFactory(
        [this](const std::string& body, const std::string& op) {
          lastOperator = op;
          return handler(body);
        },
        "joana"));
  }
  void TearDown() override { net::setTransportFactory(nullptr); }

  std::function<std::string(const std::string&)> handler;
  std::string lastOperator;
};

TEST_F(NetConnectionTest, CallConnectsFirstAndWritesBackByReferenceArguments) {
  handler = [](const std::string& body) {
    net::Request r = net::decodeRequest(body);
    EXPECT_EQ(r.server, "Ger04100.rdmCadastroServ");
    EXPECT_EQ(r.method, "SetExpComens");
    EXPECT_EQ(r.args.size(), 3u);
    // Writes back arguments 0 and 1; argument 1 was passed by value and keeps its value.
    return net::encodeReply({false, "", VariantArray{true, r.args[2]}, {{0, "0002"}, {1, "novo"}, {7, 1}}});
  };
  TNetConnection net;
  net.ServerName = "Ger04100.rdmCadastroServ";
  int beforeConnect = 0;
  net.BeforeConnect = [&](TNetConnection& c) {
    ++beforeConnect;
    c.Host = "127.0.0.1";
    c.Port = 8099;
  };
  Variant filial = "0001";
  Variant servico = "00010";
  Variant result = net.Call("SetExpComens", {ByRef(filial), servico, 2.5});
  EXPECT_TRUE(net.Connected());
  EXPECT_EQ(beforeConnect, 1);
  EXPECT_EQ(lastOperator, "joana");
  EXPECT_EQ(filial.str(), "0002");
  EXPECT_EQ(servico.str(), "00010");
  EXPECT_TRUE(result.asArray().at(1).isFloat());
  net.Call("SetExpComens", {1, 2, 3});
  EXPECT_EQ(beforeConnect, 1);  // still connected
  net.Close();
  EXPECT_FALSE(net.Connected());
}

TEST_F(NetConnectionTest, FailuresRaiseClearTexts) {
  TNetConnection net;
  net.ServerName = "S";
  net.Host = "10.0.0.1";
  net.Port = 8099;

  handler = [](const std::string&) { return net::encodeFault("Método desconhecido: S.X."); };
  try {
    net.Call("X");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Erro no servidor de aplicação em servidor interno (X): Método desconhecido: S.X.");
    EXPECT_EQ(net.LastError(), e.what());
  }
  handler = [](const std::string&) { return std::string("<html>"); };
  EXPECT_THROW(net.Call("X"), Exception);

  // ThrowException false keeps connecting quiet, but a call still raises.
  net.Close();
  net.Port = 0;
  net.ThrowException = false;
  EXPECT_NO_THROW(net.Open());
  EXPECT_FALSE(net.Connected());
  EXPECT_NE(net.LastError().find("Porta inválida"), std::string::npos);
  EXPECT_THROW(net.Call("X"), Exception);

  net::setTransportFactory(nullptr);
  net.Port = 8099;
  net.ThrowException = true;
  EXPECT_THROW(net.Open(), Exception);
}

TEST_F(NetConnectionTest, CallObserversSeeEveryCallWithItsOutcome) {
  handler = [](const std::string& body) {
    net::Request r = net::decodeRequest(body);
    if (r.method == "Falha") return net::encodeFault("recusado");
    return net::encodeReply({false, "", Variant("feito"), {{0, "escrito"}}});
  };
  std::vector<RpcCallRecord> seen;
  int id = AddCallObserver([&](const RpcCallRecord& r) { seen.push_back(r); });
  TNetConnection net("netTeste");
  net.ServerName = "S";
  net.Port = 8099;
  Variant porRef = "antes";
  net.Call("Grava", {ByRef(porRef), 7});
  EXPECT_THROW(net.Call("Falha", {1}), Exception);
  RemoveCallObserver(id);
  net.Call("Grava", {1});

  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].connection, "netTeste");
  EXPECT_EQ(seen[0].server, "S");
  EXPECT_EQ(seen[0].method, "Grava");
  EXPECT_EQ(seen[0].args, (VariantArray{Variant("antes"), Variant(7)})) << "arguments as sent";
  EXPECT_EQ(seen[0].result, Variant("feito"));
  EXPECT_TRUE(seen[0].error.empty());
  EXPECT_EQ(seen[1].method, "Falha");
  EXPECT_TRUE(seen[1].result.isNull());
  EXPECT_NE(seen[1].error.find("recusado"), std::string::npos);
}

}  // namespace
}  // namespace cad
