// Helpers shared by the method areas: building reply packets with the field definitions the
// screens expect, and the operator's access to a branch.
#pragma once

#include <string>
#include <vector>

#include "platform/core/packet.h"

namespace cad::db {
class Database;
struct ResultSet;
}  // namespace cad::db

namespace cad::appserver {

// A packet with exactly `fields` (names, types, sizes, flags, in that order), filled from the
// result set's columns of the same names (case-insensitive). Values are converted to the field's
// type, so the packet has the same shape on every database backend (a float column stays float
// even where SQLite stored an integer). A field the result set lacks is an error.
PacketPtr packetOf(const db::ResultSet& rs, const std::vector<FieldDef>& fields);

// Whether the operator may change data of the branch (table FILIOPER).
bool operatorHasBranch(db::Database& db, const std::string& operatorName, const std::string& branch);

// Refusal text for a branch the operator has no access to.
std::string noBranchAccessText(const std::string& operatorName, const std::string& branch);

}  // namespace cad::appserver
