#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "appserver/schema.h"
#include "platform/core/format.h"
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

// Tax numbers of the demo clients must pass the usual check-digit rules.
bool validCpf(const std::string& s) {
  if (s.size() != 11 || !isAllDigits(s)) return false;
  for (int k = 9; k <= 10; ++k) {
    int sum = 0;
    for (int i = 0; i < k; ++i) sum += (s[i] - '0') * (k + 1 - i);
    int d = sum * 10 % 11 % 10;
    if (d != s[k] - '0') return false;
  }
  return true;
}
bool validCnpj(const std::string& s) {
  if (s.size() != 14 || !isAllDigits(s)) return false;
  static const int w[] = {6, 5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2};
  for (int k = 12; k <= 13; ++k) {
    int sum = 0;
    for (int i = 0; i < k; ++i) sum += (s[i] - '0') * w[i + 13 - k];
    int r = sum % 11;
    if ((r < 2 ? 0 : 11 - r) != s[k] - '0') return false;
  }
  return true;
}

TEST_P(SchemaTest, CreatingTwiceIsHarmlessAndTheDemoLoadsOnce) {
  int64_t services = count("SELECT COUNT(*) AS N FROM SERVICO");
  EXPECT_GT(services, 0);
  createSchema(*db);
  EXPECT_FALSE(loadDemo(*db));
  EXPECT_EQ(count("SELECT COUNT(*) AS N FROM SERVICO"), services);
  EXPECT_FALSE(db->inTransaction());

  // A fresh database takes the schema twice in a row, and the demo after it.
  auto empty = db::open(test::freshDatabaseUrl(GetParam()));
  createSchema(*empty);
  createSchema(*empty);
  EXPECT_EQ(empty->query("SELECT COUNT(*) AS N FROM FILIAL").rows[0][0].asInt(), 0);
  EXPECT_TRUE(loadDemo(*empty));
}

TEST_P(SchemaTest, ColumnsReadBackWithTheScreensTypesAndSizes) {
  db::ResultSet rs = db->query(
      "SELECT CDFILIAL, NMFILIAL, IDCNTRRESC, CDFILCENTPME, IDFILCENTPME FROM FILIAL"
      " WHERE CDFILIAL = :P_CDFILIAL OR :P_TCDFILIAL = 'T' ORDER BY CDFILIAL",
      {{"P_CDFILIAL", ""}, {"P_TCDFILIAL", "T"}});
  ASSERT_EQ(rs.rows.size(), 3u);
  EXPECT_EQ(rs.columns[0].size, 4);
  EXPECT_EQ(rs.columns[1].size, 30);
  EXPECT_TRUE(rs.columns[2].fixedChar);
  // Central branch, aggregate under it, independent branch.
  EXPECT_EQ(rs.rows[0][4].asString(), "S");
  EXPECT_EQ(rs.rows[1][3].asString(), "0001");
  EXPECT_EQ(rs.rows[1][4].asString(), "N");
  EXPECT_TRUE(rs.rows[2][3].isNull());

  rs = db->query("SELECT DTREFCUSPADR, VRCUSTPADR FROM CUSTPADR WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001'"
                 " ORDER BY DTREFCUSPADR");
  EXPECT_EQ(rs.columns[0].type, FieldType::DateTime);
  EXPECT_EQ(rs.columns[1].type, FieldType::Float);
  ASSERT_GE(rs.rows.size(), 2u);
  DateTime dec2026 = DateTime::fromDate(2026, 12, 1);
  EXPECT_LT(rs.rows.front()[0].asDateTime().serial, dec2026.serial);
  EXPECT_GT(rs.rows.back()[0].asDateTime().serial, dec2026.serial);
  for (const auto& row : rs.rows) EXPECT_TRUE(row[1].isFloat());

  rs = db->query("SELECT NRSEQCNFCARD, CDTIPOPRAT FROM CNFCARD WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001'"
                 " ORDER BY NRORDCNFCARD");
  EXPECT_EQ(rs.columns[0].type, FieldType::Integer);
  EXPECT_EQ(rs.columns[1].size, 2);
}

