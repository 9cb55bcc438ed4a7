// SQLite backend. Files open in WAL mode with foreign keys on and a 5 s busy timeout; ":memory:"
// is a private in-memory database. Parameters become ?NNN placeholders bound by index.
// Statements are prepared once per connection and kept, keyed by their SQL text (a bounded cache;
// the least recently used is finalized when it is full), so a repeated call neither rewrites nor
// prepares again; the details of a statement's result columns are read once per preparation.
// Invariants: a statement is reset (its read lock released) and its bindings cleared when the call
// that used it ends, however it ends (Use guard); inTransaction() mirrors the connection's own
// autocommit flag, so a failed COMMIT that leaves the transaction open is reported truthfully.
#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <list>
#include <unordered_map>

#include "platform/core/format.h"
#include "platform/db/backends.h"
#include "platform/db/sqltext.h"

namespace cad::db::detail {

namespace {

constexpr int kBusyTimeoutMs = 5000;

Error::Kind errorKind(sqlite3* db) {
  switch (sqlite3_extended_errcode(db)) {
    case SQLITE_CONSTRAINT_UNIQUE:
    case SQLITE_CONSTRAINT_PRIMARYKEY: return Error::Kind::Unique;
    case SQLITE_CONSTRAINT_FOREIGNKEY: return Error::Kind::ForeignKey;
    case SQLITE_CONSTRAINT_NOTNULL: return Error::Kind::NotNull;
    case SQLITE_BUSY:
    case SQLITE_BUSY_SNAPSHOT:
    case SQLITE_LOCKED: return Error::Kind::Busy;
    default: return Error::Kind::Other;
  }
}

struct Stmt {
  sqlite3_stmt* h = nullptr;
  ~Stmt() { sqlite3_finalize(h); }
};

// A prepared statement kept for reuse, with its parameter names in placeholder order and the
// details of its result columns (names, declared types), read once per preparation: SQLite
// prepares a kept statement again when a table it reads changed, and that may change them.
struct Cached {
  sqlite3_stmt* h = nullptr;
  std::vector<std::string> names;
  std::vector<Column> columns;
  std::vector<bool> declared;  // whether column i has a declared type (else an expression)
  int preparations = -1;       // the re-prepare count the column details were read at
  size_t lastRows = 0;         // rows of the statement's previous result

  void readColumns() {
    int now = sqlite3_stmt_status(h, SQLITE_STMTSTATUS_REPREPARE, 0);
    if (now == preparations) return;
    int n = sqlite3_column_count(h);
    columns.clear();
    declared.assign(static_cast<size_t>(n), false);
    columns.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
      const char* name = sqlite3_column_name(h, i);
      const char* decl = sqlite3_column_decltype(h, i);
      declared[static_cast<size_t>(i)] = decl != nullptr;
      columns.push_back(columnFromDeclType(upperCase(name ? name : ""), decl ? decl : ""));
    }
    preparations = now;
  }
};

// A cached statement lent to one call: reset and unbound when the call ends.
struct Use {
  sqlite3_stmt* h = nullptr;
  ~Use() {
    if (!h) return;
    sqlite3_reset(h);
    sqlite3_clear_bindings(h);
  }
};

constexpr size_t kStatementCacheSize = 128;
constexpr size_t kFirstRoom = 32;                  // rows a query's columns hold before they grow
constexpr size_t kMostTextRoom = size_t{4} << 20;  // bytes of text a column takes before it grows

bool isIsoDateText(std::string_view t) {
  return (t.size() == 10 || t.size() == 19) && DateTime::parseIso(t).has_value();
}

// Column i of the current row into its column, read as the declared type when that loses
// nothing; without a declared type (null `decl`), as stored. The value is read through its
// sqlite3_value: one lookup per cell instead of one per call, safe because a connection is used by
// one thread at a time. The column's pushes are inlined here whatever the compiler would judge: this
// runs once per cell.
[[gnu::flatten]] void readInto(PacketColumn& col, sqlite3_stmt* st, int i, const Column* decl) {
  sqlite3_value* value = sqlite3_column_value(st, i);
  int storage = sqlite3_value_type(value);
  if (storage == SQLITE_NULL) return col.pushNull();
  if (storage == SQLITE_INTEGER) {
    long long v = sqlite3_value_int64(value);
    if (!decl) return col.pushInt(v);
    switch (decl->type) {
      case FieldType::Float: return col.pushFloat(static_cast<double>(v));
      case FieldType::Boolean: return col.pushBool(v != 0);
      case FieldType::String: return col.pushText(std::to_string(v));
      default: return col.pushInt(v);
    }
  }
  if (storage == SQLITE_FLOAT) {
    double v = sqlite3_value_double(value);
    if (!decl) return col.pushFloat(v);
    if (decl->type == FieldType::Integer && std::nearbyint(v) == v && std::fabs(v) < 9e15)
      return col.pushInt(static_cast<long long>(v));
    if (decl->type == FieldType::String) return col.pushText(Variant(v).asString());
    return col.pushFloat(v);
  }
  const char* p = reinterpret_cast<const char*>(sqlite3_value_text(value));
  std::string_view text(p ? p : "", static_cast<size_t>(sqlite3_value_bytes(value)));
  if (decl && decl->type == FieldType::DateTime) {
    if (auto d = DateTime::parseIso(text)) return col.pushDate(*d);
  } else if (decl && decl->fixedChar) {
    size_t end = text.find_last_not_of(' ');
    return col.pushText(end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1));
  }
  col.pushText(text);
}

