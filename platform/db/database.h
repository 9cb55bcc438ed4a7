// Database: the thin, dialect-aware connection to the shared database used by the application
// server and by the query component. SQL texts use named parameters (":P_CDFILIAL"); the backend
// rewrites them to its own placeholders, so values are always bound, never spliced into text.
// Backends: SQLite (WAL, foreign keys on, busy timeout) and PostgreSQL (libpqxx).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/core/packet.h"
#include "platform/core/variant.h"

namespace cad::db {

struct Column {
  std::string name;  // as the database reports it, upper-cased
  FieldType type = FieldType::String;
  int size = 0;      // declared character length, 0 when unknown
};

struct ResultSet {
  std::vector<Column> columns;
  std::vector<std::vector<Variant>> rows;

  // The rows as a packet (field definitions from the columns).
  PacketPtr toPacket() const;
  int columnIndex(std::string_view name) const;  // case-insensitive, -1 when absent
};

// Named parameters, names without the leading ':' (matched without regard to case). A parameter
// named in the SQL but not supplied binds null.
using Params = std::vector<std::pair<std::string, Variant>>;

class Database {
 public:
  virtual ~Database() = default;

  virtual std::string_view dialect() const = 0;  // "sqlite" or "postgresql"
  virtual ResultSet query(std::string_view sql, const Params& params = {}) = 0;
  virtual int64_t exec(std::string_view sql, const Params& params = {}) = 0;  // rows affected
  virtual void execScript(std::string_view script) = 0;  // several statements, no parameters

  virtual void begin() = 0;
  virtual void commit() = 0;
  virtual void rollback() = 0;
  virtual bool inTransaction() const = 0;
};

// Opens a connection: "sqlite:PATH", "sqlite::memory:" or "postgresql://user@host:port/db".
// Throws cad::Exception with a Portuguese text naming the database when it cannot connect.
std::unique_ptr<Database> open(const std::string& url);

// Scope guard: begins on construction, rolls back on destruction unless committed.
class Transaction {
 public:
  explicit Transaction(Database& db);
  ~Transaction();
  void commit();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

 private:
  Database& db_;
  bool done_ = false;
};

// The database the screens' reference queries use (set by the host at start; null until then).
void setSessionDatabase(std::shared_ptr<Database> db);
std::shared_ptr<Database> sessionDatabase();

}  // namespace cad::db
