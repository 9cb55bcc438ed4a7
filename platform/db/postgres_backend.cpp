// PostgreSQL backend on libpqxx. Outside a transaction every statement runs in its own
// nontransaction (autocommit); begin() opens a pqxx::work that later statements share until
// commit or rollback. Parameters become $n; values travel as text, floats and dates with an
// explicit cast (see database.h). Column sizes of VARCHAR(n)/CHAR(n) come from the catalog
// (pg_attribute.atttypmod), looked up once per table and connection.
// A connection the server dropped is opened again by the next call made outside a transaction
// (the call that met the failure reports it; nothing is retried behind the caller's back).
// Statements are prepared once per connection and reused: the parameter names of a SQL text are
// found once, and each text with the casts its values need (float, date, timestamp) becomes a
// named prepared statement of the connection. Both caches are bounded; beyond them a statement
// runs unprepared, as a one-off. A new connection starts with no prepared statement, and a script
// (which may change the tables) drops them.
#include <pqxx/pqxx>

#include <charconv>
#include <cmath>
#include <map>
#include <optional>
#include <unordered_map>

#include "platform/core/format.h"
#include "platform/db/backends.h"
#include "platform/db/sqltext.h"

namespace cad::db::detail {

namespace {

// Type OIDs of the built-in types (pg_type.h).
enum : pqxx::oid {
  kBool = 16,
  kInt8 = 20,
  kInt2 = 21,
  kInt4 = 23,
  kOid = 26,
  kFloat4 = 700,
  kFloat8 = 701,
  kBpchar = 1042,
  kVarchar = 1043,
  kDate = 1082,
  kTimestamp = 1114,
  kTimestampTz = 1184,
  kNumeric = 1700
};

// The first line of a server message, without the "ERROR:" prefix.
std::string shortMessage(const char* what) {
  std::string_view s(what ? what : "");
  s = s.substr(0, s.find('\n'));
  if (s.rfind("ERROR:", 0) == 0) s.remove_prefix(6);
  return trim(s);
}

// Runs f, turning libpqxx exceptions into cad::db::Error. `connected` tells a failure caused by a
// lost connection (whatever libpqxx called it) from one of the statement.
template <typename F, typename C>
auto guarded(F&& f, C&& connected) -> decltype(f()) {
  try {
    return f();
  } catch (const pqxx::unique_violation& e) {
    throwStatementError(Error::Kind::Unique, shortMessage(e.what()));
  } catch (const pqxx::foreign_key_violation& e) {
    throwStatementError(Error::Kind::ForeignKey, shortMessage(e.what()));
  } catch (const pqxx::not_null_violation& e) {
    throwStatementError(Error::Kind::NotNull, shortMessage(e.what()));
  } catch (const pqxx::deadlock_detected& e) {
    // Another transaction (another worker or server process) wrote the same rows in the other
    // order: PostgreSQL rolled this one back, so nothing of it was written; trying again may succeed.
    throwStatementError(Error::Kind::Busy, shortMessage(e.what()));
  } catch (const pqxx::serialization_failure& e) {
    throwStatementError(Error::Kind::Busy, shortMessage(e.what()));
  } catch (const Exception&) {
    throw;
  } catch (const std::exception& e) {
    if (dynamic_cast<const pqxx::broken_connection*>(&e) != nullptr || !connected())
      throwStatementError(Error::Kind::Connection, "conexão com o servidor perdida (" + shortMessage(e.what()) + ")");
    throwStatementError(Error::Kind::Other, shortMessage(e.what()));
  }
}

Column columnFor(pqxx::oid type, std::string name, int typmod) {
  Column col;
  col.name = std::move(name);
  switch (type) {
    case kBool: col.type = FieldType::Boolean; break;
    case kInt2:
    case kInt4:
    case kInt8:
    case kOid: col.type = FieldType::Integer; break;
    case kFloat4:
    case kFloat8:
    case kNumeric: col.type = FieldType::Float; break;
    case kDate:
    case kTimestamp:
    case kTimestampTz: col.type = FieldType::DateTime; break;
    case kBpchar:
      col.fixedChar = true;
      col.size = typmod > 4 ? typmod - 4 : 0;
      break;
    case kVarchar: col.size = typmod > 4 ? typmod - 4 : 0; break;
    default: break;
  }
  return col;
}

Variant readValue(const pqxx::field& f, const Column& col, pqxx::oid type) {
  if (f.is_null()) return Variant();
  std::string_view t(f.c_str(), f.size());
  switch (col.type) {
    case FieldType::Boolean: return Variant(t == "t");
    case FieldType::Integer: {
      long long v = 0;
      auto r = std::from_chars(t.data(), t.data() + t.size(), v);
      if (r.ec == std::errc() && r.ptr == t.data() + t.size()) return Variant(v);
      break;
    }
    case FieldType::Float: {
      double v = 0;
      auto r = std::from_chars(t.data(), t.data() + t.size(), v);
      if (r.ec == std::errc() && r.ptr == t.data() + t.size()) return Variant(v);
      if (t == "NaN") return Variant(std::nan(""));
      if (t == "Infinity") return Variant(HUGE_VAL);
      if (t == "-Infinity") return Variant(-HUGE_VAL);
      break;
    }
    case FieldType::DateTime:
      if (auto d = DateTime::parseIso(t)) return Variant(*d);
      break;  // infinity, BC dates: kept as text
    case FieldType::String:
      if (type == kBpchar) return Variant(trimRight(t));
      break;
  }
  return Variant(t);
}

class PostgresDatabase final : public Database {
 public:
  explicit PostgresDatabase(std::string url) : url_(std::move(url)) { connect(); }