// Type of an expression column, judged from its values: any text makes it a string (a date when
// every text is an ISO date), otherwise any float makes it a float, otherwise an integer.
Column inferColumn(std::string name, const PacketColumn& values) {
  Column col;
  col.name = std::move(name);
  bool anyText = false, allDates = true, anyFloat = false, anyInt = false;
  for (size_t r = 0; r < values.size(); ++r) {
    Variant v = values.at(r);
    if (v.isString()) {
      anyText = true;
      allDates = allDates && isIsoDateText(v.str());
    } else if (v.isFloat()) {
      anyFloat = true;
    } else if (v.isInt()) {
      anyInt = true;
    }
  }
  if (anyText)
    col.type = allDates && !anyFloat && !anyInt ? FieldType::DateTime : FieldType::String;
  else if (anyFloat)
    col.type = FieldType::Float;
  else if (anyInt)
    col.type = FieldType::Integer;
  return col;
}

class SqliteDatabase final : public Database {
 public:
  explicit SqliteDatabase(sqlite3* db) : db_(db) {}
  ~SqliteDatabase() override {
    for (auto& entry : lru_) sqlite3_finalize(entry.second.h);
    sqlite3_close_v2(db_);
  }

  std::string_view dialect() const override { return "sqlite"; }

  ResultSet query(std::string_view sql, const Params& params) override {
    Use st;
    Cached& c = prepare(sql, params, st);
    // The first step comes before the columns are read: a kept statement whose tables changed
    // since it was prepared is prepared again by that step, and only then reports its columns.
    int rc = sqlite3_step(st.h);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) fail();
    c.readColumns();
    ResultSet rs;
    rs.columns = c.columns;
    const std::vector<bool>& declared = c.declared;
    int n = static_cast<int>(declared.size());
    // Each column's declared type, null for an expression (read as stored).
    std::vector<const Column*> decls(static_cast<size_t>(n));
    for (size_t i = 0; i < decls.size(); ++i) decls[i] = declared[i] ? &c.columns[i] : nullptr;
    // The values go straight from the statement into typed columns.
    std::vector<PacketColumn> cols(static_cast<size_t>(n));
    // Room for a page of rows, or for as many as the statement's previous result had, at once
    // (texts after the first row, in its proportion): a repeated query (a branch's list reloaded)
    // fills its arrays without growing them.
    size_t room = std::max(kFirstRoom, c.lastRows);
    if (rc == SQLITE_ROW)
      for (PacketColumn& col : cols) col.reserve(room);
    size_t count = 0;
    for (;; rc = sqlite3_step(st.h)) {
      if (rc == SQLITE_DONE) break;
      if (rc != SQLITE_ROW) fail();
      for (int i = 0; i < n; ++i) readInto(cols[static_cast<size_t>(i)], st.h, i, decls[static_cast<size_t>(i)]);
      if (++count == 1)
        for (PacketColumn& col : cols)
          if (col.store() == PacketColumn::Store::Text)
            col.reserve(room, std::min(col.textAt(0).size() * room, kMostTextRoom));
    }
    // Room taken for a much larger result than this one is given back.
    if (count < room / 2 && room > kFirstRoom)
      for (PacketColumn& col : cols) col.shrinkToFit();
    c.lastRows = count;
    // Expression columns: type from the values, then the values read again as that type.
    for (size_t i = 0; i < rs.columns.size(); ++i) {
      if (declared[i]) continue;
      rs.columns[i] = inferColumn(std::move(rs.columns[i].name), cols[i]);
      if (rs.columns[i].type == FieldType::DateTime) {
        PacketColumn dates;
        for (size_t r = 0; r < count; ++r) {
          Variant v = cols[i].at(r);
          if (v.isString())
            dates.pushDate(*DateTime::parseIso(v.str()));
          else
            dates.push(v);
        }
        cols[i] = std::move(dates);
      }
    }
    rs.rows.setColumns(std::move(cols), count);
    return rs;
  }

  int64_t exec(std::string_view sql, const Params& params) override {
    Use st;
    prepare(sql, params, st);
    // sqlite3_changes64 keeps the count of the last INSERT/UPDATE/DELETE across other statements
    // (DDL, SELECT); the running total tells whether this one changed anything.
    sqlite3_int64 before = sqlite3_total_changes64(db_);
    int rc;
    while ((rc = sqlite3_step(st.h)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) fail();
    return sqlite3_total_changes64(db_) == before ? 0 : static_cast<int64_t>(sqlite3_changes64(db_));
  }

  void execScript(std::string_view script) override {
    std::string text(script);
    char* msg = nullptr;
    if (sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &msg) != SQLITE_OK) {
      std::string why = msg ? msg : sqlite3_errmsg(db_);
      sqlite3_free(msg);
      throwStatementError(errorKind(db_), why);
    }
  }

  void begin() override {
    if (inTransaction()) throwStatementError(Error::Kind::Other, "já existe uma transação em andamento");
    execScript("BEGIN IMMEDIATE");
  }
  void commit() override {
    if (!inTransaction()) throwStatementError(Error::Kind::Other, "nenhuma transação em andamento");
    execScript("COMMIT");
  }
  void rollback() override {
    if (inTransaction()) execScript("ROLLBACK");
  }
  bool inTransaction() const override { return sqlite3_get_autocommit(db_) == 0; }

 private:
  [[noreturn]] void fail() { throwStatementError(errorKind(db_), sqlite3_errmsg(db_)); }

  // The statement for `sql`, from the cache or prepared now, bound to `params` and lent to `use`.
  Cached& prepare(std::string_view sql, const Params& params, Use& use) {
    Cached& c = statement(sql);
    use.h = c.h;
    for (size_t i = 0; i < c.names.size(); ++i) bind(c.h, static_cast<int>(i + 1), findParam(params, c.names[i]));
    return c;
  }

  Cached& statement(std::string_view sql) {
    if (auto it = index_.find(sql); it != index_.end()) {
      lru_.splice(lru_.begin(), lru_, it->second);  // most recently used first
      return it->second->second;
    }
    RewrittenSql rw = rewriteParams(sql, [](size_t i, const std::string&) { return "?" + std::to_string(i + 1); });
    Stmt st;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db_, rw.text.c_str(), static_cast<int>(rw.text.size()), &st.h, &tail) != SQLITE_OK) fail();
    if (!st.h) throwStatementError(Error::Kind::Other, "comando SQL vazio");
    if (tail && *tail) {
      // Only blanks, comments or ';' may follow: one statement per call, as on PostgreSQL.
      Stmt rest;
      if (sqlite3_prepare_v2(db_, tail, -1, &rest.h, nullptr) != SQLITE_OK || rest.h)
        throwStatementError(Error::Kind::Other, "apenas um comando SQL por chamada");
    }
    if (lru_.size() >= kStatementCacheSize) {
      sqlite3_finalize(lru_.back().second.h);
      index_.erase(lru_.back().first);
      lru_.pop_back();
    }
    lru_.emplace_front(std::string(sql), Cached{st.h, std::move(rw.names), {}, {}, -1, 0});
    st.h = nullptr;
    index_.emplace(lru_.front().first, lru_.begin());
    return lru_.front().second;
  }

  void bind(sqlite3_stmt* st, int index, const Variant* v) {
    int rc = SQLITE_OK;
    if (!v || v->isNull()) {
      rc = sqlite3_bind_null(st, index);
    } else {
      switch (v->kind()) {
        case Variant::Kind::Bool: rc = sqlite3_bind_int(st, index, v->asBool() ? 1 : 0); break;
        case Variant::Kind::Int: rc = sqlite3_bind_int64(st, index, v->asInt()); break;
        case Variant::Kind::Float: rc = sqlite3_bind_double(st, index, v->asFloat()); break;
        case Variant::Kind::DateTime: {
          std::string t = v->asDateTime().iso();
          if (t.size() > 10) t[10] = ' ';  // SQL's own form; sorts and compares as text
          rc = sqlite3_bind_text(st, index, t.data(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
          break;
        }
        case Variant::Kind::String: {
          const std::string& s = v->str();
          if (s.find('\0') != std::string::npos) throwNulInText();
          rc = sqlite3_bind_text(st, index, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
          break;
        }
        default: throwUnsupportedParam(*v);
      }
    }
    if (rc != SQLITE_OK) fail();
  }

  sqlite3* db_;
  // Prepared statements by SQL text, most recently used first.
  std::list<std::pair<std::string, Cached>> lru_;
  // Looked up by the caller's text itself (no copy of it per call).
  struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  std::unordered_map<std::string, std::list<std::pair<std::string, Cached>>::iterator, TextHash, std::equal_to<>>
      index_;
};

}  // namespace

std::unique_ptr<Database> openSqlite(const std::string& path) {
  sqlite3* db = nullptr;
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
  std::string url = "sqlite:" + path;
  if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
    std::string why = db ? sqlite3_errmsg(db) : "memória insuficiente";
    sqlite3_close_v2(db);
    throwOpenError(url, why);
  }
  auto result = std::make_unique<SqliteDatabase>(db);
  sqlite3_extended_result_codes(db, 1);
  sqlite3_busy_timeout(db, kBusyTimeoutMs);
  try {
    result->execScript("PRAGMA foreign_keys = ON");
    // A file that is not a database fails here, on first read.
    if (path != ":memory:") result->execScript("PRAGMA journal_mode = WAL");
  } catch (const Exception&) {
    throwOpenError(url, sqlite3_errmsg(db));
  }
  return result;
}

}  // namespace cad::db::detail
