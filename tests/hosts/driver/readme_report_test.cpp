// The "Reports" session of hosts/driver/README.md, replayed through the real driver process on a
// new demo database: every reply must equal the one the README prints, and the PDF the `report`
// command wrote must hold the chosen branches, their services and the page numbers.
#include <gtest/gtest.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/child_process.h"

namespace cad::test {
namespace {

using json = nlohmann::json;

std::string replaced(std::string s, const std::string& from, const std::string& to) {
  for (size_t at = 0; (at = s.find(from, at)) != std::string::npos; at += to.size()) s.replace(at, from.size(), to);
  return s;
}

TEST(DriverReadme, TheReportSessionWritesTheListingPdf) {
  std::ifstream in(std::string(CADSERV_SOURCE_DIR) + "/hosts/driver/README.md");
  std::string line;
  while (std::getline(in, line) && line != "## Reports") {
  }
  while (std::getline(in, line) && line != "```") {
  }
  std::vector<std::string> args, commands, replies;
  bool expectReply = false;
  while (std::getline(in, line) && line != "```") {
    if (line.rfind("$ cadserv-driver ", 0) == 0) {
      std::istringstream words(line.substr(17));
      for (std::string w; words >> w;) args.push_back(w);
    } else if (expectReply) {
      replies.push_back(line);
      expectReply = false;
    } else if (line.rfind("{\"cmd\"", 0) == 0) {
      commands.push_back(line);
      expectReply = true;
    }
  }
  ASSERT_FALSE(commands.empty()) << "no session under ## Reports";
  ASSERT_EQ(commands.size(), replies.size());

  const std::string tag = std::to_string(::getpid());
  const std::string db = testing::TempDir() + "cadserv-readme-report-" + tag + ".db";
  const std::string pdf = testing::TempDir() + "cadserv-readme-report-" + tag + ".pdf";
  std::vector<std::string> argv{std::string(CADSERV_BIN_DIR) + "/cadserv-driver"};
  for (const std::string& a : args) argv.push_back(a == "sqlite:/tmp/treino.db" ? "sqlite:" + db : a);
  argv.push_back("--demo");  // the README's session runs on the example session's demo database
  ChildProcess driver(argv, true);
  for (size_t i = 0; i < commands.size(); ++i) {
    ASSERT_TRUE(driver.write(replaced(commands[i], "/tmp/ger041.pdf", pdf) + "\n"));
    std::string reply = driver.readLine(std::chrono::seconds(60));
    ASSERT_FALSE(reply.empty()) << "no reply to " << commands[i];
    EXPECT_EQ(json::parse(reply), json::parse(replaced(replies[i], "/tmp/ger041.pdf", pdf))) << commands[i] << "\n -> " << reply;
  }
  driver.closeStdin();
  EXPECT_EQ(driver.wait(std::chrono::seconds(30)), 0);

  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(("pdftotext -layout '" + pdf + "' -").c_str(), "r"), pclose);
  ASSERT_TRUE(pipe);
  std::string text;
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, pipe.get())) > 0;) text.append(buf, n);
  for (const char* s : {"Filial 0001 - Central São Paulo", "Filial 0003 - Hospital Santa Clara", "Jantar",
                        "Dieta Ambulatorial", "Total de serviços: 7", "Página 1 de 1"})
    EXPECT_NE(text.find(s), std::string::npos) << s << "\n" << text;
  EXPECT_EQ(text.find("Unidade Campinas"), std::string::npos) << "branch 0002 was not chosen";
  for (const char* suffix : {"", "-wal", "-shm"}) std::remove((db + suffix).c_str());
  std::remove(pdf.c_str());
}

}  // namespace
}  // namespace cad::test
