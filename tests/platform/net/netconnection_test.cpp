// TNetConnection over the in-process transport: connect on demand, by-reference arguments written
// back, faults and unreadable replies raised with the server's place, quiet connect.
#include <gtest/gtest.h>

#include "platform/core/errors.h"
#include "platform/net/codec.h"
#include "platform/net/netconnection.h"
#include "platform/net/transport.h"
#include "tests/support/error_text.h"

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
  EXPECT_EQ(beforeConnect, 1);
  EXPECT_EQ(lastOperator, "joana");
  EXPECT_EQ(filial.str(), "0002");
  EXPECT_EQ(servico.str(), "00010");
  EXPECT_TRUE(result.asArray().at(1).isFloat());
  net.Call("SetExpComens", {1, 2, 3});
  EXPECT_EQ(beforeConnect, 1);  // still connected
}

TEST_F(NetConnectionTest, FailuresRaiseClearTexts) {
  TNetConnection net;
  net.ServerName = "S";
  net.Host = "10.0.0.1";
  net.Port = 8099;

  handler = [](const std::string&) { return net::encodeFault("Método desconhecido: S.X."); };
  EXPECT_EQ(test::ErrorText([&] { net.Call("X"); }),
            "Erro no servidor de aplicação em servidor interno (X): Método desconhecido: S.X.");
  EXPECT_EQ(net.LastError(), "Erro no servidor de aplicação em servidor interno (X): Método desconhecido: S.X.");
  handler = [](const std::string&) { return std::string("<html>"); };
  EXPECT_THROW(net.Call("X"), Exception);

  // ThrowException false keeps connecting quiet, but a call still raises.
  net.Close();
  net.Port = 0;
  net.ThrowException = false;
  EXPECT_NO_THROW(net.Open());
  EXPECT_NE(net.LastError().find("Porta inválida"), std::string::npos);
  EXPECT_THROW(net.Call("X"), Exception);

  net::setTransportFactory(nullptr);
  net.Port = 8099;
  net.ThrowException = true;
  EXPECT_THROW(net.Open(), Exception);
}

}  // namespace
}  // namespace cad
