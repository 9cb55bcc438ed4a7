// The example session of hosts/driver/README.md, replayed through the real driver process: the
// command line and the lines it shows are run as written (on a new database file instead of
// /tmp/treino.db), and every reply must equal the one the README prints, so the example stays
// a true transcript.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/child_process.h"

namespace cad::test {
namespace {

using json = nlohmann::json;

struct Example {
  std::vector<std::string> args;  // after the program name
  std::vector<std::string> commands, replies;
};

// The first fenced block after "## Example session": "$ cadserv-driver ..." gives the arguments,
// a line with "cmd" is a command, and the line after it is its reply.
Example readExample(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line) && line != "## Example session") {
  }
  while (std::getline(in, line) && line != "```") {
  }
  Example ex;
  bool expectReply = false;
  while (std::getline(in, line) && line != "```") {
    if (line.rfind("$ cadserv-driver ", 0) == 0) {
      std::istringstream words(line.substr(17));
      for (std::string w; words >> w;) ex.args.push_back(w);
    } else if (expectReply) {
      ex.replies.push_back(line);
      expectReply = false;
    } else if (line.rfind("{\"cmd\"", 0) == 0) {
      ex.commands.push_back(line);
      expectReply = true;
    }
  }
  return ex;
}

TEST(DriverReadme, TheExampleSessionPrintsTheRealReplies) {
  Example ex = readExample(std::string(CADSERV_SOURCE_DIR) + "/hosts/driver/README.md");
  ASSERT_FALSE(ex.args.empty()) << "no command line in the example";
  ASSERT_FALSE(ex.commands.empty());
  ASSERT_EQ(ex.commands.size(), ex.replies.size()) << "every command shows its reply";

  std::string db = testing::TempDir() + "cadserv-readme-example.db";
  for (const char* suffix : {"", "-wal", "-shm"}) std::remove((db + suffix).c_str());
  std::vector<std::string> args{std::string(CADSERV_BIN_DIR) + "/cadserv-driver"};
  for (const std::string& a : ex.args) args.push_back(a == "sqlite:/tmp/treino.db" ? "sqlite:" + db : a);
  ChildProcess driver(args, true);
  for (size_t i = 0; i < ex.commands.size(); ++i) {
    ASSERT_TRUE(driver.write(ex.commands[i] + "\n"));
    std::string reply = driver.readLine(std::chrono::seconds(60));
    ASSERT_FALSE(reply.empty()) << "no reply to " << ex.commands[i];
    EXPECT_EQ(json::parse(reply), json::parse(ex.replies[i])) << ex.commands[i] << "\n -> " << reply;
  }
  driver.closeStdin();
  EXPECT_EQ(driver.wait(std::chrono::seconds(30)), 0);
  for (const char* suffix : {"", "-wal", "-shm"}) std::remove((db + suffix).c_str());
}

}  // namespace
}  // namespace cad::test
