// logText (see logtext.h).
#include "appserver/logtext.h"

#include <cstdint>

#include "platform/core/format.h"

namespace cad::appserver {

std::string logText(std::string_view text) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  const auto* u = reinterpret_cast<const unsigned char*>(text.data());
  for (size_t i = 0; i < text.size();) {
    unsigned char c = u[i];
    if (c >= 0x20 && c < 0x7F) {
      if (c == '\\') out += '\\';
      out += static_cast<char>(c);
      ++i;
      continue;
    }
    if (c >= 0x80) {
      uint32_t cp = 0;
      size_t n = utf8Decode(u + i, text.size() - i, cp);
      if (n > 0 && !(cp >= 0x80 && cp <= 0x9F)) {
        out.append(text.data() + i, n);
        i += n;
        continue;
      }
      if (n > 0) {  // a C1 control character
        out += "\\u00";
        out += kHex[cp >> 4];
        out += kHex[cp & 0xF];
        i += n;
        continue;
      }
    }
    switch (c) {
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        out += "\\x";
        out += kHex[c >> 4];
        out += kHex[c & 0xF];
    }
    ++i;
  }
  return out;
}

}  // namespace cad::appserver
