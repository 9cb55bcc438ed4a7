#include <gtest/gtest.h>

#include "platform/db/sqltext.h"

namespace cad::db {
namespace {

RewrittenSql numbered(std::string_view sql) {
  return rewriteParams(sql, [](size_t i, const std::string&) { return "$" + std::to_string(i + 1); });
}

TEST(RewriteParams, NamesBecomePlaceholdersAndRepeatsShareOne) {
  auto r = numbered("SELECT * FROM SERVICO WHERE CDFILIAL = :P_CdFilial AND (CDSERVICO = :cd OR :P_CDFILIAL IS NULL)");
  EXPECT_EQ(r.text, "SELECT * FROM SERVICO WHERE CDFILIAL = $1 AND (CDSERVICO = $2 OR $1 IS NULL)");
  ASSERT_EQ(r.names.size(), 2u);
  EXPECT_EQ(r.names[0], "P_CDFILIAL");
  EXPECT_EQ(r.names[1], "CD");
  // Adjacent to punctuation, at the very end, and followed by digits/underscores.
  r = numbered("INSERT INTO T VALUES(:A,:B_2,:a)");
  EXPECT_EQ(r.text, "INSERT INTO T VALUES($1,$2,$1)");
}

TEST(RewriteParams, QuotedTextCommentsAndCastsAreLeftAlone) {
  const char* sql =
      "SELECT ':X', 'it''s :Y', \"COL:Z\", E'a\\':W', X::text, '12:30' -- :C\n"
      " /* :D */ FROM T WHERE A = :REAL";
  auto r = numbered(sql);
  EXPECT_EQ(r.text,
            "SELECT ':X', 'it''s :Y', \"COL:Z\", E'a\\':W', X::text, '12:30' -- :C\n"
            " /* :D */ FROM T WHERE A = $1");
  ASSERT_EQ(r.names.size(), 1u);
  EXPECT_EQ(r.names[0], "REAL");
  // A backslash is an ordinary character in a standard string: the string ends at the quote.
  r = numbered("SELECT 'a\\', :P");
  EXPECT_EQ(r.text, "SELECT 'a\\', $1");
  // A cast right after a parameter, and a lone colon or a colon before a digit.
  r = numbered("SELECT :P::numeric, a[1:2], ':' || :Q");
  EXPECT_EQ(r.text, "SELECT $1::numeric, a[1:2], ':' || $2");
  // Unterminated constructs swallow the rest instead of reading past the end.
  EXPECT_EQ(numbered("SELECT 'abc :P").text, "SELECT 'abc :P");
  EXPECT_EQ(numbered("SELECT 1 /* :P").text, "SELECT 1 /* :P");
  EXPECT_EQ(numbered("SELECT 1 -- :P").names.size(), 0u);
  EXPECT_EQ(numbered("SELECT :").text, "SELECT :");
}

}  // namespace
}  // namespace cad::db
