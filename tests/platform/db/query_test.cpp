#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/core/errors.h"
#include "platform/db/database.h"
#include "platform/db/query.h"
#include "tests/support/support.h"

namespace cad {
namespace {

// A small branch table on a fresh database of the backend under test.
class QueryTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    db_ = db::open(test::freshDatabaseUrl(GetParam()));
    db_->execScript(
        "CREATE TABLE FILIAL (CDFILIAL CHAR(4) NOT NULL PRIMARY KEY, NMFILIAL VARCHAR(30),"
        " VRTAXA NUMERIC(12,5));"
        "INSERT INTO FILIAL VALUES ('0001', 'Matriz', 1.5);"
        "INSERT INTO FILIAL VALUES ('0002', 'Centro', NULL);"
        "INSERT INTO FILIAL VALUES ('0003', 'Norte', 2.25);");
  }

  std::unique_ptr<TADOIBQuery> branchQuery() {
    auto q = std::make_unique<TADOIBQuery>("qryFilial");
    q->Connection = db_;
    q->SetSQL(
        "SELECT CDFILIAL, NMFILIAL, VRTAXA FROM FILIAL"
        " WHERE CDFILIAL = :P_CDFILIAL OR :P_TCDFILIAL = 'T' ORDER BY CDFILIAL");
    return q;
  }

  static std::vector<std::string> codes(DataSet& ds) {
    std::vector<std::string> out;
    for (ds.First(); !ds.Eof(); ds.Next()) out.push_back(ds.FieldByName("CDFILIAL").AsString());
    return out;
  }

  std::shared_ptr<db::Database> db_;
};

TEST_P(QueryTest, ParametersSelectOneBranchOrAll) {
  auto q = branchQuery();
  ASSERT_EQ(q->Params().size(), 2u);
  q->ParamByName(":p_cdfilial") = "0002";
  q->ParamByName("P_TCDFILIAL") = "N";
  q->Open();
  EXPECT_EQ(codes(*q), std::vector<std::string>{"0002"});
  EXPECT_TRUE(q->FieldByName("VRTAXA").IsNull());

  q->Close();
  q->ParamByName("P_TCDFILIAL") = "T";
  q->Open();
  EXPECT_EQ(codes(*q), (std::vector<std::string>{"0001", "0002", "0003"}));

  // No parameter value binds null: nothing matches and nothing fails.
  q->Close();
  q->ParamByName("P_CDFILIAL") = Variant();
  q->ParamByName("P_TCDFILIAL") = Variant();
  q->Open();
  EXPECT_TRUE(q->IsEmpty());
}

TEST_P(QueryTest, ColumnsBecomeReadOnlyFieldsAndPersistentFieldsKeepTheirProperties) {
  auto q = branchQuery();
  Field& code = q->AddField({"CDFILIAL", FieldType::String, 4});
  code.EditMask = "9999";
  q->ParamByName("P_TCDFILIAL") = "T";
  q->Open();
  EXPECT_EQ(&q->FieldByName("cdfilial"), &code);
  EXPECT_EQ(code.EditMask, "9999");
  EXPECT_EQ(q->FieldByName("VRTAXA").DataType(), FieldType::Float);

  // Grids and lookups use it like any dataset, but nothing can change it.
  EXPECT_TRUE(q->Locate("CDFILIAL", "0003"));
  EXPECT_THROW(q->Edit(), Exception);
  EXPECT_THROW(q->Delete(), Exception);
  EXPECT_EQ(q->RecordCount(), 3);
}

