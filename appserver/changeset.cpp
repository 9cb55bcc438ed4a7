// Change-set applier (see changeset.h). Invariants: SQL text is built only from the table name
// (checked to be a plain identifier) and from column names taken from the table itself; every
// value is a bound parameter. A stale or vanished row refuses before anything of that row is
// written, and the caller's rollback undoes the rows applied before it.
#include "appserver/changeset.h"

#include <unordered_map>
#include <unordered_set>

#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/db/database.h"

namespace cad::appserver {

namespace {

bool isIdentifier(std::string_view s) {
  if (s.empty() || s.size() > 64) return false;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    if (!letter && !(i > 0 && c >= '0' && c <= '9')) return false;
  }
  return true;
}

// Parameter names: K<field> for key values, V<field> for written values.
std::string param(char prefix, size_t field) {
  std::string name(1, prefix);
  name += std::to_string(field);
  return name;
}

bool emptyValue(const Variant& v) { return v.isNull() || (v.isString() && v.str().empty()); }

// Whether a value the client read equals the stored one. Null and "" are the same (screens store
// empty texts as null); values of different kinds compare by their text.
bool sameValue(const Variant& a, const Variant& b) {
  if (emptyValue(a) || emptyValue(b)) return emptyValue(a) && emptyValue(b);
  if (a == b) return true;
  if (a.kind() == b.kind() || a.isPacket() || b.isPacket() || a.isArray() || b.isArray()) return false;
  if (a.isNumber() && b.isNumber()) return false;
  return a.asString() == b.asString();
}

// The table's columns with their declared lengths.
std::vector<db::Column> columnsOf(db::Database& db, std::string_view table) {
  if (!isIdentifier(table)) throw Exception("Nome de tabela inválido: " + std::string(table));
  db::ResultSet rs = db.query("SELECT * FROM " + std::string(table) + " WHERE 1 = 0");
  if (rs.columns.empty()) throw Exception("Tabela sem colunas: " + std::string(table));
  return std::move(rs.columns);
}

struct Mapped {
  size_t field;        // index in the change set
  std::string column;  // the table's name for it
  bool key;
  bool forceNull;
  int size;  // declared character length, 0 when unbounded
};

class Applier {
 public:
  Applier(db::Database& db, const TableSpec& table, const Packet& delta, const std::vector<std::string>& forceNull)
      : db_(db), table_(table), delta_(delta) {
    std::unordered_map<std::string, int> tableCols;  // column -> declared length
    for (const db::Column& c : columnsOf(db, table.table)) tableCols.emplace(upperCase(c.name), c.size);
    std::unordered_set<std::string> readOnly, keys, nulls;
    for (const auto& c : table.readOnly) readOnly.insert(upperCase(c));
    for (const auto& c : table.keys) keys.insert(upperCase(c));
    for (const auto& c : forceNull) nulls.insert(upperCase(c));
    for (size_t i = 0; i < delta.fields.size(); ++i) {
      std::string name = upperCase(delta.fields[i].name);
      if (!tableCols.count(name) || readOnly.count(name)) continue;
      bool key = keys.count(name) > 0;
      mapped_.push_back({i, name, key, !key && nulls.count(name) > 0, tableCols.at(name)});
    }
    for (const auto& k : keys) {
      if (!tableCols.count(k)) throw Exception("A tabela " + table.table + " não tem a coluna de chave " + k + ".");
      bool found = false;
      for (const Mapped& m : mapped_) found = found || (m.key && m.column == k);
      if (!found) throw Exception("Conjunto de alterações de " + table.table + " sem a coluna de chave " + k + ".");
    }
    std::string where;
    for (const Mapped& m : mapped_) {
      if (!m.key) continue;
      where += where.empty() ? " WHERE " : " AND ";
      where += m.column + " = :" + param('K', m.field);
    }
    where_ = where;
  }

  std::string apply() {
    if (!delta_.delta) throw Exception("Os dados enviados não são um conjunto de alterações.");
    for (size_t r = 0; r < delta_.rows.size(); ++r) {
      std::string refusal;
      switch (delta_.kinds.at(r)) {
        case ChangeKind::Inserted: refusal = insert(delta_.rows[r]); break;
        case ChangeKind::Modified: refusal = modify(delta_.rows[r], delta_.original.at(r)); break;
        case ChangeKind::Deleted: refusal = remove(delta_.original.at(r)); break;
      }
      if (!refusal.empty()) return refusal;
    }
    return {};
  }

 private:
  db::Params keyParams(const std::vector<Variant>& row) const {
    db::Params p;
    for (const Mapped& m : mapped_) {
      if (!m.key) continue;
      if (emptyValue(row.at(m.field)))
        throw Exception("Conjunto de alterações de " + table_.table + " sem valor para a chave " + m.column + ".");
      p.emplace_back(param('K', m.field), row[m.field]);
    }
    return p;
  }

