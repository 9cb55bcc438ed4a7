// The shared database's schema and demo data (appserver/schema/schema.sql and demo.sql, embedded
// into the binary). One text serves SQLite and PostgreSQL.
#pragma once

#include "platform/db/database.h"

namespace cad::appserver {

// Creates every table and index that does not exist yet, in one transaction; running it on a
// database that already has the schema changes nothing.
void createSchema(db::Database& db);

// Loads the demo data set in one transaction. A database that already holds branches is left
// alone (returns false), so "--init --demo" can be repeated safely.
bool loadDemo(db::Database& db);

}  // namespace cad::appserver
