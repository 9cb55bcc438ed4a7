// The shared database's schema and demo data (appserver/schema/schema.sql and demo.sql, embedded
// into the binary). One text serves SQLite and PostgreSQL.
#pragma once

#include <functional>

#include "platform/db/database.h"

namespace cad::appserver {

// Creates every table and index that does not exist yet and refreshes the audit triggers, in one
// transaction; on a database this build has already set up (schemaCurrent) it changes nothing and
// runs no DDL at all.
void createSchema(db::Database& db);
// True when the database holds the schema and audit triggers of this build (read-only check).
bool schemaCurrent(db::Database& db);

// Runs an administration or start-up step, again after a deadlock or serialization failure
// (db::Error::Kind::Busy: the step was rolled back), with a pause doubling from 50 ms, up to 8
// times; the last failure, or any other, is thrown.
void retryWhenBusy(const std::function<void()>& step);

// Loads the demo data set in one transaction. A database that already holds branches is left
// alone (returns false), so "--init --demo" can be repeated safely.
bool loadDemo(db::Database& db);

}  // namespace cad::appserver
