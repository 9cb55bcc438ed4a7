// FilterExpr: a dataset filter parsed once into a small tree and evaluated per row.
//
// Grammar (keywords without regard to case):
//   expr       := term { OR term }
//   term       := factor { AND factor }
//   factor     := NOT factor | '(' expr ')' | comparison
//   comparison := FIELD op literal | literal op FIELD | FIELD IS [NOT] NULL
//   op         := = | <> | != | < | > | <= | >=
//   literal    := 'text' ('' is a quote) | number ('.' decimal point) | NULL | TRUE | FALSE
// FIELD is a name of letters, digits and '_' or any text in brackets ([NOME DO CAMPO]).
// NULL may only be compared with = and <>.
//
// Comparison rules: string fields compare byte-wise (case-sensitive) and a null string reads as
// ''; numeric fields compare as numbers; a date field compares by its date as written in the
// session's short date format (the literal is that text, e.g. '05/03/2026'), so the time of day
// is ignored; a null field equals only NULL, differs from every other literal and is neither less
// nor greater than anything.
//
// Invariants: a constructed expression is syntactically valid; matches() may only run after
// bind(), which resolved every field and converted every literal to its field's type, so the
// per-row work reads values and compares numbers or bytes without parsing or allocating.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/core/packet.h"
#include "platform/core/variant.h"

namespace cad {

// Where the evaluator finds a field: a slot number the row reader understands, and its type.
struct FilterField {
  int slot = -1;
  FieldType type = FieldType::String;
};

// The row being tested, read by slot.
class FilterRow {
 public:
  virtual Variant value(int slot) const = 0;

 protected:
  ~FilterRow() = default;
};

class FilterExpr {
 public:
  // Parses the text; throws cad::Exception with a Portuguese message when it is malformed.
  explicit FilterExpr(std::string_view text);
  ~FilterExpr();
  FilterExpr(FilterExpr&&) noexcept;
  FilterExpr& operator=(FilterExpr&&) noexcept;

  bool empty() const;  // blank text: every row matches

  // Resolves the field names (resolve returns false for an unknown one) and converts the literals
  // to the fields' types; throws cad::Exception for an unknown field or a literal its field
  // cannot hold. May be called again (e.g. after the fields changed).
  using Resolver = std::function<bool(const std::string& name, FilterField& out)>;
  void bind(const Resolver& resolve);
  bool bound() const;

  bool matches(const FilterRow& row) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> p_;
};

}  // namespace cad