TEST_P(SchemaTest, DemoCoversWhatTheScreensNeed) {
  // All four service types, with shifts on a corporate service.
  for (const char* type : {"N", "D", "A", "F"})
    EXPECT_GT(count("SELECT COUNT(*) AS N FROM SERVICO WHERE IDTIPOSERV = :T", {{"T", type}}), 0) << type;
  // Branches open to JOAO (the branch lookup of the side screens): not 0002.
  db::ResultSet rs = db->query(
      "SELECT FILIAL.CDFILIAL, FILIAL.NMFILIAL\nFROM FILIAL, FILIOPER\nWHERE FILIAL.CDFILIAL = FILIOPER.CDFILIAL\n"
      "AND FILIOPER.CDOPERADOR = :P_CDOPERADOR\nORDER BY FILIAL.CDFILIAL",
      {{"P_CDOPERADOR", "JOAO"}});
  ASSERT_EQ(rs.rows.size(), 2u);
  EXPECT_EQ(rs.rows[0][0].asString(), "0001");
  EXPECT_EQ(rs.rows[1][0].asString(), "0003");
  // Planning parameters for two branches, none for the third.
  EXPECT_EQ(count("SELECT COUNT(*) AS N FROM PARAMPLANEJA WHERE CDFILIAL = '0003'"), 0);
  EXPECT_EQ(count("SELECT COUNT(*) AS N FROM PARAMPLANEJA"), 2);
  EXPECT_EQ(count("SELECT COUNT(*) AS N FROM PARAMGERAL"), 1);
  // Standard services joined to their products.
  rs = db->query("SELECT SERVPADR.CDSERVPADR, SERVPADR.NMSERVPADR, SERVPADR.CDPRODUTO, PRODUTO.CDARVPROD, PRODUTO.NMPRODUTO"
                 " FROM SERVPADR, PRODUTO WHERE PRODUTO.CDPRODUTO = SERVPADR.CDPRODUTO"
                 " AND (SERVPADR.CDSERVPADR = :P_CDSERVPADR OR :P_TCDSERVPADR = 'T') ORDER BY CDSERVPADR",
                 {{"P_CDSERVPADR", "00001"}});
  ASSERT_EQ(rs.rows.size(), 1u);
  EXPECT_EQ(rs.rows[0][4].asString(), "Almoço Executivo");
  // Only complete products sit at the last tree level.
  int64_t levels = count("SELECT MAX(CDNVPRODUTO) AS N FROM NIVELPROD");
  rs = db->query("SELECT CDARVPROD FROM PRODUTO WHERE CDNVPRODUTO = :P_CDNVPRODUTO ORDER BY CDARVPROD",
                 {{"P_CDNVPRODUTO", levels}});
  ASSERT_FALSE(rs.rows.empty());
  for (const auto& row : rs.rows) EXPECT_EQ(row[0].asString().size(), 7u);

  // Shift sums per day (the screen's own query) equal the service's estimated totals.
  rs = db->query("SELECT CDFILIAL, CDSERVFILI, SUM(QTCOMESTTSEG) AS SEG, SUM(QTCOMESTTFER) AS FER FROM TURNOSERV"
                 " WHERE CDSERVFILI = :P_CDSERVICO AND CDFILIAL = :P_CDFILIAL GROUP BY CDFILIAL, CDSERVFILI",
                 {{"P_CDSERVICO", "00001"}, {"P_CDFILIAL", "0001"}});
  ASSERT_EQ(rs.rows.size(), 1u);
  db::ResultSet svc = db->query("SELECT QTCOMESTISEG, QTCOMESTIFER, QTCLIESTISEG, QTFUNESTISEG, QTDOAESTISEG FROM SERVICO"
                                " WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001'");
  EXPECT_EQ(rs.rows[0][2].asFloat(), svc.rows[0][0].asFloat());
  EXPECT_EQ(rs.rows[0][3].asFloat(), svc.rows[0][1].asFloat());
  EXPECT_EQ(svc.rows[0][0].asFloat(), svc.rows[0][2].asFloat() + svc.rows[0][3].asFloat() + svc.rows[0][4].asFloat());

  // From the processing month on, dish-type costs add up to the month cost.
  rs = db->query("SELECT C.CDFILIAL, C.CDSERVFILI, C.DTREFCUSPADR, C.VRCUSTPADR, SUM(T.VRCUSTPADRTP) AS SOMA"
                 " FROM CUSTPADR C, CUSTPADRTP T WHERE T.CDFILIAL = C.CDFILIAL AND T.CDSERVFILI = C.CDSERVFILI"
                 " AND T.DTREFCUSPADR = C.DTREFCUSPADR AND C.DTREFCUSPADR >= :DT"
                 " GROUP BY C.CDFILIAL, C.CDSERVFILI, C.DTREFCUSPADR, C.VRCUSTPADR",
                 {{"DT", DateTime::fromDate(2026, 12, 1)}});
  ASSERT_FALSE(rs.rows.empty());
  for (const auto& row : rs.rows) EXPECT_EQ(roundDec(row[3].asFloat(), 5), roundDec(row[4].asFloat(), 5));

  // Clients carry valid CPF or CNPJ numbers of their kind.
  rs = db->query("SELECT IDTPIJURCLIE, NRINSJURCLIE FROM CLIENTE");
  std::map<std::string, int> kinds;
  for (const auto& row : rs.rows) {
    std::string kind = row[0].asString(), number = row[1].asString();
    ++kinds[kind];
    EXPECT_TRUE(kind == "F" ? validCpf(number) : validCnpj(number)) << number;
  }
  EXPECT_GT(kinds["F"], 0);
  EXPECT_GT(kinds["J"], 0);
  EXPECT_FALSE(validCnpj("33444555000182"));
}

