// The real cadserv-server process on a free loopback port, on a new database of each backend
// (--init --demo): answers getParamGeral with the token, refuses a call without it (401), answers
// malformed JSON and unknown methods with an error while staying alive, and exits 0 on SIGTERM.
#include <gtest/gtest.h>
#include <httplib.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include "platform/net/codec.h"
#include "tests/support/support.h"

extern char** environ;

namespace cad {
namespace {

// A child process whose stdout we read line by line; killed if the test leaves early.
class ServerProcess {
 public:
  explicit ServerProcess(const std::vector<std::string>& args) {
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, fds[1], 1);
    posix_spawn_file_actions_addclose(&fa, fds[0]);
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int rc = posix_spawn(&pid_, args[0].c_str(), &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    close(fds[1]);
    out_ = fds[0];
    if (rc != 0) throw std::runtime_error("spawn " + args[0]);
  }
  ~ServerProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    close(out_);
  }

  // The next stdout line, or "" at end of output or after the deadline.
  std::string readLine(std::chrono::seconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
      size_t nl = buf_.find('\n');
      if (nl != std::string::npos) {
        std::string line = buf_.substr(0, nl);
        buf_.erase(0, nl + 1);
        return line;
      }
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return "";
      pollfd p{out_, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left.count())) <= 0) return "";
      char chunk[512];
      ssize_t n = read(out_, chunk, sizeof chunk);
      if (n <= 0) return "";
      buf_.append(chunk, static_cast<size_t>(n));
    }
  }

  // Sends a signal and waits for the exit status; -1 when it did not exit normally in time.
  int stop(int sig, std::chrono::seconds timeout) {
    kill(pid_, sig);
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      usleep(20000);
    }
    return -1;
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  std::string buf_;
};

class ServerProcessTest : public ::testing::TestWithParam<std::string> {};

TEST_P(ServerProcessTest, ServesWithTokenRefusesWithoutAndStopsCleanly) {
  ServerProcess server({std::string(CADSERV_BIN_DIR) + "/cadserv-server", "--listen", "127.0.0.1:0", "--db",
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
