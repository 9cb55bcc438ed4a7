// The real cadserv-driver process (embedded server on a new demo database) fed a long run of
// malformed lines between valid ones: every line gets exactly one reply, in order; each bad line
// is answered {"ok": false} with a reason; the valid lines around them still work; and the driver
// exits 0 at the end of input, even when the last line has no newline. A driver whose reader went
// away stops reading and exits 1, rather than dying of SIGPIPE or waiting on input forever.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/support.h"

namespace cad::test {
namespace {

using json = nlohmann::json;

// Grouped by what is wrong: not a command at all, an unknown or ill-typed command, a field of
// the wrong type or out of range, a name that is not there, and lines no parser should take.
const std::string kDeep = "{\"cmd\":\"forms\",\"x\":" + std::string(100, '[') + std::string(100, ']') + "}";
const std::string kLong = "{\"cmd\":\"sql\",\"query\":\"" + std::string(size_t{2} << 20, 'x') + "\"}";

std::vector<std::string> badLines() {
  return {
      "",
      "not json",
      "{",
      "[1,2]",
      "null",
      "{}",
      R"({"cmd":null})",
      R"({"cmd":"explode"})",
      R"({"cmd":"forms","extra":1})",
      R"({"cmd":"open"})",
      R"({"cmd":"open","entry":5})",
      R"({"cmd":"open","entry":"NaoExiste"})",
      R"({"cmd":"open","entry":"CriaCadServico","code":"../../etc/x"})",
      R"({"cmd":"open","entry":"CriaCadServico","arg":1,"args":[]})",
      R"({"cmd":"open","entry":"IniProc","args":"0001"})",
      R"({"cmd":"click"})",
      R"({"cmd":"click","control":"naoExiste"})",
      R"({"cmd":"click","control":"sbtIncluir"})",
      R"({"cmd":"click","control":"qryFilial"})",
      R"({"cmd":"dblclick","control":"mnuIncluir"})",
      R"({"cmd":"focus","control":"medCdFilial","form":"frmOutro"})",
      R"({"cmd":"type","control":"medCdFilial"})",
      R"({"cmd":"set","control":"lblFilial","text":"x"})",
      R"({"cmd":"key","control":"medCdFilial"})",
      R"({"cmd":"key","key":"F13"})",
      R"({"cmd":"key","key":"Tab","shift":["hyper"]})",
      R"({"cmd":"cell","control":"dbgPadrao","row":0,"col":0})",
      R"({"cmd":"cell","control":"dbgPadrao","row":1.5,"col":0})",
      R"({"cmd":"cell","control":"dbgPadrao","row":123456789012345678901234567890,"col":0})",
      R"({"cmd":"cell","control":"dbgPadrao","row":1,"col":"NAOEXISTE"})",
      R"({"cmd":"title","control":"dbgPadrao","col":99})",
      R"({"cmd":"cell","control":"medCdFilial","row":1,"col":0})",
      R"({"cmd":"select","control":"medCdFilial","index":0})",
      R"({"cmd":"nav","control":"dbnPadrao","button":"up"})",
      R"({"cmd":"nav","control":"dbnPadrao","button":"next"})",
      R"({"cmd":"select","control":"medCdFilial","index":1,"indexes":[1]})",
      R"({"cmd":"close","form":"frmNaoExiste"})",
      R"({"cmd":"answer","button":"Talvez"})",
      R"({"cmd":"answer"})",
      R"({"cmd":"pick"})",
      R"({"cmd":"pick","match":{}})",
      R"({"cmd":"pick","match":{"CDFILIAL":[1]}})",
      R"({"cmd":"pick","match":{"CDFILIAL":"0001"},"cancel":true})",
      R"({"cmd":"picklist","keys":[{}]})",
      R"({"cmd":"get","control":"naoExiste"})",
      R"({"cmd":"dataset","name":"naoExiste"})",
      R"({"cmd":"sql","query":"SELECT * FROM TABELA_QUE_NAO_EXISTE"})",
      R"({"cmd":"sql","query":"SELECT :A","params":[1,2]})",
      R"({"cmd":"sql","query":"SELECT :A","params":{"A":{"$date":"2026-02-30"}}})",
      R"({"cmd":"session","set":{"token":"x"}})",
      R"({"cmd":"session","set":{"module":"abc"}})",
      // Deep nesting is refused before parsing, an unterminated one as well; invalid UTF-8, a NUL
      // in the middle, a lone carriage return inside; longer than the 1 MiB limit.
      kDeep,
      std::string(200000, '['),
      "{\"cmd\":\"\xff\xfe\"}",
      std::string("{\"cmd\":\"forms\"}\0junk", 20),
      "{\"cmd\":\"forms\"}\r{\"cmd\":\"forms\"}",
      kLong,
  };
}

ChildProcess StartDriver() {
  return ChildProcess({std::string(CADSERV_BIN_DIR) + "/cadserv-driver", "--embedded", "--db",
                       freshDatabaseUrl("sqlite"), "--demo", "--operator", "ADMIN", "--branch", "0001"},
                      true);
}

TEST(DriverProcess, AnswersEveryMalformedLineWithAReasonAndExitsZero) {
  std::vector<std::string> bad = badLines();
  std::vector<std::string> lines;
  lines.push_back(R"({"cmd":"open","entry":"CriaCadServico"})");
  lines.insert(lines.end(), bad.begin(), bad.end());
  lines.push_back(R"({"cmd":"get","control":"medCdFilial"})");

  ChildProcess driver = StartDriver();
  std::string input;
  for (const auto& l : lines) input += l + "\n";
  // The last line has no newline: it is still a line.
  input += R"({"cmd":"forms"})";
  ASSERT_TRUE(driver.write(input));
  driver.closeStdin();

  std::vector<json> replies;
  for (size_t i = 0; i <= lines.size(); ++i) {
    std::string line = driver.readLine(std::chrono::seconds(120));
    ASSERT_FALSE(line.empty()) << "sem resposta para a linha " << i << ": "
                               << (i < lines.size() ? lines[i].substr(0, 80) : "forms");
    replies.push_back(json::parse(line));
  }
  EXPECT_EQ(driver.readLine(std::chrono::seconds(30)), "");
  EXPECT_TRUE(driver.atEnd());
  EXPECT_EQ(driver.wait(std::chrono::seconds(60)), 0);

  EXPECT_EQ(replies.front()["form"], "frmCadastroServ") << replies.front();
  for (size_t i = 1; i + 1 < lines.size(); ++i) {
    const json& r = replies[i];
    EXPECT_EQ(r["ok"], false) << "linha " << i << ": " << lines[i].substr(0, 80) << " -> " << r;
    ASSERT_TRUE(r.contains("error") && r["error"].is_string()) << r;
    EXPECT_FALSE(r["error"].get<std::string>().empty()) << "linha " << i;
  }
  // The screen is still there and answering after all of it.
  EXPECT_EQ(replies[lines.size() - 1]["type"], "TMaskEdit") << replies[lines.size() - 1];
  EXPECT_EQ(replies.back()["forms"][0]["name"], "frmCadastroServ");

  // A few reasons, checked for what they say.
  auto reason = [&](const std::string& line) {
    size_t i = std::find(lines.begin(), lines.end(), line) - lines.begin();
    return i < lines.size() ? replies[i]["error"].get<std::string>() : std::string();
  };
  EXPECT_NE(reason("not json").find("JSON inválido"), std::string::npos);
  EXPECT_NE(reason(R"({"cmd":"explode"})").find("Comando desconhecido"), std::string::npos);
  EXPECT_NE(reason(R"({"cmd":"open"})").find("'entry' ausente"), std::string::npos);
  EXPECT_NE(reason(R"({"cmd":"click","control":"naoExiste"})").find("não encontrado"), std::string::npos);
  EXPECT_NE(reason(kLong).find("Linha longa demais"), std::string::npos);
  EXPECT_NE(reason(kDeep).find("aninhado"), std::string::npos);
}

TEST(DriverProcess, StopsReadingAndExitsOneWhenItsRepliesCannotBeWritten) {
  ChildProcess driver = StartDriver();
  ASSERT_TRUE(driver.write("{\"cmd\":\"forms\"}\n"));
  std::string first = driver.readLine(std::chrono::seconds(120));
  ASSERT_EQ(json::parse(first)["ok"], true) << first;  // serving: what follows is the closed output's doing

  driver.closeStdout();
  // Input stays open: only the failed reply can end the session.
  ASSERT_TRUE(driver.write("{\"cmd\":\"forms\"}\n{\"cmd\":\"forms\"}\n"));
  EXPECT_EQ(driver.wait(std::chrono::seconds(60)), 1);
}

}  // namespace
}  // namespace cad::test
