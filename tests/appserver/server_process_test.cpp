// The cadserv-server process on each backend: the token from the environment or from a file (not
// only the command line, where other users can read it), the refusals of a bad token source, and
// a stop on SIGTERM within 5 s while idle and slow clients hold connections.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

#include "platform/net/codec.h"
#include "tests/support/raw_http.h"
#include "tests/support/server_child.h"
#include "tests/support/support.h"

namespace cad {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::string kCall = R"({"server":"Ger04100.rdmCadastroServ","method":"getParamGeral","args":[]})";

// Sets an environment variable for the scope (the server child inherits it).
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) { setenv(name, value.c_str(), 1); }
  ~ScopedEnv() { unsetenv(name_); }

 private:
  const char* name_;
};

class ServerProcess : public ::testing::TestWithParam<std::string> {
 protected:
  // Starts the server with `extra` arguments; the port it listens on, or 0 when it did not start
  // (its exit status then in `exitCode`).
  int start(const std::vector<std::string>& extra) {
    std::vector<std::string> args{"--db", test::freshDatabaseUrl(GetParam()), "--init", "--log-level", "warn"};
    args.insert(args.end(), extra.begin(), extra.end());
    server = std::make_unique<test::ServerChild>(args);
    if (server->port() == 0) exitCode = server->process().wait(30s);
    return server->port();
  }

  static int status(int port, const std::string& token) {
    test::RawHttp c(port);
    c.send(test::rpcRequest(token, "ADMIN", kCall));
    return c.read(30s).status;
  }

  std::string tokenFile(const std::string& content, mode_t mode = 0600) {
    char name[] = "/tmp/cadserv-token-XXXXXX";
    int fd = mkstemp(name);
    ::close(fd);
    std::ofstream(name) << content;
    chmod(name, mode);
    files.push_back(name);
    return name;
  }
  void TearDown() override {
    for (const auto& f : files) std::remove(f.c_str());
  }

  std::unique_ptr<test::ServerChild> server;
  std::vector<std::string> files;
  int exitCode = -1;
};

TEST_P(ServerProcess, TokenFromTheEnvironmentOrAFile) {
  // A file gives its first line, without the line break, and wins over the environment.
  ScopedEnv env("CADSERV_TOKEN", "do-ambiente");
  struct Case {
    std::vector<std::string> args;
    const char *accepted, *refused;
  };
  for (const Case& c : {Case{{}, "do-ambiente", "outro"},
                        Case{{"--token-file", tokenFile("do-arquivo\n")}, "do-arquivo", "do-ambiente"}}) {
    SCOPED_TRACE(c.accepted);
    int port = start(c.args);
    ASSERT_GT(port, 0);
    EXPECT_EQ(status(port, c.accepted), 200);
    EXPECT_EQ(status(port, c.refused), 401);
    EXPECT_EQ(server->process().stop(SIGTERM, 30s), 0);
  }
}

TEST_P(ServerProcess, BadTokenSourcesAreRefused) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{"--token-file", "/nao/existe"},
                                               {"--token-file", tokenFile("\n")},
                                               {"--token", "a", "--token-file", tokenFile("b")}}) {
    EXPECT_EQ(start(args), 0) << args[1];
    EXPECT_EQ(exitCode, 2) << args[1];
  }
}

TEST_P(ServerProcess, SigtermStopsWithinFiveSecondsDespiteIdleAndSlowClients) {
  int port = start({"--token", "t"});
  ASSERT_GT(port, 0);
  std::vector<std::unique_ptr<test::RawHttp>> idle, slow;
  for (int i = 0; i < 12; ++i) {
    idle.push_back(std::make_unique<test::RawHttp>(port));
    ASSERT_TRUE(idle.back()->send("GET /health HTTP/1.1\r\nHost: x\r\n\r\n"));
    ASSERT_EQ(idle.back()->read(10s).status, 200);
    slow.push_back(std::make_unique<test::RawHttp>(port));
    ASSERT_TRUE(slow.back()->send("POST /rpc HTTP/1.1\r\nX-Lento: a\r\n"));
  }
  auto begin = Clock::now();
  int code = server->process().stop(SIGTERM, 100ms);
  // The slow clients keep dripping while the server stops.
  for (int i = 0; i < 100 && code == -1; ++i) {
    for (auto& s : slow) s->send("X-Lento: b\r\n");
    code = server->process().wait(100ms);
  }
  EXPECT_EQ(code, 0);
  EXPECT_LT(std::chrono::duration<double>(Clock::now() - begin).count(), 5.0);
}

INSTANTIATE_TEST_SUITE_P(Db, ServerProcess, ::testing::ValuesIn(test::backends()), test::BackendName());

}  // namespace
}  // namespace cad
