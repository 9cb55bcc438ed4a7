// Generic change-set applier: writes the rows of a change set (a Packet with delta = true) to one
// table by its key columns, inside the caller's transaction.
//
//  - Inserted rows are inserted (a key already stored refuses the change set, also when another
//    transaction stores it between the check and the insert).
//  - Modified and deleted rows are first compared with the stored row found by their original
//    key: if it is gone or any compared column differs from the original value the client read,
//    the change set is refused with kChangedByOther. Modified rows then write only the columns
//    whose value changed (plus the forced nulls); deleted rows are deleted.
//  - Only columns that exist in the table are touched, matched by name without regard to case
//    against the table's own column list; fields the table does not have (display names joined
//    in by a query) and the table's readOnly columns are ignored. Values are always bound.
//  - A text longer than its column's declared length refuses the change set ("O valor de COLUNA
//    excede N caracteres."), so both backends answer alike instead of one truncating silently.
// A refusal is returned as text and the caller must roll back (update methods of the dispatcher
// do so on any non-empty text), so a refused change set writes nothing.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/core/packet.h"

namespace cad::db {
class Database;
}

namespace cad::appserver {

inline constexpr const char* kChangedByOther =
    "O registro foi alterado por outro usuário. Recarregue os dados e tente novamente.";
inline constexpr const char* kAlreadyStored =
    "O registro já foi incluído por outro usuário. Recarregue os dados e tente novamente.";

struct TableSpec {
  std::string table;
  std::vector<std::string> keys;      // key columns, in the table's case
  std::vector<std::string> readOnly;  // columns a change set never writes nor compares
  bool emptyAsNull = true;            // store "" as null outside the key (optional codes hold null)
};

// Returns "" when applied, otherwise the refusal text. `forceNull` names columns stored as null in
// every inserted or modified row. Throws cad::Exception on a malformed change set or a database
// error.
std::string applyChangeSet(db::Database& db, const TableSpec& table, const Packet& delta,
                           const std::vector<std::string>& forceNull = {});

// The table's column names, upper-cased, in table order (the only names SQL is built from).
std::vector<std::string> tableColumns(db::Database& db, std::string_view table);

// "_A_B" → {"A", "B"}: the null-field list the screens send with their change sets.
std::vector<std::string> splitNullFieldList(std::string_view list);

}  // namespace cad::appserver