  // The value written for a column.
  Variant stored(const Mapped& m, const Variant& v) const {
    if (m.forceNull || (!m.key && table_.emptyAsNull && v.isString() && v.str().empty())) return Variant();
    return v;
  }

  // Refusal text for a value longer than its column (both backends refuse alike, before writing).
  std::string tooLong(const std::vector<Variant>& row) const {
    for (const Mapped& m : mapped_) {
      const Variant& v = row.at(m.field);
      if (m.size > 0 && v.isString() && utf8Length(v.str()) > static_cast<size_t>(m.size))
        return "O valor de " + m.column + " excede " + std::to_string(m.size) + " caracteres.";
    }
    return {};
  }

  std::string insert(const std::vector<Variant>& row) {
    if (std::string refusal = tooLong(row); !refusal.empty()) return refusal;
    db::Params keys = keyParams(row);
    if (!db_.query("SELECT 1 FROM " + table_.table + where_, keys).rows.empty()) return kAlreadyStored;
    std::string cols, vals;
    db::Params params;
    for (const Mapped& m : mapped_) {
      if (!cols.empty()) {
        cols += ", ";
        vals += ", ";
      }
      cols += m.column;
      vals += ':';
      vals += param('V', m.field);
      params.emplace_back(param('V', m.field), stored(m, row.at(m.field)));
    }
    try {
      db_.exec("INSERT INTO " + table_.table + " (" + cols + ") VALUES (" + vals + ")", params);
    } catch (const db::Error& e) {
      // Another transaction stored the key between the check above and this insert (PostgreSQL
      // lets both check before either commits): the same refusal as when the check sees it.
      if (e.kind() == db::Error::Kind::Unique) return kAlreadyStored;
      throw;
    }
    return {};
  }

  // Compares the stored row with the original values; locks it on PostgreSQL so nobody changes
  // it between this check and the write.
  bool unchanged(const std::vector<Variant>& original, const db::Params& keys) {
    std::string cols;
    for (const Mapped& m : mapped_) cols += (cols.empty() ? "" : ", ") + m.column;
    std::string sql = "SELECT " + cols + " FROM " + table_.table + where_;
    if (db_.dialect() == "postgresql") sql += " FOR UPDATE";
    db::ResultSet rs = db_.query(sql, keys);
    if (rs.rows.size() != 1) return false;
    for (size_t i = 0; i < mapped_.size(); ++i)
      if (!sameValue(original.at(mapped_[i].field), rs.rows[0].at(i))) return false;
    return true;
  }

  std::string modify(const std::vector<Variant>& row, const std::vector<Variant>& original) {
    if (std::string refusal = tooLong(row); !refusal.empty()) return refusal;
    db::Params keys = keyParams(original);
    if (!unchanged(original, keys)) return kChangedByOther;
    std::string set;
    db::Params params = keys;
    for (const Mapped& m : mapped_) {
      const Variant& now = row.at(m.field);
      const Variant& was = original.at(m.field);
      if (m.key && emptyValue(now))
        throw Exception("Conjunto de alterações de " + table_.table + " sem valor para a chave " + m.column + ".");
      bool write = m.forceNull ? !emptyValue(was) : !sameValue(now, was);
      if (!write) continue;
      set += (set.empty() ? "" : ", ") + m.column + " = :" + param('V', m.field);
      params.emplace_back(param('V', m.field), stored(m, now));
    }
    if (set.empty()) return {};
    if (db_.exec("UPDATE " + table_.table + " SET " + set + where_, params) != 1) return kChangedByOther;
    return {};
  }

  std::string remove(const std::vector<Variant>& original) {
    db::Params keys = keyParams(original);
    if (!unchanged(original, keys)) return kChangedByOther;
    if (db_.exec("DELETE FROM " + table_.table + where_, keys) != 1) return kChangedByOther;
    return {};
  }

  db::Database& db_;
  const TableSpec& table_;
  const Packet& delta_;
  std::vector<Mapped> mapped_;
  std::string where_;
};

}  // namespace

std::vector<std::string> tableColumns(db::Database& db, std::string_view table) {
  std::vector<std::string> cols;
  for (const auto& c : columnsOf(db, table)) cols.push_back(upperCase(c.name));
  return cols;
}

std::string applyChangeSet(db::Database& db, const TableSpec& table, const Packet& delta,
                           const std::vector<std::string>& forceNull) {
  return Applier(db, table, delta, forceNull).apply();
}

std::vector<std::string> splitNullFieldList(std::string_view list) {
  std::vector<std::string> out;
  size_t pos = 0;
  while (pos <= list.size()) {
    size_t next = list.find('_', pos);
    if (next == std::string_view::npos) next = list.size();
    if (next > pos) out.emplace_back(list.substr(pos, next - pos));
    pos = next + 1;
  }
  return out;
}

}  // namespace cad::appserver
