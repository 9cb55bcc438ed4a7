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
  EXPECT_EQ(q->Params()[0].first, "P_CDFILIAL");
  EXPECT_EQ(q->Params()[1].first, "P_TCDFILIAL");

  q->ParamByName(":p_cdfilial") = "0002";
  q->ParamByName("P_TCDFILIAL") = "N";
  q->Open();
  EXPECT_EQ(codes(*q), std::vector<std::string>{"0002"});
  EXPECT_EQ(q->FieldByName("NMFILIAL").AsString(), "Centro");
  EXPECT_TRUE(q->FieldByName("VRTAXA").IsNull());

  q->Close();
  q->ParamByName("P_TCDFILIAL") = "T";
  q->Open();
  EXPECT_EQ(codes(*q), (std::vector<std::string>{"0001", "0002", "0003"}));
  q->First();
  EXPECT_EQ(q->FieldByName("VRTAXA").AsFloat(), 1.5);

  // No parameter value binds null: nothing matches and nothing fails.
  q->Close();
  q->ParamByName("P_CDFILIAL") = Variant();
  q->ParamByName("P_TCDFILIAL") = Variant();
  q->Open();
  EXPECT_TRUE(q->IsEmpty());
}

TEST_P(QueryTest, ColumnsBecomeFieldsAndPersistentFieldsKeepTheirProperties) {
  auto q = branchQuery();
  Field& code = q->AddField({"CDFILIAL", FieldType::String, 4});
  code.EditMask = "9999";
  code.DisplayLabel = "Código";
  q->ParamByName("P_TCDFILIAL") = "T";
  q->Open();

  Field& opened = q->FieldByName("cdfilial");
  EXPECT_EQ(&opened, &code);
  EXPECT_EQ(opened.EditMask, "9999");
  EXPECT_EQ(opened.DisplayLabel, "Código");
  EXPECT_EQ(opened.AsString(), "0001");

  Field& name = q->FieldByName("NMFILIAL");
  EXPECT_EQ(name.DataType(), FieldType::String);
  EXPECT_EQ(name.Size(), 30);
  EXPECT_EQ(q->FieldByName("VRTAXA").DataType(), FieldType::Float);

  // Grids and lookups use it like any dataset.
  EXPECT_TRUE(q->Locate("CDFILIAL", "0003"));
  EXPECT_EQ(q->FieldByName("NMFILIAL").AsString(), "Norte");
  EXPECT_EQ(q->Lookup("CDFILIAL", "0002", "NMFILIAL").asString(), "Centro");
}

TEST_P(QueryTest, ResultsAreReadOnly) {
  auto q = branchQuery();
  q->ParamByName("P_TCDFILIAL") = "T";
  q->Open();
  EXPECT_TRUE(q->ReadOnly);
  EXPECT_THROW(q->Edit(), Exception);
  EXPECT_THROW(q->Insert(), Exception);
  EXPECT_THROW(q->Append(), Exception);
  EXPECT_THROW(q->Delete(), Exception);
  EXPECT_EQ(q->State(), DataSetState::Browse);
  EXPECT_EQ(q->RecordCount(), 3);
  EXPECT_EQ(db_->query("SELECT COUNT(*) AS N FROM FILIAL").rows[0][0].asInt(), 3);
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
  EXPECT_EQ(q->FieldByName("CDFILIAL").AsString(), "0002");
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
  ASSERT_EQ(q->Params().size(), 2u);
  EXPECT_EQ(q->ParamByName("P_TCDFILIAL").asString(), "T");
  EXPECT_TRUE(q->ParamByName("P_MIN").isNull());
  EXPECT_THROW(q->ParamByName("P_CDFILIAL"), Exception);
  q->ParamByName("P_MIN") = "0001";
  q->Open();
  EXPECT_EQ(q->RecordCount(), 2);
}

INSTANTIATE_TEST_SUITE_P(Db, QueryTest, ::testing::ValuesIn(test::backends()), test::BackendName());

// Records what it is asked to run and answers one row naming the dialect.
class RecordingDatabase : public db::Database {
 public:
  explicit RecordingDatabase(std::string dialect) : dialect_(std::move(dialect)) {}
  std::string_view dialect() const override { return dialect_; }
  db::ResultSet query(std::string_view sql, const db::Params& params) override {
    lastSql = sql;
    lastParams = params;
    db::ResultSet rs;
    rs.columns.push_back({"SRC", FieldType::String, 20});
    rs.rows.push_back({Variant(dialect_)});
    return rs;
  }
  int64_t exec(std::string_view, const db::Params&) override { return 0; }
  void execScript(std::string_view) override {}
  void begin() override {}
  void commit() override {}
  void rollback() override {}
  bool inTransaction() const override { return false; }

  std::string lastSql;
  db::Params lastParams;

 private:
  std::string dialect_;
};

TEST(Query, EachDialectRunsItsOwnTextElseTheDefault) {
  TADOIBQuery q("qryServico");
  q.SetSQL("SELECT 'x:y' AS A, :P_DEFAULT AS B -- :P_COMMENT");
  q.SetSQL("SELECT CAST(:P_PG AS VARCHAR) || 'a::b', NOW()::DATE, :p_default", "postgresql");
  ASSERT_EQ(q.Params().size(), 2u);
  EXPECT_EQ(q.Params()[0].first, "P_DEFAULT");
  EXPECT_EQ(q.Params()[1].first, "P_PG");

  auto pg = std::make_shared<RecordingDatabase>("postgresql");
  auto lite = std::make_shared<RecordingDatabase>("sqlite");
  q.ParamByName("P_PG") = 7;
  q.Connection = pg;
  q.Open();
  EXPECT_EQ(pg->lastSql, q.SQL("postgresql"));
  ASSERT_EQ(pg->lastParams.size(), 2u);
  EXPECT_EQ(pg->lastParams[1].second.asInt(), 7);

  q.Close();
  q.Connection = lite;
  q.Open();
  EXPECT_EQ(lite->lastSql, q.SQL("default"));

  // Removing a dialect's text falls back to the default one; its parameters go with it.
  q.SetSQL("", "postgresql");
  EXPECT_EQ(q.Params().size(), 1u);
  EXPECT_EQ(q.SQLFor("PostgreSQL"), q.SQL());
  EXPECT_EQ(q.SQL("Default"), q.SQL());
  EXPECT_THROW(q.ParamByName("P_PG"), Exception);
}

TEST(Query, SessionDatabaseAndErrors) {
  TADOIBQuery q("qryFilial");
  try {
    q.ParamByName(":P_NADA");
    FAIL() << "unknown parameter accepted";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Parâmetro 'P_NADA' não encontrado.");
  }

  q.SetSQL("SELECT 1 AS N");
  std::shared_ptr<db::Database> prior = db::sessionDatabase();
  db::setSessionDatabase(nullptr);
  EXPECT_THROW(q.Open(), Exception);
  EXPECT_FALSE(q.Active());

  auto session = std::make_shared<RecordingDatabase>("sqlite");
  db::setSessionDatabase(session);
  q.Open();
  EXPECT_EQ(session->lastSql, "SELECT 1 AS N");
  EXPECT_EQ(q.FieldByName("SRC").AsString(), "sqlite");
  db::setSessionDatabase(prior);

  TADOIBQuery empty("qryVazia");
  empty.Connection = session;
  EXPECT_THROW(empty.Open(), Exception);
}

}  // namespace
}  // namespace cad
