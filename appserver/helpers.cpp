// Shared method helpers (see helpers.h). Invariant: packetOf never lets a backend's storage class
// leak into a reply: every value has its field's kind or is null.
#include "appserver/helpers.h"

#include "platform/core/errors.h"
#include "platform/db/database.h"

namespace cad::appserver {

namespace {

Variant convert(const Variant& v, FieldType type) {
  if (v.isNull()) return v;
  switch (type) {
    case FieldType::String: return v.isString() ? v : Variant(v.asString());
    case FieldType::Integer: return v.isInt() ? v : Variant(static_cast<long long>(v.asInt()));
    case FieldType::Float: return v.isFloat() ? v : Variant(v.asFloat());
    case FieldType::Boolean: return v.isBool() ? v : Variant(v.asBool());
    case FieldType::DateTime: return v.isDateTime() ? v : Variant(v.asDateTime());
  }
  return v;
}

}  // namespace

PacketPtr packetOf(const db::ResultSet& rs, const std::vector<FieldDef>& fields) {
  std::vector<int> source(fields.size());
  for (size_t i = 0; i < fields.size(); ++i) {
    source[i] = rs.columnIndex(fields[i].name);
    if (source[i] < 0) throw Exception("Consulta sem a coluna " + fields[i].name + ".");
  }
  auto p = std::make_shared<Packet>();
  p->fields = fields;
  p->rows.reserve(rs.rows.size());
  for (const auto& row : rs.rows) {
    std::vector<Variant> out;
    out.reserve(fields.size());
    for (size_t i = 0; i < fields.size(); ++i) out.push_back(convert(row.at(source[i]), fields[i].type));
    p->rows.push_back(std::move(out));
  }
  return p;
}

bool operatorHasBranch(db::Database& db, const std::string& operatorName, const std::string& branch) {
  return !db.query("SELECT 1 FROM FILIOPER WHERE CDFILIAL = :CDFILIAL AND CDOPERADOR = :CDOPERADOR",
                   {{"CDFILIAL", branch}, {"CDOPERADOR", operatorName}})
              .rows.empty();
}

std::string noBranchAccessText(const std::string& operatorName, const std::string& branch) {
  return "O operador " + operatorName + " não tem acesso à filial " + branch + ".";
}

}  // namespace cad::appserver
