#include "platform/core/packet.h"

#include "platform/core/errors.h"
#include "platform/core/format.h"

namespace cad {

const char* fieldTypeName(FieldType t) {
  switch (t) {
    case FieldType::String: return "string";
    case FieldType::Integer: return "integer";
    case FieldType::Float: return "float";
    case FieldType::Boolean: return "boolean";
    case FieldType::DateTime: return "datetime";
  }
  return "string";
}

bool parseFieldType(std::string_view s, FieldType& out) {
  static const std::pair<const char*, FieldType> kNames[] = {
      {"string", FieldType::String},   {"integer", FieldType::Integer},
      {"float", FieldType::Float},     {"boolean", FieldType::Boolean},
      {"datetime", FieldType::DateTime}};
  for (const auto& [name, type] : kNames)
    if (s == name) {
      out = type;
      return true;
    }
  return false;
}

const char* changeKindName(ChangeKind k) {
  switch (k) {
    case ChangeKind::Inserted: return "insert";
    case ChangeKind::Modified: return "modify";
    case ChangeKind::Deleted: return "delete";
  }
  return "modify";
}

int Packet::fieldIndex(std::string_view name) const {
  for (size_t i = 0; i < fields.size(); ++i)
    if (sameText(fields[i].name, name)) return static_cast<int>(i);
  return -1;
}

const Variant& Packet::value(size_t row, std::string_view field) const {
  int i = fieldIndex(field);
  if (i < 0) throw Exception("Campo '" + std::string(field) + "' não encontrado no pacote.");
  if (row >= rows.size() || static_cast<size_t>(i) >= rows[row].size())
    throw Exception("Linha " + std::to_string(row) + " fora do pacote.");
  return rows[row][static_cast<size_t>(i)];
}

}  // namespace cad
