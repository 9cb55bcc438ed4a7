// Packet: field definitions plus rows, the unit in which data travels between the application
// server and the client datasets. A change set is a packet whose rows also carry their change kind
// and, for modified and deleted rows, the original values.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/core/variant.h"

namespace cad {

enum class FieldType : uint8_t { String, Integer, Float, Boolean, DateTime };

const char* fieldTypeName(FieldType t);          // "string", "integer", "float", "boolean", "datetime"
bool parseFieldType(std::string_view s, FieldType& out);

struct FieldDef {
  std::string name;
  FieldType type = FieldType::String;
  int size = 0;           // characters, for strings (0 = unbounded)
  bool required = false;
  bool fixedChar = false; // fixed-length character field (flags)
};

enum class ChangeKind : uint8_t { Inserted, Modified, Deleted };
const char* changeKindName(ChangeKind k);  // "insert", "modify", "delete"

struct Packet {
  std::vector<FieldDef> fields;
  std::vector<std::vector<Variant>> rows;

  // Change-set part; empty in a plain packet. kinds[i] and original[i] describe rows[i]:
  // inserted rows have an empty original, deleted rows repeat the original values in rows[i].
  bool delta = false;
  std::vector<ChangeKind> kinds;
  std::vector<std::vector<Variant>> original;

  // Index of a field by name without regard to letter case; -1 when absent.
  int fieldIndex(std::string_view name) const;
  // Value of a named field in a row; throws cad::Exception when the field is absent.
  const Variant& value(size_t row, std::string_view field) const;
  size_t rowCount() const { return rows.size(); }
};

}  // namespace cad
