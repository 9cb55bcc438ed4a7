// Helpers shared by the method areas: building reply packets with the field definitions the
// screens expect, reading change-set rows, the operator's access to a branch, and the texts the
// server formats dates with.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/core/datetime.h"
#include "platform/core/packet.h"
#include "platform/db/database.h"

namespace cad::appserver {

// ---- Reply packets ---------------------------------------------------------------------------

// Field definitions of reply packets (sizes in characters).
FieldDef textField(std::string name, int size, bool required = false);
FieldDef floatField(std::string name, bool required = false);
FieldDef intField(std::string name, bool required = false);

// A packet with exactly `fields` (names, types, sizes, flags, in that order), filled from the
// result set's columns of the same names (case-insensitive). Values are converted to the field's
// type, so the packet has the same shape on every database backend (a float column stays float
// even where SQLite stored an integer). A field the result set lacks is an error. Pass the result set
// as an rvalue to move its values instead of copying them.
PacketPtr packetOf(db::ResultSet rs, const std::vector<FieldDef>& fields);

// packetOf over the rows of one parameterised query.
PacketPtr queryPacket(db::Database& db, std::string_view sql, const db::Params& params,
                      const std::vector<FieldDef>& fields);

// ---- Change sets -----------------------------------------------------------------------------

// The values a change-set row is written with (inserted and modified rows) and the values the
// client read (modified and deleted rows); null for the side a row does not have. Throws
// cad::Exception when the change set lacks the field.
Variant newValue(const Packet& delta, size_t row, std::string_view field);
Variant oldValue(const Packet& delta, size_t row, std::string_view field);

// A text argument or value, blanks trimmed ("" for null).
std::string textOf(const Variant& v);

// ---- Branch access ---------------------------------------------------------------------------

// Whether the operator may change data of the branch (table FILIOPER).
bool operatorHasBranch(db::Database& db, const std::string& operatorName, const std::string& branch);

// Refusal text for a branch the operator has no access to.
std::string noBranchAccessText(const std::string& operatorName, const std::string& branch);

// "" when the operator may change data of the branch, otherwise the refusal text.
std::string branchRefusal(db::Database& db, const std::string& operatorName, const std::string& branch);

// "" when the operator may read data of the branch, otherwise the same refusal text as for a change.
// An empty branch or one missing from FILIAL holds no data, so it is left to the method (which
// answers with its own "not informed" / "not registered" text).
std::string branchReadRefusal(db::Database& db, const std::string& operatorName, const std::string& branch);

// "" when the operator may call the server at all: registered in OPERADOR and active (IDATIVO not
// 'N'); otherwise the refusal text.
std::string operatorRefusal(db::Database& db, const std::string& operatorName);

// operatorRefusal and branchReadRefusal in one query (the checks before a call that names a
// branch): returns the operator's refusal; `branchRefused` receives the branch's ("" when the
// operator is refused).
std::string operatorAndBranchRefusal(db::Database& db, const std::string& operatorName, const std::string& branch,
                                     std::string& branchRefused);

// "" when the service is stored in the branch; otherwise "Serviço não informado." (an empty code)
// or "Serviço X não cadastrado na filial Y.", so a missing service never reads as an empty one.
std::string serviceRefusal(db::Database& db, const std::string& branch, const std::string& service);

// A copy of the change set in which the new values of the named text fields are trimmed, so codes
// are checked and stored as one value. The values the client read stay as they were (they are
// compared with what is stored).
PacketPtr withTrimmedCodes(const Packet& delta, const std::vector<std::string>& fields);

// The same for every branch a change set touches: the new and the original value of `field` in
// each row (a row moved out of a branch or into one needs both). "" when all are allowed.
std::string changeSetBranchRefusal(db::Database& db, const std::string& operatorName, const Packet& delta,
                                   std::string_view field = "CDFILIAL");

// ---- Counters --------------------------------------------------------------------------------

// Takes the next number of the counter `name` (table SEQUENCIA) in one statement: the counter's
// row is created with the value of `firstSql` (a scalar SQL expression without parameters, e.g. a
// subquery over the numbers already in use) when missing, else incremented; the row stays locked
// until the caller's transaction ends. Safe when several transactions, in one process or in
// several server processes, take numbers at once: none gets a number another one got, and a
// counter created by two of them at the same time is not refused as a duplicate.
long long takeCounter(db::Database& db, std::string_view name, std::string_view firstSql = "1");

// ---- Texts -----------------------------------------------------------------------------------

// A date as the messages show it: "dd/mm/yyyy".
std::string dateText(DateTime d);

}  // namespace cad::appserver