  std::string_view dialect() const override { return "postgresql"; }

  ResultSet query(std::string_view sql, const Params& params) override {
    ensureConnected();
    return guard([&] {
      pqxx::result r = run(sql, params);
      ResultSet rs;
      const auto n = r.columns();
      std::vector<pqxx::oid> types(n);
      rs.columns.reserve(n);
      for (pqxx::row::size_type i = 0; i < n; ++i) {
        types[i] = r.column_type(i);
        int typmod = (types[i] == kVarchar || types[i] == kBpchar) ? columnTypmod(r, i) : -1;
        rs.columns.push_back(columnFor(types[i], upperCase(r.column_name(i)), typmod));
      }
      // The values go straight into typed columns.
      std::vector<PacketColumn> cols(static_cast<size_t>(n));
      for (auto& c : cols) c.reserve(r.size());
      for (const auto& row : r)
        for (pqxx::row::size_type i = 0; i < n; ++i) cols[i].push(readValue(row[i], rs.columns[i], types[i]));
      rs.rows.setColumns(std::move(cols), r.size());
      return rs;
    });
  }

  int64_t exec(std::string_view sql, const Params& params) override {
    ensureConnected();
    return guard([&] { return static_cast<int64_t>(run(sql, params).affected_rows()); });
  }

  void execScript(std::string_view script) override {
    ensureConnected();
    guard([&] {
      // The simple query protocol runs several statements in one go.
      std::string text(script);
      if (conn_) dropStatements();
      if (work_) {
        work_->exec(text);
      } else {
        pqxx::nontransaction tx(*conn_);
        tx.exec(text);
      }
    });
  }

  void begin() override {
    if (work_) throwStatementError(Error::Kind::Other, "já existe uma transação em andamento");
    ensureConnected();
    guard([&] { work_ = std::make_unique<pqxx::work>(*conn_); });
  }

  void commit() override {
    if (!work_) throwStatementError(Error::Kind::Other, "nenhuma transação em andamento");
    // Whatever the outcome, the server has ended the transaction.
    std::unique_ptr<pqxx::work> w = std::move(work_);
    guard([&] { w->commit(); });
  }

  void rollback() override {
    if (!work_) return;
    std::unique_ptr<pqxx::work> w = std::move(work_);
    guard([&] { w->abort(); });
  }

  bool inTransaction() const override { return work_ != nullptr; }

 private:
  void connect() {
    statements_.clear();
    conn_.reset();
    conn_ = std::make_unique<pqxx::connection>(url_);
    conn_->set_variable("client_encoding", "'UTF8'");
    conn_->set_variable("DateStyle", "'ISO, YMD'");
    conn_->set_variable("client_min_messages", "warning");  // no NOTICEs on stderr
  }

  // Before a call: a connection lost since the last one is opened again, unless a transaction
  // was under way (its work is gone; the caller learns it from the failure and rolls back).
  void ensureConnected() {
    if (work_ || (conn_ && conn_->is_open())) return;
    try {
      connect();
    } catch (const std::exception& e) {
      throwStatementError(Error::Kind::Connection, shortMessage(e.what()));
    }
  }

  template <typename F>
  auto guard(F&& f) -> decltype(f()) {
    return guarded(std::forward<F>(f), [this] { return conn_ && conn_->is_open(); });
  }

  // Distinct parameter names of a SQL text, in placeholder order.
  const std::vector<std::string>& paramNames(std::string_view sql, std::vector<std::string>& scratch) {
    std::string key(sql);
    if (auto it = names_.find(key); it != names_.end()) return it->second;
    scratch = rewriteParams(sql, [](size_t, const std::string&) { return std::string(); }).names;
    if (names_.size() >= kStatementCacheSize) return scratch;
    return names_.emplace(std::move(key), std::move(scratch)).first->second;
  }

