// The binary contract between a screen module (a shared library, libcadserv_<code>.so) and the
// code that loads it (the hosts, the test fixture). The module exports one unmangled function,
// CadServEntries, returning its entry table; every entry has the same signature, so a loader
// calls any entry by name without knowing the module's headers.
//
// Invariants: the table is ended by an entry whose name is null and lives as long as the
// library stays loaded; entry names are unique without regard to case.
#pragma once

#include "platform/core/variant.h"

extern "C" {

// One exported entry: its name and a function taking the entry's parameters (in, and out where
// an entry reports back by writing into them).
struct CadServEntry {
  const char* name;
  void (*fn)(cad::VariantArray& params);
};

// The type of the exported CadServEntries function.
typedef const CadServEntry* (*CadServEntriesFn)();

}  // extern "C"

namespace cad {

// The symbol a loader looks up in the library.
inline constexpr const char* kScreenEntryTableSymbol = "CadServEntries";

}  // namespace cad
