// Text that came from a client, made safe for one log line: control characters (C0, DEL and the
// C1 range) and bytes that are not UTF-8 become visible escapes (\n, \r, \t, \xNN, \u0085), and a
// backslash is doubled so an escape can never be forged. A method name, an operator or a fault
// text can then neither start a log line of its own nor send a terminal sequence.
#pragma once

#include <string>
#include <string_view>

namespace cad::appserver {

std::string logText(std::string_view text);

}  // namespace cad::appserver
