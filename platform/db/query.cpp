// The query component: a read-only DataSet whose storage hook runs SQL. Invariants: the
// parameter list is always the union of the names used by every dialect text (so a screen may
// set a parameter that only another dialect's text uses); values survive a change of SQL for the
// names that remain; a change of SQL closes the query, so open rows always match the texts.
#include "platform/db/query.h"

#include <algorithm>
#include <utility>

#include "platform/core/errors.h"
#include "platform/core/format.h"
#include "platform/db/sqltext.h"

namespace cad {

namespace {

constexpr std::string_view kDefaultDialect = "default";

std::string dialectKey(std::string_view dialect) {
  std::string key = lowerCase(trim(dialect));
  return key.empty() ? std::string(kDefaultDialect) : key;
}

std::string paramKey(std::string_view name) {
  if (!name.empty() && name.front() == ':') name.remove_prefix(1);
  return upperCase(name);
}

}  // namespace

TADOIBQuery::TADOIBQuery(std::string name) : DataSet(std::move(name)) { ReadOnly = true; }

void TADOIBQuery::SetSQL(std::string_view text, std::string_view dialect) {
  if (Active()) Close();
  std::string key = dialectKey(dialect);
  if (trim(text).empty())
    texts_.erase(key);
  else
    texts_[key] = std::string(text);
  discoverParams();
}

std::string TADOIBQuery::SQL(std::string_view dialect) const {
  auto it = texts_.find(dialectKey(dialect));
  return it == texts_.end() ? std::string() : it->second;
}

std::string TADOIBQuery::SQLFor(std::string_view dialect) const {
  auto it = texts_.find(dialectKey(dialect));
  if (it == texts_.end()) it = texts_.find(kDefaultDialect);
  return it == texts_.end() ? std::string() : it->second;
}

void TADOIBQuery::discoverParams() {
  std::vector<std::string> names;
  auto collect = [&](const std::string& sql) {
    auto found = db::rewriteParams(sql, [](size_t, const std::string&) { return std::string("?"); });
    for (std::string& n : found.names)
      if (std::find(names.begin(), names.end(), n) == names.end()) names.push_back(std::move(n));
  };
  if (auto it = texts_.find(kDefaultDialect); it != texts_.end()) collect(it->second);
  for (const auto& [dialect, sql] : texts_)
    if (dialect != kDefaultDialect) collect(sql);

  db::Params next;
  next.reserve(names.size());
  for (std::string& n : names) {
    auto old = std::find_if(params_.begin(), params_.end(), [&](const auto& p) { return p.first == n; });
    next.emplace_back(std::move(n), old == params_.end() ? Variant() : old->second);
  }
  params_ = std::move(next);
}

Variant& TADOIBQuery::ParamByName(std::string_view name) {
  std::string key = paramKey(name);
  for (auto& [n, value] : params_)
    if (n == key) return value;
  if (!name.empty() && name.front() == ':') name.remove_prefix(1);
  throw Exception("Parâmetro '" + std::string(name) + "' não encontrado.");
}

std::shared_ptr<db::Database> TADOIBQuery::database() const {
  std::shared_ptr<db::Database> db = Connection ? Connection : db::sessionDatabase();
  if (!db) throw Exception("Não há conexão com o banco de dados.");
  return db;
}

PacketPtr TADOIBQuery::fetchData() {
  std::shared_ptr<db::Database> db = database();
  std::string sql = SQLFor(db->dialect());
  if (trim(sql).empty()) throw Exception("A consulta '" + Name + "' não tem comando SQL.");
  return db->query(sql, params_).toPacket();
}

}  // namespace cad
