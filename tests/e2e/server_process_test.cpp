// The real cadserv-server process on a free loopback port, on a new database of each backend
// (--init --demo): answers getParamGeral with the token, refuses a call without it (401), answers
// malformed JSON and unknown methods with an error while staying alive, and exits 0 on SIGTERM.
#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>

#include <chrono>

#include "platform/net/codec.h"
#include "tests/support/child_process.h"
#include "tests/support/support.h"

namespace cad {
namespace {

class ServerProcessTest : public ::testing::TestWithParam<std::string> {};

TEST_P(ServerProcessTest, ServesWithTokenRefusesWithoutAndStopsCleanly) {
  test::ChildProcess server({std::string(CADSERV_BIN_DIR) + "/cadserv-server", "--listen", "127.0.0.1:0", "--db",
                              test::freshDatabaseUrl(GetParam()), "--init", "--demo", "--token", "e2e-token",
                              "--log-level", "warn"});
  std::string line = server.readLine(std::chrono::seconds(60));
  size_t at = line.find("http://127.0.0.1:");
  ASSERT_NE(at, std::string::npos) << "saída do servidor: " << line;
  int port = std::stoi(line.substr(at + 17));

  httplib::Client client("127.0.0.1", port);
  client.set_read_timeout(30, 0);
  httplib::Headers auth{{"Authorization", "Bearer e2e-token"}, {"X-Operator", "ADMIN"}};
  const std::string call = R"({"server":"Ger04100.rdmCadastroServ","method":"getParamGeral","args":[]})";

  auto res = client.Post("/rpc", auth, call, "application/json");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 200);
  net::Reply reply = net::decodeReply(res->body);
  ASSERT_FALSE(reply.isFault) << reply.fault;
  EXPECT_NE(reply.result.str().find("\"IDUTCARDPADR\""), std::string::npos);  // a JSON object text

  res = client.Post("/rpc", call, "application/json");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 401);
  httplib::Headers wrong{{"Authorization", "Bearer outro"}, {"X-Operator", "ADMIN"}};
  res = client.Post("/rpc", wrong, call, "application/json");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 401);

  for (const std::string& bad : {std::string("{\"server\": [1, 2"),
                                 std::string(R"({"server":"Ger04100.rdmCadastroServ","method":"Nenhum","args":[]})"),
                                 std::string(R"({"server":"Ger04100.rdmCadastroServ","method":"GetServico","args":[1]})")}) {
    res = client.Post("/rpc", auth, bad, "application/json");
    ASSERT_TRUE(res) << bad;
    EXPECT_TRUE(net::decodeReply(res->body).isFault) << bad;
  }
  res = client.Get("/health");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 200);

  EXPECT_EQ(server.stop(SIGTERM, std::chrono::seconds(30)), 0);
}

INSTANTIATE_TEST_SUITE_P(Db, ServerProcessTest, ::testing::ValuesIn(test::backends()), test::BackendName());

}  // namespace
}  // namespace cad
