// What the fuzz targets and the seed writer share: the demo database they run on, the tables the
// change-set updates write, the operators calls are made as, and a way to stop on a broken rule.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "appserver/changeset.h"
#include "platform/db/pool.h"

namespace cad::fuzz {

// A new in-memory SQLite database (one connection) holding the schema and the demo data set.
std::unique_ptr<db::Pool> demoPool();

// The tables (keys, read-only columns) the update methods hand to the change-set applier.
const std::vector<appserver::TableSpec>& changeSetTables();

// Operators the dispatcher target calls as: full access, no access to one branch, unknown.
const std::vector<std::string>& operators();

// Reports a broken invariant and aborts, so libFuzzer keeps the input as a crash.
[[noreturn]] void fail(std::string_view what, std::string_view detail);

// Less logging: one line per call would dominate the fuzzers' time.
void quietLogs();

}  // namespace cad::fuzz
