// Internal to platform/db: the backend factories behind cad::db::open and the helpers they share.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/db/database.h"

namespace cad::db::detail {

std::unique_ptr<Database> openSqlite(const std::string& path);  // path or ":memory:"
std::unique_ptr<Database> openPostgres(const std::string& url);

// The URL as it may appear in messages and logs: the password, if any, replaced by "***".
std::string displayUrl(const std::string& url);

// "Não foi possível abrir o banco de dados 'x': why".
[[noreturn]] void throwOpenError(const std::string& url, std::string_view why);
// A failed statement: "Erro no banco de dados: why".
[[noreturn]] void throwStatementError(Error::Kind kind, std::string_view why);

// The value supplied for a parameter named in the SQL (names compared without regard to case; the
// first pair with that name wins); null when not supplied, which binds NULL.
const Variant* findParam(const Params& params, std::string_view name);
// A value kind no column can hold (packet, array).
[[noreturn]] void throwUnsupportedParam(const Variant& v);
// A text parameter holding U+0000, which neither backend stores as sent.
[[noreturn]] void throwNulInText();

// The field type, size and fixed-char flag of a declared SQL type ("VARCHAR(40)", "NUMERIC(15,5)",
// "DATE"); unknown types read as unbounded strings.
Column columnFromDeclType(std::string name, std::string_view declType);

// Trailing blanks of a CHAR(n) value dropped.
std::string trimRight(std::string_view s);

}  // namespace cad::db::detail
