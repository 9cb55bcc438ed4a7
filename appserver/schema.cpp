// Runs the embedded schema and demo scripts; the schema is followed by the audit triggers
// (audit.h). Each runs in one transaction, so a failure leaves the database as it was.
//
// A database already set up by this build is recognised by its fingerprint (ESQUEMA), read without
// any DDL: a server starting or an administration command then takes no lock that the users'
// transactions could meet. Only a database that lacks something is changed.
#include "appserver/schema.h"

#include <sodium.h>

#include <chrono>
#include <string_view>
#include <thread>

#include "appserver/audit.h"

extern const std::string_view kSchemaSql;
extern const std::string_view kDemoSql;

namespace cad::appserver {

namespace {

bool isPostgres(db::Database& db) { return db.dialect() == "postgresql"; }

// The fingerprint of the schema this build sets up on this database: the script and the audit
// triggers for the tables the database holds now.
std::string fingerprint(db::Database& db) {
  std::string text(kSchemaSql);
  text += auditDefinition(db);
  unsigned char h[32];
  crypto_generichash(h, sizeof h, reinterpret_cast<const unsigned char*>(text.data()), text.size(), nullptr, 0);
  char out[sizeof h * 2 + 1];
  sodium_bin2hex(out, sizeof out, h, sizeof h);
  return out;
}

// The stored fingerprint, "" when the database has none (read through the catalogue first, so no
// statement fails inside a transaction).
std::string storedFingerprint(db::Database& db) {
  const char* exists = isPostgres(db) ? "SELECT 1 FROM information_schema.tables WHERE table_schema = current_schema()"
                                        " AND table_name = 'esquema'"
                                      : "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'ESQUEMA'";
  if (db.query(exists).rows.empty()) return {};
  db::ResultSet rs = db.query("SELECT DSIMPRESSAO FROM ESQUEMA");
  return rs.rows.empty() ? std::string() : rs.rows[0][0].str();
}

}  // namespace

bool schemaCurrent(db::Database& db) {
  std::string stored = storedFingerprint(db);
  return !stored.empty() && stored == fingerprint(db);
}

void createSchema(db::Database& db) {
  if (schemaCurrent(db)) return;
  db::Transaction tx(db);
  // Servers starting together on one PostgreSQL database would otherwise replace the same
  // functions and triggers at once, which PostgreSQL refuses ("tuple concurrently updated").
  if (isPostgres(db)) db.query("SELECT 1 AS L FROM (SELECT pg_advisory_xact_lock(4100100)) AS T");
  if (schemaCurrent(db)) return;  // another process set it up meanwhile
  db.execScript(kSchemaSql);
  installAudit(db);  // triggers follow the tables, so a table added later is audited too
  db.exec("DELETE FROM ESQUEMA");
  db.exec("INSERT INTO ESQUEMA (DSIMPRESSAO) VALUES (:F)", {{"F", fingerprint(db)}});
  tx.commit();
}

bool loadDemo(db::Database& db) {
  if (db.query("SELECT COUNT(*) AS N FROM FILIAL").rows.at(0).at(0).asInt() > 0) return false;
  db::Transaction tx(db);
  if (db.query("SELECT COUNT(*) AS N FROM FILIAL").rows.at(0).at(0).asInt() > 0) return false;
  db.execScript(kDemoSql);
  tx.commit();
  return true;
}

void retryWhenBusy(const std::function<void()>& step) {
  constexpr int kAttempts = 8;
  auto pause = std::chrono::milliseconds(50);
  for (int attempt = 1;; ++attempt) {
    try {
      step();
      return;
    } catch (const db::Error& e) {
      if (e.kind() != db::Error::Kind::Busy || attempt == kAttempts) throw;
    }
    std::this_thread::sleep_for(pause);
    pause *= 2;
  }
}

}  // namespace cad::appserver
