// Shared test fixtures: fresh databases on each backend, the in-process application server and
// the scripted host services. Each fixture documents itself where it is declared.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace cad::test {

// ---- Databases ------------------------------------------------------------------------------

// The backends the database tests run on: always "sqlite", plus "postgresql" when the
// environment names a server in CADSERV_TEST_PG_URL (scripts/with-postgres.sh sets it).
std::vector<std::string> backends();

// URL of a new, empty database on `backend`: a temporary SQLite file, or a new schema on the
// PostgreSQL server (the URL sets search_path to it). Both are removed when the process exits.
std::string freshDatabaseUrl(const std::string& backend);

// URL of a new database on `backend` holding the schema and the demo data set (see
// appserver/schema/demo.sql), removed at exit like freshDatabaseUrl's.
std::string freshDemoDatabase(const std::string& backend);

// Names the instances of a test parameterised over backends() ("sqlite", "postgresql"):
//   INSTANTIATE_TEST_SUITE_P(Db, MyTest, ::testing::ValuesIn(cad::test::backends()),
//                            cad::test::BackendName());
struct BackendName {
  std::string operator()(const ::testing::TestParamInfo<std::string>& info) const { return info.param; }
};

}  // namespace cad::test