TEST_P(SchemaTest, ForeignKeysHoldAndServicesTakeTheirOwnRowsAlong) {
  auto kindOf = [&](const std::string& sql) {
    try {
      db->exec(sql);
    } catch (const db::Error& e) {
      return e.kind();
    }
    return db::Error::Kind::Other;  // accepted
  };
  const auto FK = db::Error::Kind::ForeignKey;
  EXPECT_EQ(kindOf("INSERT INTO SERVICO (CDFILIAL, CDSERVFILI, NMSERVICO, IDTIPOSERV) VALUES ('9999', '00001', 'X', 'N')"), FK);
  EXPECT_EQ(kindOf("INSERT INTO TURNOSERV (CDFILIAL, CDSERVFILI, CDTURNO, NMTURNO) VALUES ('0001', '99999', '1', 'X')"), FK);
  EXPECT_EQ(kindOf("UPDATE SERVICO SET CDGRUPSERV = '999' WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001'"), FK);
  EXPECT_EQ(kindOf("DELETE FROM FILIAL WHERE CDFILIAL = '0002'"), FK);
  // Effective billing entries and planned menus keep their services.
  EXPECT_EQ(kindOf("DELETE FROM SERVICO WHERE CDFILIAL = '0001' AND CDSERVFILI = '00090'"), FK);
  EXPECT_EQ(kindOf("DELETE FROM SERVICO WHERE CDFILIAL = '0001' AND CDSERVFILI = '00001'"), FK);

  // A service without such history goes with its shifts, costs, menu lines and packaging.
  db::Params svc{{"F", "0002"}, {"S", "00001"}};
  const char* owned[] = {"CUSTPADR", "CNFCARD", "DESTSRVCLI"};
  for (const char* t : owned)
    EXPECT_GT(count(std::string("SELECT COUNT(*) AS N FROM ") + t + " WHERE CDFILIAL = :F AND CDSERVFILI = :S", svc), 0) << t;
  EXPECT_EQ(db->exec("DELETE FROM SERVICO WHERE CDFILIAL = :F AND CDSERVFILI = :S", svc), 1);
  for (const char* t : owned)
    EXPECT_EQ(count(std::string("SELECT COUNT(*) AS N FROM ") + t + " WHERE CDFILIAL = :F AND CDSERVFILI = :S", svc), 0) << t;

  // Removing a menu line removes the packaging that refers to it; a month takes its dish types.
  db::Params line{{"F", "0001"}, {"S", "00001"}, {"L", 1}};
  EXPECT_GT(count("SELECT COUNT(*) AS N FROM RESTEMBTPPRAT WHERE CDFILIAL = :F AND CDSERVFILI = :S AND NRSEQCNFCARD = :L", line), 0);
  db->exec("DELETE FROM CNFCARD WHERE CDFILIAL = :F AND CDSERVFILI = :S AND NRSEQCNFCARD = :L", line);
  EXPECT_EQ(count("SELECT COUNT(*) AS N FROM CNFDISTEMBTP WHERE CDFILIAL = :F AND CDSERVFILI = :S AND NRSEQCNFCARD = :L", line), 0);
  EXPECT_EQ(count("SELECT COUNT(*) AS N FROM RESTEMBTPPRAT WHERE CDFILIAL = :F AND CDSERVFILI = :S AND NRSEQCNFCARD = :L", line), 0);
  EXPECT_EQ(count("SELECT COUNT(*) AS N FROM RESTEMBCONT WHERE NRRESTEMBTPPRAT = 1"), 0);
  db::Params month{{"F", "0001"}, {"S", "00001"}, {"D", DateTime::fromDate(2027, 1, 1)}};
  EXPECT_GT(count("SELECT COUNT(*) AS N FROM CUSTPADRTP WHERE CDFILIAL = :F AND CDSERVFILI = :S AND DTREFCUSPADR = :D", month), 0);
  EXPECT_EQ(db->exec("DELETE FROM CUSTPADR WHERE CDFILIAL = :F AND CDSERVFILI = :S AND DTREFCUSPADR = :D", month), 1);
  EXPECT_EQ(count("SELECT COUNT(*) AS N FROM CUSTPADRTP WHERE CDFILIAL = :F AND CDSERVFILI = :S AND DTREFCUSPADR = :D", month), 0);
}

INSTANTIATE_TEST_SUITE_P(Db, SchemaTest, ::testing::ValuesIn(test::backends()), test::BackendName());

}  // namespace
}  // namespace cad::appserver