  pqxx::result run(std::string_view sql, const Params& params) {
    std::vector<std::string> scratch;
    const std::vector<std::string>& names = paramNames(sql, scratch);
    // Each value as text, and the cast its placeholder needs: f float, d date, t timestamp.
    std::vector<std::optional<std::string>> values;
    values.reserve(names.size());
    std::string casts;
    for (const std::string& name : names) {
      const Variant* v = findParam(params, name);
      values.push_back(textOf(v));
      casts += v && v->isFloat() ? 'f' : v && v->isDateTime() ? (values.back()->size() > 10 ? 't' : 'd') : '-';
    }
    std::vector<const char*> ptrs;
    ptrs.reserve(values.size());
    for (const auto& v : values) ptrs.push_back(v ? v->c_str() : nullptr);
    auto dyn = pqxx::prepare::make_dynamic_params(ptrs);

    std::string key;
    key.reserve(sql.size() + 1 + casts.size());
    key.append(sql).append(1, '\0').append(casts);
    auto it = statements_.find(key);
    if (it == statements_.end()) {
      std::string text = rewriteParams(sql, [&](size_t i, const std::string&) {
                           std::string ph = "$" + std::to_string(i + 1);
                           if (casts[i] == 'f') return "CAST(" + ph + " AS DOUBLE PRECISION)";
                           if (casts[i] == 't') return "CAST(" + ph + " AS TIMESTAMP)";
                           if (casts[i] == 'd') return "CAST(" + ph + " AS DATE)";
                           return ph;
                         }).text;
      if (statements_.size() >= kStatementCacheSize) {
        if (work_) return work_->exec_params(text, dyn);
        pqxx::nontransaction tx(*conn_);
        return tx.exec_params(text, dyn);
      }
      // The server prepares it on first use; a text it refuses stays defined under its name and
      // is offered again by the next call of the same text, so failures add nothing.
      std::string name = "cad_" + std::to_string(++statementSerial_);
      conn_->prepare(name, text);
      it = statements_.emplace(std::move(key), std::move(name)).first;
    }
    if (work_) return work_->exec_prepared(it->second, dyn);
    pqxx::nontransaction tx(*conn_);
    return tx.exec_prepared(it->second, dyn);
  }

  // Forgets the prepared statements (after a script, which may have changed what they read).
  void dropStatements() {
    for (const auto& [key, name] : statements_) {
      try {
        conn_->unprepare(name);
      } catch (const std::exception&) {
        // Gone with a broken connection or an aborted transaction: nothing left to free.
      }
    }
    statements_.clear();
  }

  static std::optional<std::string> textOf(const Variant* v) {
    if (!v || v->isNull()) return std::nullopt;
    switch (v->kind()) {
      case Variant::Kind::Bool: return std::string(v->asBool() ? "1" : "0");
      case Variant::Kind::Int:
      case Variant::Kind::Float:
      case Variant::Kind::DateTime: return v->asString();
      case Variant::Kind::String:
        // libpq takes C strings: a U+0000 would silently end the text there.
        if (v->str().find('\0') != std::string::npos) throwNulInText();
        return v->str();
      default: throwUnsupportedParam(*v);
    }
  }

  // Declared typmod of a result column that comes straight from a table column; -1 otherwise.
  int columnTypmod(const pqxx::result& r, pqxx::row::size_type i) {
    pqxx::oid table = r.column_table(i);
    if (table == 0) return -1;
    int attnum = static_cast<int>(r.table_column(i)) + 1;
    auto key = std::make_pair(table, attnum);
    if (auto it = typmods_.find(key); it != typmods_.end()) return it->second;
    const std::string sql = "SELECT attnum, atttypmod FROM pg_catalog.pg_attribute WHERE attrelid = $1 AND attnum > 0";
    auto load = [&](pqxx::transaction_base& tx) {
      for (const auto& row : tx.exec_params(sql, table)) typmods_[{table, row[0].as<int>()}] = row[1].as<int>();
    };
    if (work_) {
      load(*work_);
    } else {
      pqxx::nontransaction tx(*conn_);
      load(tx);
    }
    auto it = typmods_.find(key);
    return it == typmods_.end() ? -1 : it->second;
  }

  const std::string url_;
  std::unique_ptr<pqxx::connection> conn_;
  std::unique_ptr<pqxx::work> work_;
  std::map<std::pair<pqxx::oid, int>, int> typmods_;
  static constexpr size_t kStatementCacheSize = 256;
  std::unordered_map<std::string, std::vector<std::string>> names_;  // SQL text -> parameter names
  std::unordered_map<std::string, std::string> statements_;          // SQL text + casts -> prepared name
  uint64_t statementSerial_ = 0;
};

}  // namespace

std::unique_ptr<Database> openPostgres(const std::string& url) {
  try {
    return std::make_unique<PostgresDatabase>(url);
  } catch (const std::exception& e) {
    throwOpenError(url, shortMessage(e.what()));
  }
}

}  // namespace cad::db::detail
