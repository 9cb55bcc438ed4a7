// SQL text scanning shared by the database backends: finds the named parameters (":NAME") of a
// statement and rewrites them to the backend's placeholders. Text inside single-quoted strings
// (E'...' with backslash escapes too), double-quoted identifiers, "--" and "/* */" comments is
// left alone, and so is the "::" cast operator. Names are compared without regard to case; a name
// used several times maps to one placeholder.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace cad::db {

struct RewrittenSql {
  std::string text;                // the statement with placeholders in place of the names
  std::vector<std::string> names;  // distinct parameter names, upper-cased, in order of first use
};

// `placeholder(i, name)` gives the text that replaces the parameter with index i (0-based, in
// `names`); it is called once for every occurrence.
using PlaceholderFn = std::function<std::string(size_t index, const std::string& name)>;
RewrittenSql rewriteParams(std::string_view sql, const PlaceholderFn& placeholder);

}  // namespace cad::db
