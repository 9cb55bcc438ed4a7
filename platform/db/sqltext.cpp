// Named-parameter rewriting. One forward scan; every construct that may hold a ':' which is not
// a parameter (strings, quoted identifiers, comments, "::" casts) is copied through untouched.
#include "platform/db/sqltext.h"

#include "platform/core/format.h"

namespace cad::db {

namespace {

bool identStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool identChar(char c) { return identStart(c) || (c >= '0' && c <= '9'); }

// Index just past a quoted run that opens at `i` with `quote`; a doubled quote stays inside.
// With `backslash`, a backslash escapes the next character (PostgreSQL E'...').
size_t skipQuoted(std::string_view s, size_t i, char quote, bool backslash) {
  ++i;
  while (i < s.size()) {
    char c = s[i];
    if (backslash && c == '\\') {
      i += 2;
      continue;
    }
    if (c == quote) {
      if (i + 1 < s.size() && s[i + 1] == quote) {
        i += 2;
        continue;
      }
      return i + 1;
    }
    ++i;
  }
  return s.size();  // unterminated: the database reports it
}

}  // namespace

RewrittenSql rewriteParams(std::string_view s, const PlaceholderFn& placeholder) {
  RewrittenSql out;
  out.text.reserve(s.size() + 16);
  size_t i = 0;
  while (i < s.size()) {
    char c = s[i];
    size_t next = i + 1;
    if (c == '\'') {
      // E'...' (an E not ending a longer identifier) takes backslash escapes.
      bool escaped = i > 0 && (s[i - 1] == 'E' || s[i - 1] == 'e') && (i < 2 || !identChar(s[i - 2]));
      next = skipQuoted(s, i, '\'', escaped);
    } else if (c == '"') {
      next = skipQuoted(s, i, '"', false);
    } else if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
      next = s.find('\n', i);
      next = next == std::string_view::npos ? s.size() : next;
    } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
      next = s.find("*/", i + 2);
      next = next == std::string_view::npos ? s.size() : next + 2;
    } else if (c == ':' && i + 1 < s.size() && s[i + 1] == ':') {
      next = i + 2;
    } else if (c == ':' && i + 1 < s.size() && identStart(s[i + 1]) && (i == 0 || !identChar(s[i - 1]))) {
      size_t e = i + 1;
      while (e < s.size() && identChar(s[e])) ++e;
      std::string name = upperCase(s.substr(i + 1, e - i - 1));
      size_t index = 0;
      while (index < out.names.size() && out.names[index] != name) ++index;
      if (index == out.names.size()) out.names.push_back(std::move(name));
      out.text += placeholder(index, out.names[index]);
      i = e;
      continue;
    } else if (identChar(c)) {
      // A whole word at once, so "E" before a quote is judged on its own.
      while (next < s.size() && identChar(s[next])) ++next;
    }
    out.text.append(s.substr(i, next - i));
    i = next;
  }
  return out;
}

}  // namespace cad::db
