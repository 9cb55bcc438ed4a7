// The sessions of hosts/driver/README.md, replayed through the real driver process: the command
// line and the lines each session shows are run as written (on a new database file instead of
// /tmp/treino.db), and every reply must equal the one the README prints, so the README stays a
// true transcript. The "Reports" session's PDF must also hold the chosen branches, their services
// and the page numbers; the "Grid export" session's files must read as the README shows.
#include <gtest/gtest.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/files.h"

namespace cad::test {
namespace {

using json = nlohmann::json;

std::string replaced(std::string s, const std::string& from, const std::string& to) {
  for (size_t at = 0; (at = s.find(from, at)) != std::string::npos; at += to.size()) s.replace(at, from.size(), to);
  return s;
}

// The first fenced block after the heading: "$ cadserv-driver ..." gives the arguments, a line
// with "cmd" is a command, and the line after it is its reply.
struct Session {
  std::vector<std::string> args;  // after the program name
  std::vector<std::string> commands, replies;
};

Session readSession(const std::string& heading) {
  std::ifstream in(std::string(CADSERV_SOURCE_DIR) + "/hosts/driver/README.md");
  std::string line;
  while (std::getline(in, line) && line != heading) {
  }
  while (std::getline(in, line) && line != "```") {
  }
  Session s;
  bool expectReply = false;
  while (std::getline(in, line) && line != "```") {
    if (line.rfind("$ cadserv-driver ", 0) == 0) {
      std::istringstream words(line.substr(17));
      for (std::string w; words >> w;) s.args.push_back(w);
    } else if (expectReply) {
      s.replies.push_back(line);
      expectReply = false;
    } else if (line.rfind("{\"cmd\"", 0) == 0) {
      s.commands.push_back(line);
      expectReply = true;
    }
  }
  return s;
}

// Runs the session on a new database file, with `from` replaced by `to` in commands and replies.
void Replay(const std::string& heading, const std::vector<std::string>& extraArgs, const std::string& from = {},
            const std::string& to = {}) {
  Session s = readSession(heading);
  ASSERT_FALSE(s.args.empty()) << "no command line under " << heading;
  ASSERT_FALSE(s.commands.empty()) << "no session under " << heading;
  ASSERT_EQ(s.commands.size(), s.replies.size()) << "every command shows its reply";
  auto subst = [&](const std::string& text) { return from.empty() ? text : replaced(text, from, to); };

  const std::string db = testing::TempDir() + "cadserv-readme-" + std::to_string(::getpid()) + ".db";
  std::vector<std::string> argv{std::string(CADSERV_BIN_DIR) + "/cadserv-driver"};
  for (const std::string& a : s.args) argv.push_back(a == "sqlite:/tmp/treino.db" ? "sqlite:" + db : a);
  argv.insert(argv.end(), extraArgs.begin(), extraArgs.end());
  ChildProcess driver(argv, true);
  for (size_t i = 0; i < s.commands.size(); ++i) {
    ASSERT_TRUE(driver.write(subst(s.commands[i]) + "\n"));
    std::string reply = driver.readLine(std::chrono::seconds(60));
    ASSERT_FALSE(reply.empty()) << "no reply to " << s.commands[i];
    EXPECT_EQ(json::parse(reply), json::parse(subst(s.replies[i]))) << s.commands[i] << "\n -> " << reply;
  }
  driver.closeStdin();
  EXPECT_EQ(driver.wait(std::chrono::seconds(30)), 0);
  for (const char* suffix : {"", "-wal", "-shm"}) std::remove((db + suffix).c_str());
}

TEST(DriverReadme, TheExampleSessionPrintsTheRealReplies) { Replay("## Example session", {}); }

TEST(DriverReadme, TheReportSessionWritesTheListingPdf) {
  const std::string pdf = testing::TempDir() + "cadserv-readme-report-" + std::to_string(::getpid()) + ".pdf";
  // The README's session runs on the example session's demo database.
  Replay("## Reports", {"--demo"}, "/tmp/ger041.pdf", pdf);

  std::string text = commandOutput("pdftotext -layout '" + pdf + "' -");
  for (const char* s : {"Relação de Serviços", "Filial 0001 - Central São Paulo", "Filial 0003 - Hospital Santa Clara",
                        "Jantar", "11:00 - 14:30", "Dieta Ambulatorial", "Serviços da filial 0001: 4",
                        "Serviços da filial 0003: 3", "Total de serviços: 7", "Página 1 de 1", "Emissão: 07/12/2026"})
    EXPECT_NE(text.find(s), std::string::npos) << s << "\n" << text;
  EXPECT_EQ(text.find("Unidade Campinas"), std::string::npos) << "branch 0002 was not chosen";
  std::remove(pdf.c_str());
}

// The lines of the second fenced block after the heading (the first is the session).
std::vector<std::string> secondBlock(const std::string& heading) {
  std::ifstream in(std::string(CADSERV_SOURCE_DIR) + "/hosts/driver/README.md");
  std::string line;
  while (std::getline(in, line) && line != heading) {
  }
  for (int fences = 0; fences < 3 && std::getline(in, line);) fences += line.rfind("```", 0) == 0;
  std::vector<std::string> lines;
  while (std::getline(in, line) && line != "```") lines.push_back(line);
  return lines;
}

TEST(DriverReadme, TheExportSessionWritesTheSortedListAsCsvAndXlsx) {
  const std::string base = testing::TempDir() + "cadserv-readme-export-" + std::to_string(::getpid());
  Replay("## Grid export", {}, "/tmp/servicos", base);

  std::vector<std::string> lines = secondBlock("## Grid export"), cells;
  ASSERT_EQ(lines.size(), 5u);
  std::string csv;
  for (const std::string& l : lines) {
    csv += l + "\r\n";
    std::istringstream parts(l);
    for (std::string cell; std::getline(parts, cell, ';');) cells.push_back(cell);
  }
  EXPECT_EQ(readFile(base + ".csv"), csv);
  // The sheet holds the same texts in the same order (the codes stay texts: they are text fields).
  std::string sheet = unzipEntry(base + ".xlsx", "xl/worksheets/sheet1.xml");
  std::vector<std::string> texts;
  const std::string open = "<t>", close = "</t>";
  for (size_t at = 0; (at = sheet.find(open, at)) != std::string::npos; at += open.size())
    texts.push_back(sheet.substr(at + open.size(), sheet.find(close, at) - at - open.size()));
  EXPECT_EQ(texts, cells);
  EXPECT_EQ(sheet.find("<v>"), std::string::npos);
  for (const char* ext : {".csv", ".xlsx"}) std::remove((base + ext).c_str());
}

}  // namespace
}  // namespace cad::test
