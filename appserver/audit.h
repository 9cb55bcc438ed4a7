// Audit trail: every row an update method inserts, changes or deletes in a business table is
// recorded in AUDITORIA (who, from where, when, which method, which table and key, the change's
// kind) and AUDITCAMPO (each changed field's old and new value as text), by database triggers
// generated from the database's own catalogue. The triggers run inside the statement that makes
// the change, so the audit rows live and die with the call's transaction: a rolled-back update
// leaves none, a committed one always has them, whatever SQL the method used.
//
// The triggers learn the call from a context the dispatcher sets at the start of each update
// transaction: on PostgreSQL a transaction-local setting (cadserv.auditoria, a JSON object), on
// SQLite the one row of AUDITCONTEXTO (SQLite lets one writer in at a time, and the row is removed
// again before the commit, so no other transaction ever sees it). A write without a context —
// schema creation, demo data, `cadserv-server senha`, SQL from outside the server — is not
// recorded. Tables left out: the audit tables themselves, sessions and passwords, the working
// list LISTCUSTPADR, the counters in SEQUENCIA and the schema's fingerprint (ESQUEMA).
#pragma once

#include <string>

#include "platform/db/database.h"

namespace cad::appserver {

// Peer address recorded for calls that did not come over the network (in-process transport).
inline constexpr const char* kInternalPeer = "interno";

struct AuditContext {
  std::string operatorName;
  std::string peer;
  std::string method;
};

// Creates or refreshes the audit triggers of every business table (and, on PostgreSQL, the
// trigger function and the audit number sequence). Runs inside createSchema's transaction.
void installAudit(db::Database& db);

// The text of what installAudit would create for the tables the database has now (read from its
// catalogue only), so a start can tell whether the triggers are current without touching them.
std::string auditDefinition(db::Database& db);

// Sets the call's context inside the open update transaction; clearAudit removes it before the
// commit (SQLite; nothing to do on PostgreSQL, where the setting ends with the transaction).
// beginAudit returns false, setting nothing, on a SQLite database without the audit tables (one
// not made by createSchema, which then has no audit triggers either).
bool beginAudit(db::Database& db, const AuditContext& ctx);
void clearAudit(db::Database& db);

struct AuditFilter {
  std::string since;  // "YYYY-MM-DD" or "YYYY-MM-DDTHH:MM" (UTC); empty: from the start
  std::string operatorName;
  std::string branch;
  std::string method;
};

// The audit trail as readable text, chronological, one block per changed row. Throws
// cad::Exception on a malformed --since.
std::string auditListing(db::Database& db, const AuditFilter& filter);

}  // namespace cad::appserver
