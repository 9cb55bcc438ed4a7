// Shared method helpers (see helpers.h). Invariant: packetOf never lets a backend's storage class
// leak into a reply: every value has its field's kind or is null.
#include "appserver/helpers.h"

#include <set>

#include "platform/core/errors.h"
#include "platform/core/format.h"

namespace cad::appserver {

namespace {

Variant convert(Variant&& v, FieldType type) {
  if (v.isNull()) return std::move(v);
  switch (type) {
    case FieldType::String: return v.isString() ? std::move(v) : Variant(v.asString());
    case FieldType::Integer: return v.isInt() ? std::move(v) : Variant(static_cast<long long>(v.asInt()));
    case FieldType::Float: return v.isFloat() ? std::move(v) : Variant(v.asFloat());
    case FieldType::Boolean: return v.isBool() ? std::move(v) : Variant(v.asBool());
    case FieldType::DateTime: return v.isDateTime() ? std::move(v) : Variant(v.asDateTime());
  }
  return std::move(v);
}

// Whether a column's values already have the kind of a field of the given type.
bool columnHolds(const PacketColumn& c, FieldType type) {
  using S = PacketColumn::Store;
  switch (c.store()) {
    case S::Nulls: return true;
    case S::Text: return type == FieldType::String;
    case S::Int: return type == FieldType::Integer;
    case S::Float: return type == FieldType::Float;
    case S::Bool: return type == FieldType::Boolean;
    case S::Date: return type == FieldType::DateTime;
    case S::Mixed: return false;
  }
  return false;
}

int requireField(const Packet& delta, std::string_view field) {
  int i = delta.fieldIndex(field);
  if (i < 0) throw Exception("Conjunto de alterações sem a coluna " + std::string(field) + ".");
  return i;
}

}  // namespace

FieldDef textField(std::string name, int size, bool required) {
  return {std::move(name), FieldType::String, size, required, false};
}

FieldDef floatField(std::string name, bool required) { return {std::move(name), FieldType::Float, 0, required, false}; }

FieldDef intField(std::string name, bool required) { return {std::move(name), FieldType::Integer, 0, required, false}; }

PacketPtr packetOf(db::ResultSet rs, const std::vector<FieldDef>& fields) {
  std::vector<int> source(fields.size());
  for (size_t i = 0; i < fields.size(); ++i) {
    // Queries select the fields in packet order, so the column at the same position is the
    // usual match; the name search is the fallback.
    bool samePlace = i < rs.columns.size() && rs.columns[i].name == fields[i].name;
    source[i] = samePlace ? static_cast<int>(i) : rs.columnIndex(fields[i].name);
    if (source[i] < 0) throw Exception("Consulta sem a coluna " + fields[i].name + ".");
  }
  auto p = std::make_shared<Packet>();
  p->fields = fields;
  std::vector<PacketColumn> in;
  size_t count = 0;
  if (rs.rows.takeColumns(in, count)) {
    // The statement's columns become the packet's: moved when they already hold the field's kind
    // (or only nulls), converted value by value otherwise.
    std::vector<int> uses(in.size());
    for (int s : source) ++uses[static_cast<size_t>(s)];
    std::vector<PacketColumn> out(fields.size());
    for (size_t i = 0; i < fields.size(); ++i) {
      PacketColumn& c = in[static_cast<size_t>(source[i])];
      if (columnHolds(c, fields[i].type) && uses[static_cast<size_t>(source[i])] == 1) {
        out[i] = std::move(c);
        continue;
      }
      out[i].reserve(count);
      for (size_t r = 0; r < count; ++r) out[i].push(convert(c.at(r), fields[i].type));
    }
    p->rows.setColumns(std::move(out), count);
    return p;
  }
  p->rows.reserve(rs.rows.size());
  for (auto& row : rs.rows) {
    std::vector<Variant> out;
    out.reserve(fields.size());
    for (size_t i = 0; i < fields.size(); ++i) out.push_back(convert(std::move(row.at(source[i])), fields[i].type));
    p->rows.push_back(std::move(out));
  }
  return p;
}

PacketPtr queryPacket(db::Database& db, std::string_view sql, const db::Params& params,
                      const std::vector<FieldDef>& fields) {
  return packetOf(db.query(sql, params), fields);
}

Variant newValue(const Packet& delta, size_t row, std::string_view field) {
  int i = requireField(delta, field);
  if (delta.kinds.at(row) == ChangeKind::Deleted) return {};
  return delta.rows.at(row).at(static_cast<size_t>(i));
}

Variant oldValue(const Packet& delta, size_t row, std::string_view field) {
  int i = requireField(delta, field);
  if (delta.kinds.at(row) == ChangeKind::Inserted) return {};
  return delta.original.at(row).at(static_cast<size_t>(i));
}

std::string textOf(const Variant& v) { return v.isNull() ? std::string() : trim(v.asString()); }

bool operatorHasBranch(db::Database& db, const std::string& operatorName, const std::string& branch) {
  return !db.query("SELECT 1 FROM FILIOPER WHERE CDFILIAL = :CDFILIAL AND CDOPERADOR = :CDOPERADOR",
                   {{"CDFILIAL", branch}, {"CDOPERADOR", operatorName}})
              .rows.empty();
}

std::string noBranchAccessText(const std::string& operatorName, const std::string& branch) {
  return "O operador " + operatorName + " não tem acesso à filial " + branch + ".";
}

std::string branchRefusal(db::Database& db, const std::string& operatorName, const std::string& branch) {
  return operatorHasBranch(db, operatorName, branch) ? std::string() : noBranchAccessText(operatorName, branch);
}

std::string branchReadRefusal(db::Database& db, const std::string& operatorName, const std::string& branch) {
  if (branch.empty()) return {};
  db::ResultSet rs = db.query(
      "SELECT (SELECT COUNT(*) FROM FILIAL WHERE CDFILIAL = :CDFILIAL),"
      " (SELECT COUNT(*) FROM FILIOPER WHERE CDFILIAL = :CDFILIAL AND CDOPERADOR = :CDOPERADOR)",
      {{"CDFILIAL", branch}, {"CDOPERADOR", operatorName}});
  // Read by cell: these checks run before every call, and the row form would be built for them.
  bool exists = rs.rows.cell(0, 0).asInt() > 0;
  bool allowed = rs.rows.cell(0, 1).asInt() > 0;
  return exists && !allowed ? noBranchAccessText(operatorName, branch) : std::string();
}

std::string serviceRefusal(db::Database& db, const std::string& branch, const std::string& service) {
  if (branch.empty() || service.empty()) return "Serviço não informado.";
  if (db.query("SELECT 1 FROM SERVICO WHERE CDFILIAL = :CDFILIAL AND CDSERVFILI = :CDSERVFILI",
               {{"CDFILIAL", branch}, {"CDSERVFILI", service}})
          .rows.empty())
    return "Serviço " + service + " não cadastrado na filial " + branch + ".";
  return {};
}

namespace {

// The operator's refusal from its OPERADOR row: whether there is one, and its IDATIVO.
std::string operatorRefusalText(const std::string& operatorName, bool registered, const Variant& active) {
  if (!registered) return "Operador " + operatorName + " não cadastrado.";
  if (textOf(active) == "N") return "Operador " + operatorName + " inativo: acesso ao servidor recusado.";
  return {};
}

}  // namespace

std::string operatorRefusal(db::Database& db, const std::string& operatorName) {
  db::ResultSet rs =
      db.query("SELECT IDATIVO FROM OPERADOR WHERE CDOPERADOR = :CDOPERADOR", {{"CDOPERADOR", operatorName}});
  return operatorRefusalText(operatorName, !rs.rows.empty(), rs.rows.empty() ? Variant() : rs.rows.cell(0, 0));
}

std::string operatorAndBranchRefusal(db::Database& db, const std::string& operatorName, const std::string& branch,
                                     std::string& branchRefused) {
  branchRefused.clear();
  if (branch.empty()) return operatorRefusal(db, operatorName);
  db::ResultSet rs = db.query(
      "SELECT (SELECT COUNT(*) FROM OPERADOR WHERE CDOPERADOR = :CDOPERADOR),"
      " (SELECT IDATIVO FROM OPERADOR WHERE CDOPERADOR = :CDOPERADOR),"
      " (SELECT COUNT(*) FROM FILIAL WHERE CDFILIAL = :CDFILIAL),"
      " (SELECT COUNT(*) FROM FILIOPER WHERE CDFILIAL = :CDFILIAL AND CDOPERADOR = :CDOPERADOR)",
      {{"CDFILIAL", branch}, {"CDOPERADOR", operatorName}});
  std::string refusal = operatorRefusalText(operatorName, rs.rows.cell(0, 0).asInt() > 0, rs.rows.cell(0, 1));
  if (refusal.empty() && rs.rows.cell(0, 2).asInt() > 0 && rs.rows.cell(0, 3).asInt() == 0)
    branchRefused = noBranchAccessText(operatorName, branch);
  return refusal;
}

PacketPtr withTrimmedCodes(const Packet& delta, const std::vector<std::string>& fields) {
  auto copy = std::make_shared<Packet>(delta);
  for (const std::string& field : fields) {
    int i = copy->fieldIndex(field);
    if (i < 0) continue;
    for (size_t r = 0; r < copy->rows.size(); ++r) {
      if (copy->kinds.at(r) == ChangeKind::Deleted) continue;
      Variant& v = copy->rows[r].at(static_cast<size_t>(i));
      if (v.isString()) v = Variant(trim(v.str()));
    }
  }
  return copy;
}

std::string changeSetBranchRefusal(db::Database& db, const std::string& operatorName, const Packet& delta,
                                   std::string_view field) {
  int i = requireField(delta, field);
  std::set<std::string> checked;
  for (size_t r = 0; r < delta.rows.size(); ++r) {
    std::vector<std::string> sides;
    if (delta.kinds.at(r) != ChangeKind::Deleted) sides.push_back(textOf(delta.rows.at(r).at(static_cast<size_t>(i))));
    if (delta.kinds.at(r) != ChangeKind::Inserted)
      sides.push_back(textOf(delta.original.at(r).at(static_cast<size_t>(i))));
    for (const std::string& branch : sides) {
      if (branch.empty()) return "Filial não informada.";
      if (!checked.insert(branch).second) continue;
      std::string refusal = branchRefusal(db, operatorName, branch);
      if (!refusal.empty()) return refusal;
    }
  }
  return {};
}

std::string dateText(DateTime d) { return formatDate(d, "dd/mm/yyyy"); }

long long takeCounter(db::Database& db, std::string_view name, std::string_view firstSql) {
  // An upsert, not an update followed by an insert: two transactions that both find the counter
  // missing would otherwise both insert it, and the second would fail on the key.
  std::string sql = "INSERT INTO SEQUENCIA (NMSEQUENCIA, NRULTVALOR) VALUES (:N, ";
  sql += firstSql;
  sql += ") ON CONFLICT (NMSEQUENCIA) DO UPDATE SET NRULTVALOR = SEQUENCIA.NRULTVALOR + 1 RETURNING NRULTVALOR";
  db::ResultSet rs = db.query(sql, {{"N", std::string(name)}});
  if (rs.rows.size() != 1 || rs.rows[0].empty())
    throw Exception("Contador " + std::string(name) + " não pôde ser lido.");
  return rs.rows[0][0].asInt();
}

}  // namespace cad::appserver
