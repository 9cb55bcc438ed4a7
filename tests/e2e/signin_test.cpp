// Operators who sign in, end to end: cadserv-server started without a host token, its `senha`
// command, and cadserv-driver signing in with a password (from the command line or a file),
// refused with the server's text for a wrong one, changing operator within the session only with
// that operator's password.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>

#include "tests/support/child_process.h"
#include "tests/support/server_child.h"
#include "tests/support/support.h"

namespace cad {
namespace {

using namespace std::chrono_literals;
using test::ChildProcess;

class SignInE2E : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    db_ = test::freshDatabaseUrl(GetParam());
    server_ =
        std::make_unique<test::ServerChild>(std::vector<std::string>{"--db", db_, "--demo", "--log-level", "warn"});
    ASSERT_GT(server_->port(), 0) << "saída do servidor: " << server_->output();
  }
  void TearDown() override {
    if (server_) {
      EXPECT_EQ(server_->process().stop(SIGTERM, 30s), 0);
    }
    for (const auto& f : files_) std::remove(f.c_str());
  }

  // Runs the driver with `args` on `input` lines; its reply lines, and its exit status in `rc`.
  std::vector<std::string> drive(std::vector<std::string> args, const std::vector<std::string>& input, int& rc) {
    args.insert(args.begin(),
                {std::string(CADSERV_BIN_DIR) + "/cadserv-driver", "--server", server_->address(), "--db", db_});
    ChildProcess driver(args, true);
    for (const auto& l : input) driver.write(l + "\n");
    driver.closeStdin();
    std::vector<std::string> out;
    // Every reply is a non-empty line; "" is the end of output.
    for (std::string l = driver.readLine(60s); !l.empty(); l = driver.readLine(60s)) out.push_back(l);
    rc = driver.wait(30s);
    return out;
  }
  std::string file(const std::string& content) {
    char name[] = "/tmp/cadserv-senha-XXXXXX";
    ::close(mkstemp(name));
    std::ofstream(name) << content;
    files_.push_back(name);
    return name;
  }

  std::string db_;
  std::unique_ptr<test::ServerChild> server_;
  std::vector<std::string> files_;
};

TEST_P(SignInE2E, DriverSignsInChangesOperatorOnlyWithTheirPasswordAndSenhaReplacesIt) {
  int rc = -1;
  std::vector<std::string> out = drive(
      {"--operator", "maria", "--password", "maria"},
      {R"({"cmd":"open","entry":"CriaCadServico"})", R"({"cmd":"session","set":{"operator":"JOAO","password":"x"}})",
       R"({"cmd":"session","set":{"operator":"JOAO","password":"joao"}})"},
      rc);
  EXPECT_EQ(rc, 0);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_NE(out[0].find("\"ok\":true"), std::string::npos) << out[0];
  EXPECT_EQ(out[1], R"({"ok":false,"error":"Operador ou senha inválidos."})");
  EXPECT_NE(out[2].find(R"("operator":"JOAO")"), std::string::npos) << out[2];

  // No password at all is a usage error.
  drive({"--operator", "MARIA"}, {R"({"cmd":"forms"})"}, rc);
  EXPECT_EQ(rc, 2);

  // `senha` replaces JOAO's password: the old one now ends the driver before any command.
  ChildProcess senha({std::string(CADSERV_BIN_DIR) + "/cadserv-server", "senha", "--db", db_, "--operator", "joao",
                      "--password-file", file("uma senha nova\n")});
  EXPECT_EQ(senha.wait(60s), 0);
  EXPECT_TRUE(drive({"--operator", "JOAO", "--password", "joao"}, {R"({"cmd":"forms"})"}, rc).empty());
  EXPECT_EQ(rc, 1);
  out = drive({"--operator", "JOAO", "--password-file", file("uma senha nova")}, {R"({"cmd":"session"})"}, rc);
  EXPECT_EQ(rc, 0);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_NE(out[0].find(R"("operator":"JOAO")"), std::string::npos) << out[0];

  ChildProcess unknown({std::string(CADSERV_BIN_DIR) + "/cadserv-server", "senha", "--db", db_, "--operator", "NINGUEM",
                        "--password-file", file("x")});
  EXPECT_EQ(unknown.wait(60s), 1);
}

INSTANTIATE_TEST_SUITE_P(Db, SignInE2E, ::testing::ValuesIn(test::backends()), test::BackendName());

}  // namespace
}  // namespace cad
