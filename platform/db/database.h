// Database: the thin, dialect-aware connection to the shared database used by the application
// server and by the query component. SQL texts use named parameters (":P_CDFILIAL"); the backend
// rewrites them to its own placeholders, so values are always bound, never spliced into text.
// Backends: SQLite (WAL, foreign keys on, busy timeout) and PostgreSQL (libpqxx).
//
// Threads: a Database object is used by one thread at a time (it may move between threads, as
// connections of a cad::db::Pool do). Share a database between threads only through a Pool.
//
// Values: result columns carry the field type and size of their declared type; values come back
// as Variants of that kind (integers, floats for NUMERIC too, cad::DateTime for DATE and
// TIMESTAMP, strings with the trailing blanks of CHAR(n) trimmed). A bound cad::DateTime is a
// date ("YYYY-MM-DD", with the time when it has one), a bool binds as 1 or 0. A bound text holding
// U+0000 is refused on both backends (PostgreSQL cannot store it and would cut the text there).
// On PostgreSQL, strings, integers and nulls are sent untyped (the server infers the type from
// the context, as for a literal), floats as double precision and dates as date or timestamp; a
// parameter whose only use gives no type (":P IS NULL" alone) needs a CAST in the SQL.
// On SQLite, an expression column (no declared type) takes its type from its values; text that is
// an ISO date in every row is read as a date, as PostgreSQL would type MAX(DTINICIO).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/core/errors.h"
#include "platform/core/packet.h"
#include "platform/core/variant.h"

namespace cad::db {

struct Column {
  std::string name;  // as the database reports it, upper-cased
  FieldType type = FieldType::String;
  int size = 0;            // declared character length, 0 when unknown
  bool fixedChar = false;  // CHAR(n): fixed-length flag field
};

struct ResultSet {
  std::vector<Column> columns;
  PacketRows rows;  // by column, as the backend read them (see packet.h)

  // The rows as a packet (field definitions from the columns).
  PacketPtr toPacket() const;
  int columnIndex(std::string_view name) const;  // case-insensitive, -1 when absent
};

// A failed statement. The text is Portuguese and carries the database's own message; `kind` lets
// callers tell a refused key from other failures without parsing messages. Busy: the database was
// locked by another writer for longer than the busy timeout (SQLite), or the transaction was
// rolled back for a deadlock with another one (PostgreSQL); trying again may succeed.
class Error : public Exception {
 public:
  enum class Kind : uint8_t { Other, Unique, ForeignKey, NotNull, Connection, Busy };
  Error(Kind kind, const std::string& message) : Exception(message), kind_(kind) {}
  Kind kind() const { return kind_; }

 private:
  Kind kind_;
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
  virtual void execScript(std::string_view script) = 0;                       // several statements, no parameters

  // One level only: begin() while a transaction is open throws. SQLite takes the write lock at
  // begin, so two writers queue on the busy timeout instead of failing halfway.
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
