// Change-set target: byte 0 picks the table (one of those the update methods write), byte 1 which
// of its columns are forced to null, the rest is a JSON value. A change set that decodes is
// applied to the demo database in a transaction that is always rolled back, so every input meets
// the same data. A refusal or a cad::Exception is a normal answer; anything else escaping is a
// fault (libFuzzer reports the uncaught exception).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "appserver/changeset.h"
#include "fuzz/support.h"
#include "platform/core/errors.h"
#include "platform/db/database.h"
#include "platform/net/codec.h"

using namespace cad;

namespace {
db::Pool* pool = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::quietLogs();
  pool = fuzz::demoPool().release();  // lives as long as the process
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const auto& tables = fuzz::changeSetTables();
  const appserver::TableSpec& table = tables[data[0] % tables.size()];
  std::string_view json(reinterpret_cast<const char*>(data + 2), size - 2);
  Variant value;
  try {
    value = net::decodeValue(json, net::requestLimits());
  } catch (const Exception&) {
    return 0;
  }
  if (!value.isPacket()) return 0;

  auto db = pool->acquire();
  // Columns forced to null: one bit of byte 1 for each of the table's first eight columns.
  std::vector<std::string> forceNull;
  std::vector<std::string> columns = appserver::tableColumns(*db, table.table);
  for (size_t i = 0; i < columns.size() && i < 8; ++i)
    if (data[1] & (1u << i)) forceNull.push_back(columns[i]);
  try {
    db::Transaction tx(*db);
    appserver::applyChangeSet(*db, table, value.asPacket(), forceNull);
  } catch (const Exception&) {
  }
  if (db->inTransaction()) fuzz::fail("the transaction was left open", json);
  return 0;
}
