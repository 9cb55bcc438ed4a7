// Runs the embedded schema and demo scripts; the schema is followed by the audit triggers
// (audit.h). Each runs in one transaction, so a failure leaves the database as it was.
#include "appserver/schema.h"

#include "appserver/audit.h"

#include <string_view>

extern const std::string_view kSchemaSql;
extern const std::string_view kDemoSql;

namespace cad::appserver {

void createSchema(db::Database& db) {
  db::Transaction tx(db);
  // Servers starting together on one PostgreSQL database would otherwise replace the same
  // functions and triggers at once, which PostgreSQL refuses ("tuple concurrently updated").
  if (db.dialect() == "postgresql") db.query("SELECT 1 AS L FROM (SELECT pg_advisory_xact_lock(4100100)) AS T");
  db.execScript(kSchemaSql);
  installAudit(db);  // triggers follow the tables, so a table added later is audited too
  tx.commit();
}

bool loadDemo(db::Database& db) {
  db::Transaction tx(db);
  if (db.query("SELECT COUNT(*) AS N FROM FILIAL").rows.at(0).at(0).asInt() > 0) return false;
  db.execScript(kDemoSql);
  tx.commit();
  return true;
}

}  // namespace cad::appserver
