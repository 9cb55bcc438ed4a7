#include <gtest/gtest.h>

#include <map>

#include "appserver/schema.h"
#include "platform/core/format.h"
#include "platform/framework/consiste.h"
#include "tests/support/support.h"

namespace cad::appserver {
namespace {

class SchemaTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override { db = db::open(test::freshDemoDatabase(GetParam())); }
  int64_t count(const std::string& sql, const db::Params& params = {}) {
    return db->query(sql, params).rows.at(0).at(0).asInt();
  }
  std::unique_ptr<db::Database> db;
};

TEST_P(SchemaTest, CreatingTwiceIsHarmlessAndTheDemoLoadsOnce) {
  int64_t services = count("SELECT COUNT(*) AS N FROM SERVICO");
  EXPECT_GT(services, 0);
  createSchema(*db);
  EXPECT_FALSE(loadDemo(*db));
  EXPECT_EQ(count("SELECT COUNT(*) AS N FROM SERVICO"), services);
  EXPECT_FALSE(db->inTransaction());
  // A current schema is known without DDL; a table added since makes the next start set it up.
  EXPECT_TRUE(schemaCurrent(*db));
  db->execScript("CREATE TABLE EXTRA (CDEXTRA VARCHAR(4) NOT NULL, CONSTRAINT PK_EXTRA PRIMARY KEY (CDEXTRA))");
  EXPECT_FALSE(schemaCurrent(*db));
  createSchema(*db);
  EXPECT_TRUE(schemaCurrent(*db));

  // A fresh database takes the schema twice in a row, and the demo after it.
  auto empty = db::open(test::freshDatabaseUrl(GetParam()));
  createSchema(*empty);
  createSchema(*empty);
  EXPECT_EQ(empty->query("SELECT COUNT(*) AS N FROM FILIAL").rows[0][0].asInt(), 0);
  EXPECT_TRUE(loadDemo(*empty));
}

TEST_P(SchemaTest, DemoCoversWhatTheScreensNeed) {
  for (const char* type : {"N", "D", "A", "F"})
    EXPECT_GT(count("SELECT COUNT(*) AS N FROM SERVICO WHERE IDTIPOSERV = :T", {{"T", type}}), 0) << type;

  // Every corporate service has 2 to 4 shifts whose sums per day equal its estimated totals.
  std::string sums, totals;
  for (const char* dia : {"SEG", "TER", "QUA", "QUI", "SEX", "SAB", "DOM", "FER"}) {
    sums += std::string(", SUM(T.QTCOMESTT") + dia + ")";
    totals += std::string(", S.QTCOMESTI") + dia;
  }
  db::ResultSet rs =
      db->query("SELECT S.CDFILIAL, S.CDSERVFILI, COUNT(T.CDTURNO)" + sums + totals +
                " FROM SERVICO S LEFT JOIN TURNOSERV T ON T.CDFILIAL = S.CDFILIAL AND T.CDSERVFILI = S.CDSERVFILI"
                " WHERE S.IDTIPOSERV = 'N' GROUP BY S.CDFILIAL, S.CDSERVFILI" +
                totals);
  ASSERT_FALSE(rs.rows.empty());
  for (const auto& row : rs.rows) {
    std::string service = row[0].asString() + "/" + row[1].asString();
    EXPECT_GE(row[2].asInt(), 2) << service;
    EXPECT_LE(row[2].asInt(), 4) << service;
    for (size_t d = 0; d < 8; ++d) EXPECT_EQ(row[3 + d].asFloat(), row[11 + d].asFloat()) << service << " dia " << d;
  }

  // From the processing month on, dish-type costs add up to the month cost.
  rs = db->query(
      "SELECT C.VRCUSTPADR, SUM(T.VRCUSTPADRTP) AS SOMA"
      " FROM CUSTPADR C, CUSTPADRTP T WHERE T.CDFILIAL = C.CDFILIAL AND T.CDSERVFILI = C.CDSERVFILI"
      " AND T.DTREFCUSPADR = C.DTREFCUSPADR AND C.DTREFCUSPADR >= :DT"
      " GROUP BY C.CDFILIAL, C.CDSERVFILI, C.DTREFCUSPADR, C.VRCUSTPADR",
      {{"DT", DateTime::fromDate(2026, 12, 1)}});
  ASSERT_FALSE(rs.rows.empty());
  for (const auto& row : rs.rows) EXPECT_EQ(roundDec(row[0].asFloat(), 5), roundDec(row[1].asFloat(), 5));

  // Clients carry valid CPF or CNPJ numbers of their kind.
  std::map<std::string, int> kinds;
  for (const auto& row : db->query("SELECT IDTPIJURCLIE, NRINSJURCLIE FROM CLIENTE").rows) {
    std::string kind;
    EXPECT_NO_THROW(Consiste::Ajusta_Inscricao(row[1].asString(), kind)) << row[1].asString();
    EXPECT_EQ(kind, row[0].asString()) << row[1].asString();
    ++kinds[kind];
  }
  EXPECT_GT(kinds["F"], 0);
  EXPECT_GT(kinds["J"], 0);
}

TEST_P(SchemaTest, ForeignKeysHoldAndOwnedRowsGoWithTheirOwner) {
  auto kindOf = [&](const std::string& sql) {
    try {
      db->exec(sql);
    } catch (const db::Error& e) {
      return e.kind();
    }
    return db::Error::Kind::Other;  // accepted
  };
  const auto FK = db::Error::Kind::ForeignKey;
  EXPECT_EQ(
      kindOf("INSERT INTO SERVICO (CDFILIAL, CDSERVFILI, NMSERVICO, IDTIPOSERV) VALUES ('9999', '00001', 'X', 'N')"),
      FK);
  EXPECT_EQ(kindOf("INSERT INTO TURNOSERV (CDFILIAL, CDSERVFILI, CDTURNO, NMTURNO) VALUES ('0001', '99999', '1', 'X')"),
            FK);
  EXPECT_EQ(kindOf("UPDATE SERVICO SET CDGRUPSERV = '999' WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001'"), FK);
  EXPECT_EQ(kindOf("DELETE FROM FILIAL WHERE CDFILIAL = '0002'"), FK);
  // Effective billing entries and planned menus keep their services.
  EXPECT_EQ(kindOf("DELETE FROM SERVICO WHERE CDFILIAL = '0001' AND CDSERVFILI = '00090'"), FK);
  EXPECT_EQ(kindOf("DELETE FROM SERVICO WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001'"), FK);

  // Removing a menu line removes the packaging that refers to it; a month takes its dish types.
  db::Params line{{"F", "0001"}, {"S", "00001"}, {"L", 1}};
  EXPECT_GT(
      count("SELECT COUNT(*) AS N FROM RESTEMBTPPRAT WHERE CDFILIAL = :F AND CDSERVFILI = :S AND NRSEQCNFCARD = :L",
            line),
      0);
  db->exec("DELETE FROM CNFCARD WHERE CDFILIAL = :F AND CDSERVFILI = :S AND NRSEQCNFCARD = :L", line);
  EXPECT_EQ(
      count("SELECT COUNT(*) AS N FROM CNFDISTEMBTP WHERE CDFILIAL = :F AND CDSERVFILI = :S AND NRSEQCNFCARD = :L",
            line),
      0);
  EXPECT_EQ(
      count("SELECT COUNT(*) AS N FROM RESTEMBTPPRAT WHERE CDFILIAL = :F AND CDSERVFILI = :S AND NRSEQCNFCARD = :L",
            line),
      0);
  EXPECT_EQ(count("SELECT COUNT(*) AS N FROM RESTEMBCONT WHERE NRRESTEMBTPPRAT = 1"), 0);
  db::Params month{{"F", "0001"}, {"S", "00001"}, {"D", DateTime::fromDate(2027, 1, 1)}};
  EXPECT_GT(count("SELECT COUNT(*) AS N FROM CUSTPADRTP WHERE CDFILIAL = :F AND CDSERVFILI = :S AND DTREFCUSPADR = :D",
                  month),
            0);
  EXPECT_EQ(db->exec("DELETE FROM CUSTPADR WHERE CDFILIAL = :F AND CDSERVFILI = :S AND DTREFCUSPADR = :D", month), 1);
  EXPECT_EQ(count("SELECT COUNT(*) AS N FROM CUSTPADRTP WHERE CDFILIAL = :F AND CDSERVFILI = :S AND DTREFCUSPADR = :D",
                  month),
            0);
}

INSTANTIATE_TEST_SUITE_P(Db, SchemaTest, ::testing::ValuesIn(test::backends()), test::BackendName());

}  // namespace
}  // namespace cad::appserver
