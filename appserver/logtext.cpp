// logText (see logtext.h).
#include "appserver/logtext.h"

#include <cstdint>

namespace cad::appserver {

namespace {

// Length of the valid UTF-8 sequence at s (lead byte >= 0x80) and its code point; 0 when invalid.
size_t utf8At(const unsigned char* s, size_t avail, uint32_t& cp) {
  unsigned char c = s[0];
  size_t n;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
    cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    cp = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    cp = c & 0x07;
  } else {
    return 0;
  }
  if (avail < n) return 0;
  for (size_t k = 1; k < n; ++k) {
    if ((s[k] & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (s[k] & 0x3F);
  }
  if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF))
    return 0;
  return n;
}

}  // namespace

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
      size_t n = utf8At(u + i, text.size() - i, cp);
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