TEST_P(QueryTest, RefreshRunsAgainAndKeepsTheCursor) {
  auto q = branchQuery();
  q->ParamByName("P_TCDFILIAL") = "T";
  q->Open();
  ASSERT_TRUE(q->Locate("CDFILIAL", "0002"));

  db_->exec("INSERT INTO FILIAL (CDFILIAL, NMFILIAL) VALUES ('0000', 'Sul')");
  db_->exec("UPDATE FILIAL SET NMFILIAL = 'Norte Novo' WHERE CDFILIAL = '0003'");
  q->Refresh();
  EXPECT_EQ(q->RecordCount(), 4);
  EXPECT_EQ(q->RecNo(), 3);
  EXPECT_EQ(q->Lookup("CDFILIAL", "0003", "NMFILIAL").asString(), "Norte Novo");

  // The current row is gone: the cursor keeps its place as far as the rows go.
  q->Last();
  db_->exec("DELETE FROM FILIAL WHERE CDFILIAL = '0003'");
  q->Refresh();
  EXPECT_EQ(q->RecordCount(), 3);
  EXPECT_EQ(q->FieldByName("CDFILIAL").AsString(), "0002");

  // Current parameter values are used.
  q->ParamByName("P_TCDFILIAL") = "N";
  q->ParamByName("P_CDFILIAL") = "0001";
  q->Refresh();
  EXPECT_EQ(codes(*q), std::vector<std::string>{"0001"});
}

TEST_P(QueryTest, ChangingTheSqlClosesTheQueryAndKeepsParameterValues) {
  auto q = branchQuery();
  q->ParamByName("P_TCDFILIAL") = "T";
  q->Open();
  q->SetSQL("SELECT NMFILIAL FROM FILIAL WHERE :P_TCDFILIAL = 'T' AND CDFILIAL > :P_MIN ORDER BY 1");
  EXPECT_FALSE(q->Active());
  EXPECT_EQ(q->ParamByName("P_TCDFILIAL").asString(), "T");
  EXPECT_TRUE(q->ParamByName("P_MIN").isNull());
  EXPECT_THROW(q->ParamByName("P_CDFILIAL"), Exception);
  q->ParamByName("P_MIN") = "0001";
  q->Open();
  EXPECT_EQ(q->RecordCount(), 2);
}

TEST_P(QueryTest, EachDialectRunsItsOwnTextElseTheDefault) {
  TADOIBQuery q("qryFilial");
  q.Connection = db_;
  q.SetSQL("SELECT NMFILIAL, ':P_X' AS SRC FROM FILIAL WHERE CDFILIAL = :P_CDFILIAL -- :P_COMMENT");
  q.SetSQL("SELECT NMFILIAL, 'pg' || CAST(:P_PG AS VARCHAR) AS SRC FROM FILIAL WHERE CDFILIAL = :p_cdfilial",
           "postgresql");
  ASSERT_EQ(q.Params().size(), 2u);  // those of every text, once each
  q.ParamByName("P_CDFILIAL") = "0003";
  q.ParamByName("P_PG") = 7;
  q.Open();
  EXPECT_EQ(q.FieldByName("SRC").AsString(), GetParam() == "postgresql" ? "pg7" : ":P_X");

  // Removing a dialect's text falls back to the default one; its parameters go with it.
  q.Close();
  q.SetSQL("", "postgresql");
  EXPECT_THROW(q.ParamByName("P_PG"), Exception);
  q.Open();
  EXPECT_EQ(q.FieldByName("SRC").AsString(), ":P_X");
}

INSTANTIATE_TEST_SUITE_P(Db, QueryTest, ::testing::ValuesIn(test::backends()), test::BackendName());

TEST(Query, WithoutAConnectionTheSessionDatabaseIsUsed) {
  TADOIBQuery q("qryFilial");
  q.SetSQL("SELECT 'sessao' AS SRC");
  std::shared_ptr<db::Database> prior = db::sessionDatabase();
  db::setSessionDatabase(nullptr);
  EXPECT_THROW(q.Open(), Exception);
  db::setSessionDatabase(db::open("sqlite::memory:"));
  q.Open();
  EXPECT_EQ(q.FieldByName("SRC").AsString(), "sessao");
  db::setSessionDatabase(prior);
}

}  // namespace
}  // namespace cad
