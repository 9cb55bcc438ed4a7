// Audit trail (see audit.h): trigger generation from the catalogue, the call context the
// triggers read, and the listing of `cadserv-server audit`. Invariant: every audit row is written
// by a trigger inside the statement that changed the business row, never by the methods.
#include "appserver/audit.h"

#include <nlohmann/json.hpp>

#include <cctype>
#include <chrono>
#include <ctime>
#include <map>
#include <set>
#include <vector>

#include "appserver/logtext.h"
#include "platform/core/errors.h"

namespace cad::appserver {

namespace {

// Tables whose writes are not business changes: the audit itself, sessions and password hashes,
// the standard-cost working list, the number counters and the schema's fingerprint.
const std::set<std::string> kNotAudited = {"AUDITORIA",    "AUDITCAMPO",   "AUDITCONTEXTO", "SESSAOOPER", "SENHAOPER",
                                           "FALHAENTRADA", "LISTCUSTPADR", "SEQUENCIA",     "ESQUEMA"};

struct TableInfo {
  std::vector<std::string> columns;
  std::vector<std::string> keys;  // primary key columns in key order
};

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// Names go into generated SQL text: only plain identifiers are accepted.
bool plainName(const std::string& s) {
  if (s.empty() || s.size() > 63) return false;
  for (char c : s)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
  return true;
}

std::map<std::string, TableInfo> sqliteCatalogue(db::Database& db) {
  std::map<std::string, TableInfo> out;
  auto tables = db.query("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite%'");
  for (const auto& t : tables.rows) {
    std::string name = upper(t.at(0).str());
    if (kNotAudited.count(name) || !plainName(name)) continue;
    TableInfo& info = out[name];
    std::map<int64_t, std::string> keys;
    auto cols = db.query("SELECT name, pk FROM pragma_table_info(:P_T) ORDER BY cid", {{"P_T", Variant(name)}});
    for (const auto& c : cols.rows) {
      std::string col = upper(c.at(0).str());
      if (!plainName(col)) continue;
      info.columns.push_back(col);
      if (c.at(1).asInt() > 0) keys[c.at(1).asInt()] = col;
    }
    for (auto& [_, k] : keys) info.keys.push_back(k);
  }
  return out;
}

std::map<std::string, TableInfo> postgresCatalogue(db::Database& db) {
  std::map<std::string, TableInfo> out;
  auto tables = db.query(
      "SELECT table_name FROM information_schema.tables WHERE table_schema = current_schema() "
      "AND table_type = 'BASE TABLE'");
  for (const auto& t : tables.rows) {
    std::string name = upper(t.at(0).str());
    if (!kNotAudited.count(name) && plainName(name)) out[name];
  }
  auto keys = db.query(
      "SELECT kcu.table_name, kcu.column_name FROM information_schema.table_constraints tc "
      "JOIN information_schema.key_column_usage kcu ON kcu.constraint_name = tc.constraint_name "
      "AND kcu.table_schema = tc.table_schema AND kcu.table_name = tc.table_name "
      "WHERE tc.constraint_type = 'PRIMARY KEY' AND tc.table_schema = current_schema() "
      "ORDER BY kcu.table_name, kcu.ordinal_position");
  for (const auto& k : keys.rows) {
    auto it = out.find(upper(k.at(0).str()));
    std::string col = upper(k.at(1).str());
    if (it != out.end() && plainName(col)) it->second.keys.push_back(col);
  }
  return out;
}

// SQLite: the key of the row as "COL=value, COL=value", from OLD or NEW.
std::string sqliteKey(const TableInfo& t, const char* row) {
  if (t.keys.empty()) return "''";
  std::string s;
  for (size_t i = 0; i < t.keys.size(); ++i) {
    if (i) s += " || ', ' || ";
    s += "'" + t.keys[i] + "=' || COALESCE(" + row + "." + t.keys[i] + ", '')";
  }
  return s;
}

// One trigger per kind of change. The audit row comes from the context row (so without a
// context nothing is written); the field rows list old and new value of each field that differs.
std::string sqliteTrigger(const std::string& table, const TableInfo& t, char kind) {
  const char* row = kind == 'D' ? "OLD" : "NEW";
  const char* event = kind == 'I' ? "INSERT" : kind == 'U' ? "UPDATE" : "DELETE";
  bool hasBranch = false;
  for (const auto& c : t.columns) hasBranch = hasBranch || c == "CDFILIAL";
  std::string when = "EXISTS (SELECT 1 FROM AUDITCONTEXTO)";
  if (kind == 'U') {
    std::string changed;
    for (const auto& c : t.columns) changed += (changed.empty() ? "" : " OR ") + ("OLD." + c + " IS NOT NEW." + c);
    when += " AND (" + changed + ")";
  }
  std::string fields;
  for (const auto& c : t.columns) {
    if (!fields.empty()) fields += " UNION ALL ";
    fields += "SELECT '" + c + "' AS C, " + (kind == 'I' ? std::string("NULL") : "OLD." + c) + " AS A, " +
              (kind == 'D' ? std::string("NULL") : "NEW." + c) + " AS N";
  }
  return "CREATE TRIGGER TRG_AUD_" + table + "_" + kind + " AFTER " + event + " ON " + table + " WHEN " + when +
         " BEGIN INSERT INTO AUDITORIA (DTAUDITORIA, CDOPERADOR, DSPEER, NMMETODO, NMTABELA, IDOPERACAO, DSCHAVE, "
         "CDFILIAL) SELECT DTAUDITORIA, CDOPERADOR, DSPEER, NMMETODO, '" +
         table + "', '" + kind + "', " + sqliteKey(t, row) + ", " +
         (hasBranch ? std::string(row) + ".CDFILIAL" : std::string("NULL")) +
         " FROM AUDITCONTEXTO; INSERT INTO AUDITCAMPO (NRAUDITORIA, NMCAMPO, VLANTERIOR, VLNOVO) SELECT "
         "(SELECT MAX(NRAUDITORIA) FROM AUDITORIA), C, A, N FROM (" +
         fields + ") WHERE A IS NOT N; END";
}

void installSqlite(db::Database& db) {
  std::map<std::string, std::string> existing;
  for (const auto& r :
       db.query("SELECT name, sql FROM sqlite_master WHERE type = 'trigger' AND name LIKE 'TRG_AUD_%'").rows)
    existing[upper(r.at(0).str())] = r.at(1).str();
  for (const auto& [table, info] : sqliteCatalogue(db)) {
    for (char kind : {'I', 'U', 'D'}) {
      std::string name = "TRG_AUD_" + table + "_" + kind;
      std::string sql = sqliteTrigger(table, info, kind);
      auto it = existing.find(name);
      if (it != existing.end() && it->second == sql) continue;  // up to date
      if (it != existing.end()) db.execScript("DROP TRIGGER " + name);
      db.execScript(sql);
    }
  }
}

// One function serves every table: the key columns arrive as the trigger's arguments, the fields
// are compared as JSON (numbers without trailing zeros, so both backends list the same text).
constexpr const char* kPostgresFunctions = R"SQL(
CREATE SEQUENCE IF NOT EXISTS SQ_AUDITORIA;
CREATE OR REPLACE FUNCTION CADSERV_AUDITVALOR(v jsonb) RETURNS text LANGUAGE sql IMMUTABLE AS $f$
  SELECT CASE jsonb_typeof(v) WHEN 'null' THEN NULL
                              WHEN 'number' THEN trim_scale((v #>> '{}')::numeric)::text
                              ELSE v #>> '{}' END
$f$;
CREATE OR REPLACE FUNCTION CADSERV_AUDITORIA() RETURNS trigger LANGUAGE plpgsql AS $f$
DECLARE
  ctx jsonb := NULLIF(current_setting('cadserv.auditoria', true), '')::jsonb;
  velho jsonb;
  novo jsonb;
  linha jsonb;
  chave text := '';
  nr bigint;
BEGIN
  IF ctx IS NULL THEN RETURN NULL; END IF;
  IF TG_OP <> 'INSERT' THEN velho := to_jsonb(OLD); END IF;
  IF TG_OP <> 'DELETE' THEN novo := to_jsonb(NEW); END IF;
  IF velho = novo THEN RETURN NULL; END IF;
  linha := COALESCE(novo, velho);
  FOR i IN 0 .. TG_NARGS - 1 LOOP
    chave := chave || CASE WHEN i > 0 THEN ', ' ELSE '' END || TG_ARGV[i] || '=' ||
             COALESCE(CADSERV_AUDITVALOR(linha -> lower(TG_ARGV[i])), '');
  END LOOP;
  nr := nextval('SQ_AUDITORIA');
  INSERT INTO AUDITORIA (NRAUDITORIA, DTAUDITORIA, CDOPERADOR, DSPEER, NMMETODO, NMTABELA, IDOPERACAO,
                         DSCHAVE, CDFILIAL)
  VALUES (nr, ctx ->> 'quando', ctx ->> 'operador', ctx ->> 'peer', ctx ->> 'metodo', upper(TG_TABLE_NAME),
          left(TG_OP, 1), chave, linha ->> 'cdfilial');
  INSERT INTO AUDITCAMPO (NRAUDITORIA, NMCAMPO, VLANTERIOR, VLNOVO)
  SELECT nr, upper(c), CADSERV_AUDITVALOR(velho -> c), CADSERV_AUDITVALOR(novo -> c)
  FROM jsonb_object_keys(linha) AS c
  WHERE CADSERV_AUDITVALOR(velho -> c) IS DISTINCT FROM CADSERV_AUDITVALOR(novo -> c);
  RETURN NULL;
END
$f$;
)SQL";

std::string postgresTrigger(const std::string& table, const TableInfo& info) {
  std::string args;
  for (const auto& k : info.keys) args += (args.empty() ? "'" : ", '") + k + "'";
  return "CREATE OR REPLACE TRIGGER TRG_AUD_" + table + " AFTER INSERT OR UPDATE OR DELETE ON " + table +
         " FOR EACH ROW EXECUTE FUNCTION CADSERV_AUDITORIA(" + args + ")";
}

void installPostgres(db::Database& db) {
  db.execScript(kPostgresFunctions);
  for (const auto& [table, info] : postgresCatalogue(db)) db.execScript(postgresTrigger(table, info));
}

bool isPostgres(db::Database& db) { return db.dialect() == "postgresql"; }

// The call's time, UTC, as the audit stores it ("YYYY-MM-DD HH:MM:SS").
std::string nowUtc() {
  std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm tm{};
  gmtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
  return buf;
}

// "YYYY-MM-DD" or "YYYY-MM-DDTHH:MM" as the stored form; empty when malformed.
std::string sinceBound(const std::string& s) {
  auto digits = [&](size_t from, size_t n) {
    for (size_t i = from; i < from + n; ++i)
      if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
    return true;
  };
  bool date = s.size() >= 10 && digits(0, 4) && s[4] == '-' && digits(5, 2) && s[7] == '-' && digits(8, 2);
  if (!date) return {};
  int month = std::stoi(s.substr(5, 2)), day = std::stoi(s.substr(8, 2));
  if (month < 1 || month > 12 || day < 1 || day > 31) return {};
  if (s.size() == 10) return s + " 00:00:00";
  if (s.size() != 16 || (s[10] != 'T' && s[10] != ' ') || !digits(11, 2) || s[13] != ':' || !digits(14, 2)) return {};
  if (std::stoi(s.substr(11, 2)) > 23 || std::stoi(s.substr(14, 2)) > 59) return {};
  return s.substr(0, 10) + " " + s.substr(11, 5) + ":00";
}

std::string shown(const Variant& v) { return v.isNull() ? "(nulo)" : "\"" + logText(v.str()) + "\""; }

const char* kindName(const std::string& k) {
  if (k == "I") return "inclusão";
  if (k == "U") return "alteração";
  return "exclusão";
}

}  // namespace

void installAudit(db::Database& db) {
  if (isPostgres(db))
    installPostgres(db);
  else
    installSqlite(db);
}

std::string auditDefinition(db::Database& db) {
  std::string out;
  if (isPostgres(db)) {
    out = kPostgresFunctions;
    for (const auto& [table, info] : postgresCatalogue(db)) out += postgresTrigger(table, info) + ";\n";
  } else {
    for (const auto& [table, info] : sqliteCatalogue(db))
      for (char kind : {'I', 'U', 'D'}) out += sqliteTrigger(table, info, kind) + ";\n";
  }
  return out;
}

bool beginAudit(db::Database& db, const AuditContext& ctx) {
  std::string when = nowUtc();
  if (isPostgres(db)) {
    nlohmann::json j = {{"quando", when}, {"operador", ctx.operatorName}, {"peer", ctx.peer}, {"metodo", ctx.method}};
    db.query("SELECT set_config('cadserv.auditoria', :P_CTX, true) AS X", {{"P_CTX", Variant(j.dump())}});
    return true;
  }
  if (db.query("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'AUDITCONTEXTO'").rows.empty())
    return false;
  db.exec("DELETE FROM AUDITCONTEXTO");
  db.exec(
      "INSERT INTO AUDITCONTEXTO (NRCONTEXTO, DTAUDITORIA, CDOPERADOR, DSPEER, NMMETODO) "
      "VALUES (1, :P_QUANDO, :P_OPER, :P_PEER, :P_METODO)",
      {{"P_QUANDO", Variant(when)},
       {"P_OPER", Variant(ctx.operatorName)},
       {"P_PEER", Variant(ctx.peer)},
       {"P_METODO", Variant(ctx.method)}});
  return true;
}

void clearAudit(db::Database& db) {
  if (!isPostgres(db)) db.exec("DELETE FROM AUDITCONTEXTO");
}

std::string auditListing(db::Database& db, const AuditFilter& f) {
  std::string sql =
      "SELECT a.NRAUDITORIA, a.DTAUDITORIA, a.CDOPERADOR, a.DSPEER, a.NMMETODO, a.NMTABELA, a.IDOPERACAO, "
      "a.DSCHAVE, a.CDFILIAL, c.NMCAMPO, c.VLANTERIOR, c.VLNOVO FROM AUDITORIA a "
      "LEFT JOIN AUDITCAMPO c ON c.NRAUDITORIA = a.NRAUDITORIA WHERE 1 = 1";
  db::Params params;
  if (!f.since.empty()) {
    std::string bound = sinceBound(f.since);
    if (bound.empty()) throw Exception("Data inválida em --since: use AAAA-MM-DD ou AAAA-MM-DDTHH:MM.");
    sql += " AND a.DTAUDITORIA >= :P_DESDE";
    params.emplace_back("P_DESDE", Variant(bound));
  }
  if (!f.operatorName.empty()) {
    sql += " AND UPPER(a.CDOPERADOR) = UPPER(:P_OPER)";
    params.emplace_back("P_OPER", Variant(f.operatorName));
  }
  if (!f.branch.empty()) {
    sql += " AND a.CDFILIAL = :P_FILIAL";
    params.emplace_back("P_FILIAL", Variant(f.branch));
  }
  if (!f.method.empty()) {
    sql += " AND UPPER(a.NMMETODO) = UPPER(:P_METODO)";
    params.emplace_back("P_METODO", Variant(f.method));
  }
  sql += " ORDER BY a.DTAUDITORIA, a.NRAUDITORIA, c.NMCAMPO";
  auto rs = db.query(sql, params);
  std::string out;
  int64_t current = -1;
  for (const auto& r : rs.rows) {
    int64_t nr = r.at(0).asInt();
    if (nr != current) {
      current = nr;
      if (!out.empty()) out += "\n";
      out += r.at(1).str() + " UTC  " + logText(r.at(2).str()) + " (" + logText(r.at(3).str()) + ")  " +
             logText(r.at(4).str()) + "\n";
      out += "  " + r.at(5).str() + " " + kindName(r.at(6).str()) + "  " + logText(r.at(7).str());
      if (!r.at(8).isNull() && !r.at(8).str().empty()) out += "  filial " + logText(r.at(8).str());
      out += "\n";
    }
    if (!r.at(9).isNull()) out += "    " + r.at(9).str() + ": " + shown(r.at(10)) + " -> " + shown(r.at(11)) + "\n";
  }
  if (out.empty()) out = "Nenhuma alteração registrada com esses filtros.\n";
  return out;
}

}  // namespace cad::appserver
