// PostgreSQL backend on libpqxx. Outside a transaction every statement runs in its own
// nontransaction (autocommit); begin() opens a pqxx::work that later statements share until
// commit or rollback. Parameters become $n; values travel as text, floats and dates with an
// explicit cast (see database.h). Column sizes of VARCHAR(n)/CHAR(n) come from the catalog
// (pg_attribute.atttypmod), looked up once per table and connection.
// A connection the server dropped is opened again by the next call made outside a transaction
// (the call that met the failure reports it; nothing is retried behind the caller's back).
#include <pqxx/pqxx>

#include <charconv>
#include <cmath>
#include <map>
#include <optional>

#include "platform/core/format.h"
#include "platform/db/backends.h"
#include "platform/db/sqltext.h"

namespace cad::db::detail {

namespace {

// Type OIDs of the built-in types (pg_type.h).
enum : pqxx::oid {
  kBool = 16, kInt8 = 20, kInt2 = 21, kInt4 = 23, kOid = 26, kFloat4 = 700, kFloat8 = 701,
  kBpchar = 1042, kVarchar = 1043, kDate = 1082, kTimestamp = 1114, kTimestampTz = 1184,
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
    case kInt2: case kInt4: case kInt8: case kOid: col.type = FieldType::Integer; break;
    case kFloat4: case kFloat8: case kNumeric: col.type = FieldType::Float; break;
    case kDate: case kTimestamp: case kTimestampTz: col.type = FieldType::DateTime; break;
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
      rs.rows.reserve(r.size());
      for (const auto& row : r) {
        std::vector<Variant> values;
        values.reserve(n);
        for (pqxx::row::size_type i = 0; i < n; ++i) values.push_back(readValue(row[i], rs.columns[i], types[i]));
        rs.rows.push_back(std::move(values));
      }
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

  pqxx::result run(std::string_view sql, const Params& params) {
    std::vector<std::optional<std::string>> values;
    RewrittenSql rw = rewriteParams(sql, [&](size_t i, const std::string& name) {
      if (i == values.size()) values.push_back(textOf(findParam(params, name)));
      const Variant* v = findParam(params, name);
      std::string ph = "$" + std::to_string(i + 1);
      if (v && v->isFloat()) return "CAST(" + ph + " AS DOUBLE PRECISION)";
      if (v && v->isDateTime())
        return "CAST(" + ph + (values[i]->size() > 10 ? " AS TIMESTAMP)" : " AS DATE)");
      return ph;
    });
    std::vector<const char*> ptrs;
    ptrs.reserve(values.size());
    for (const auto& v : values) ptrs.push_back(v ? v->c_str() : nullptr);
    auto dyn = pqxx::prepare::make_dynamic_params(ptrs);
    if (work_) return work_->exec_params(rw.text, dyn);
    pqxx::nontransaction tx(*conn_);
    return tx.exec_params(rw.text, dyn);
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
      default:
        throwUnsupportedParam(*v);
    }
  }

  // Declared typmod of a result column that comes straight from a table column; -1 otherwise.
  int columnTypmod(const pqxx::result& r, pqxx::row::size_type i) {
    pqxx::oid table = r.column_table(i);
    if (table == 0) return -1;
    int attnum = static_cast<int>(r.table_column(i)) + 1;
    auto key = std::make_pair(table, attnum);
    if (auto it = typmods_.find(key); it != typmods_.end()) return it->second;
    const std::string sql =
        "SELECT attnum, atttypmod FROM pg_catalog.pg_attribute WHERE attrelid = $1 AND attnum > 0";
    auto load = [&](pqxx::transaction_base& tx) {
      for (const auto& row : tx.exec_params(sql, table))
        typmods_[{table, row[0].as<int>()}] = row[1].as<int>();
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
