// Number formatting, parsing and rounding, edit masks and message substitution.
// Every decimal operation works on the shortest round-trip decimal text of the double (digits plus
// a decimal exponent), never on binary arithmetic, so rounding follows what the user sees: 2.675
// rounds to 2.68 and 10 - 9.9999 to 0.0001. Zero results carry no sign, neither as a double nor
// as text. Non-finite values never crash: they format as "NAN", "INF" or "-INF".
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/format.h"

namespace cad {

namespace {

// A finite non-negative decimal: 0.d1d2d3... x 10^point. `digits` has no leading or trailing zero;
// empty digits mean zero. The sign is kept apart.
struct Decimal {
  bool negative = false;
  std::string digits;
  int point = 0;

  bool isZero() const { return digits.empty(); }

  // Digit at position `i` after the decimal point (0-based); '0' outside the stored digits.
  char fractionDigit(int i) const {
    int k = point + i;
    return k >= 0 && k < static_cast<int>(digits.size()) ? digits[k] : '0';
  }

  // Integer part, without leading zeros ("" for values below one).
  std::string integerDigits() const {
    if (point <= 0 || digits.empty()) return {};
    std::string out = digits.substr(0, std::min<size_t>(digits.size(), point));
    out.append(point - out.size(), '0');
    return out;
  }
};

void stripTrailingZeros(Decimal& d) {
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  if (d.digits.empty()) d.negative = false;
}

// Shortest decimal text that reads back as exactly `v` (v finite).
Decimal toDecimal(double v) {
  Decimal d;
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific);
  std::string_view text(buf, res.ptr - buf);
  size_t e = text.find('e');
  for (char c : text.substr(0, e))
    if (c != '.') d.digits += c;
  std::string_view expText = text.substr(e + 1);
  if (!expText.empty() && expText[0] == '+') expText.remove_prefix(1);
  int exp = 0;
  std::from_chars(expText.data(), expText.data() + expText.size(), exp);
  d.point = exp + 1;
  size_t lead = d.digits.find_first_not_of('0');
  d.digits.erase(0, lead == std::string::npos ? d.digits.size() : lead);
  d.negative = std::signbit(v);
  stripTrailingZeros(d);
  return d;
}

// Rounds half away from zero to `places` digits after the decimal point (negative places round
// to tens, hundreds, ...).
void roundDecimal(Decimal& d, int places) {
  if (d.isZero()) return;
  // Doubles span about 10^-324..10^309; clamping keeps the arithmetic far from overflow.
  places = std::clamp(places, -400, 400);
  int keep = d.point + places;
  if (keep >= static_cast<int>(d.digits.size())) return;
  if (keep < 0) {
    d.digits.clear();
    d.negative = false;
    return;
  }
  bool up = d.digits[keep] >= '5';
  d.digits.resize(keep);
  if (up) {
    int i = keep - 1;
    while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
    if (i < 0) {
      d.digits.insert(d.digits.begin(), '1');
      ++d.point;
    } else {
      ++d.digits[i];
    }
  }
  stripTrailingZeros(d);
}

double toDouble(const Decimal& d) {
  if (d.isZero()) return 0.0;
  std::string text = "0." + d.digits + "e" + std::to_string(d.point);
  double v = 0;
  auto res = std::from_chars(text.data(), text.data() + text.size(), v);
  if (res.ec == std::errc::result_out_of_range) v = d.point > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  return d.negative ? -v : v;
}

std::string nonFinite(double v) {
  if (std::isnan(v)) return "NAN";
  return v > 0 ? "INF" : "-INF";
}

// ---- format strings ----------------------------------------------------------------------

bool isQuote(char c) { return c == '"' || c == '\''; }

// Splits a format string into its ';' sections, ignoring ';' inside quoted text.
std::vector<std::string_view> splitSections(std::string_view format) {
  std::vector<std::string_view> out;
  size_t start = 0;
  char quote = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    char c = format[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (isQuote(c)) {
      quote = c;
    } else if (c == ';' && out.size() < 2) {
      out.push_back(format.substr(start, i - start));
      start = i + 1;
    }
  }
  out.push_back(format.substr(start));
  return out;
}

// The placeholders of one section, gathered before rendering.
struct SectionShape {
  size_t dotPos = std::string_view::npos;  // first '.' outside quotes
  int intPlaceholders = 0;
  int firstIntZero = -1;  // index among the integer placeholders of the first '0'
  bool grouping = false;
  int decimals = 0;     // decimal placeholders
  int minDecimals = 0;  // up to the last '0' after the point
};

SectionShape shapeOf(std::string_view sec) {
  SectionShape s;
  char quote = 0;
  for (size_t i = 0; i < sec.size(); ++i) {
    char c = sec[i];
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    if (isQuote(c)) {
      quote = c;
      continue;
    }
    bool inInteger = s.dotPos == std::string_view::npos;
    if (c == '.' && inInteger) {
      s.dotPos = i;
    } else if (c == ',' && inInteger) {
      s.grouping = true;
    } else if (c == '0' || c == '#') {
      if (inInteger) {
        if (c == '0' && s.firstIntZero < 0) s.firstIntZero = s.intPlaceholders;
        ++s.intPlaceholders;
      } else {
        ++s.decimals;
        if (c == '0') s.minDecimals = s.decimals;
      }
    }
  }
  return s;
}

// Renders the absolute value of `value` with one section; the caller adds any sign.
std::string renderSection(std::string_view sec, Decimal value, const FormatSettings& fs) {
  SectionShape shape = shapeOf(sec);
  value.negative = false;
  roundDecimal(value, shape.decimals);

  std::string intDigits = value.integerDigits();
  int minInt = shape.firstIntZero < 0 ? 0 : shape.intPlaceholders - shape.firstIntZero;
  if (static_cast<int>(intDigits.size()) < minInt) intDigits.insert(0, minInt - intDigits.size(), '0');
  std::string frac;
  for (int i = 0; i < shape.decimals; ++i) frac += value.fractionDigit(i);
  while (static_cast<int>(frac.size()) > shape.minDecimals && frac.back() == '0') frac.pop_back();

  const int n = shape.intPlaceholders;
  const int len = static_cast<int>(intDigits.size());
  std::string out;
  auto emitDigit = [&](int j) {
    out += intDigits[j];
    if (shape.grouping && j < len - 1 && (len - 1 - j) % 3 == 0) out += fs.thousandSeparator;
  };
  auto emitAllInteger = [&] {
    for (int j = 0; j < len; ++j) emitDigit(j);
  };

  int intIdx = 0, fracIdx = 0;
  char quote = 0;
  for (size_t i = 0; i < sec.size(); ++i) {
    char c = sec[i];
    if (quote) {
      if (c == quote)
        quote = 0;
      else
        out += c;
      continue;
    }
    if (isQuote(c)) {
      quote = c;
      continue;
    }
    bool inInteger = shape.dotPos == std::string_view::npos || i < shape.dotPos;
    if (i == shape.dotPos) {
      if (n == 0) emitAllInteger();  // ".00" still shows the integer part
      if (!frac.empty()) out += fs.decimalSeparator;
    } else if (c == '0' || c == '#') {
      if (inInteger) {
        int k = intIdx++;
        if (k == 0 && len > n) {
          // Digits beyond the placeholders all go where the first placeholder stands.
          for (int j = 0; j <= len - n; ++j) emitDigit(j);
        } else if (int j = k + len - n; j >= 0) {
          emitDigit(j);
        }
      } else {
        int k = fracIdx++;
        if (k < static_cast<int>(frac.size())) out += frac[k];
      }
    } else if (c == ',') {
      // grouping marker (or ignored after the point)
    } else {
      out += c;
    }
  }
  return out;
}

// ---- parsing helpers -----------------------------------------------------------------------

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

double roundDec(double value, int places) {
  if (!std::isfinite(value)) return value;
  Decimal d = toDecimal(value);
  roundDecimal(d, places);
  return toDouble(d);
}

std::string formatFloat(std::string_view format, double value, const FormatSettings& fs) {
  if (!std::isfinite(value)) return nonFinite(value);
  std::vector<std::string_view> sections = splitSections(format);
  if (sections[0].empty() && sections.size() == 1) return floatToStr(value, fs);

  Decimal d = toDecimal(value);
  Decimal rounded = d;
  roundDecimal(rounded, shapeOf(sections[0]).decimals);
  if (rounded.isZero()) {
    if (sections.size() >= 3 && !sections[2].empty()) return renderSection(sections[2], d, fs);
    return renderSection(sections[0], d, fs);
  }
  if (d.negative) {
    if (sections.size() >= 2 && !sections[1].empty()) return renderSection(sections[1], d, fs);
    return "-" + renderSection(sections[0], d, fs);
  }
  return renderSection(sections[0], d, fs);
}

std::optional<double> parseFloat(std::string_view input, const FormatSettings& fs) {
  std::string text = trim(input);
  // Nothing a user types into a number field is this long; refuse rather than scan it.
  if (text.empty() || text.size() > 400) return std::nullopt;
  std::string norm;  // "-123.45e6" for from_chars
  size_t i = 0;
  if (text[i] == '+' || text[i] == '-') {
    if (text[i] == '-') norm += '-';
    ++i;
  }
  // Integer part: digits with optional thousands separators, each followed by exactly 3 digits,
  // so that "12.5" under a decimal comma is refused instead of read as 125.
  int digits = 0, groupDigits = 0;
  bool grouped = false;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (isDigit(c)) {
      norm += c;
      ++digits;
      ++groupDigits;
    } else if (c == fs.thousandSeparator && c != fs.decimalSeparator) {
      if (digits == 0 || (grouped && groupDigits != 3)) return std::nullopt;
      if (!grouped && groupDigits > 3) return std::nullopt;
      grouped = true;
      groupDigits = 0;
    } else {
      break;
    }
  }
  if (grouped && groupDigits != 3) return std::nullopt;
  int fracDigits = 0;
  if (i < text.size() && text[i] == fs.decimalSeparator) {
    norm += '.';
    for (++i; i < text.size() && isDigit(text[i]); ++i, ++fracDigits) norm += text[i];
  }
  if (digits + fracDigits == 0) return std::nullopt;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    norm += 'e';
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) norm += text[i++];
    size_t expStart = i;
    for (; i < text.size() && isDigit(text[i]); ++i) norm += text[i];
    if (i == expStart) return std::nullopt;
  }
  if (i != text.size()) return std::nullopt;
  double v = 0;
  auto res = std::from_chars(norm.data(), norm.data() + norm.size(), v);
  if (res.ec != std::errc() || res.ptr != norm.data() + norm.size()) return std::nullopt;
  return v == 0 ? 0.0 : v;
}

std::string floatToStr(double value, const FormatSettings& fs) {
  if (!std::isfinite(value)) return nonFinite(value);
  Decimal d = toDecimal(value);
  if (d.isZero()) return "0";
  std::string out = d.negative ? "-" : "";
  int exp = d.point - 1;  // scientific exponent: d.ddd x 10^exp
  if (exp >= -4 && exp < 15) {
    std::string intPart = d.integerDigits();
    out += intPart.empty() ? "0" : intPart;
    std::string frac;
    for (int i = 0; d.point + i < static_cast<int>(d.digits.size()); ++i) frac += d.fractionDigit(i);
    if (!frac.empty()) out += fs.decimalSeparator + frac;
  } else {
    out += d.digits[0];
    if (d.digits.size() > 1) out += fs.decimalSeparator + d.digits.substr(1);
    out += "E" + std::to_string(exp);
  }
  return out;
}

// ---- edit masks ------------------------------------------------------------------------------

namespace {

// A character with a case (ASCII and Latin-1 letters) counts as a letter.
bool isLetter(std::string_view ch) { return upperCase(ch) != lowerCase(ch); }
bool isDigitChar(std::string_view ch) { return ch.size() == 1 && isDigit(ch[0]); }

bool requiredKind(char kind) { return kind == '0' || kind == 'L' || kind == 'A' || kind == 'C'; }

// Whether `ch` (one UTF-8 character) fits an editable position of the given kind.
bool fits(char kind, std::string_view ch) {
  bool space = ch == " ";
  switch (kind) {
    case '0': return isDigitChar(ch);
    case '9': return isDigitChar(ch) || space;
    case '#': return isDigitChar(ch) || space || ch == "+" || ch == "-";
    case 'L': return isLetter(ch);
    case 'l': return isLetter(ch) || space;
    case 'A': return isLetter(ch) || isDigitChar(ch);
    case 'a': return isLetter(ch) || isDigitChar(ch) || space;
    case 'C':
    case 'c': return true;
  }
  return false;
}

std::string convertCase(char mode, std::string_view ch) {
  if (mode == '>') return upperCase(ch);
  if (mode == '<') return lowerCase(ch);
  return std::string(ch);
}

}  // namespace

EditMask::EditMask(std::string_view mask) {
  // Sections are split on ';' not escaped by '\'.
  std::vector<std::string> sections(1);
  for (size_t i = 0; i < mask.size(); ++i) {
    if (mask[i] == '\\' && i + 1 < mask.size()) {
      sections.back() += mask.substr(i, 2);
      ++i;
    } else if (mask[i] == ';' && sections.size() < 3) {
      sections.emplace_back();
    } else {
      sections.back() += mask[i];
    }
  }
  saveLiterals_ = sections.size() >= 2 && !sections[1].empty() && sections[1] != "0";
  if (sections.size() >= 3 && !sections[2].empty()) blank_ = sections[2][0];

  const std::string& m = sections[0];
  char caseMode = 0;
  for (size_t i = 0; i < m.size(); ++i) {
    char c = m[i];
    switch (c) {
      case '>':
        if (i + 1 < m.size() && m[i + 1] == '<') {
          caseMode = 0;
          ++i;
        } else {
          caseMode = '>';
        }
        break;
      case '<':
        if (i + 1 < m.size() && m[i + 1] == '>') {
          caseMode = 0;
          ++i;
        } else {
          caseMode = '<';
        }
        break;
      case '!': break;  // leading-blank trimming flag: no effect on the stored value
      case '\\':
        if (i + 1 < m.size()) positions_.push_back({true, m[++i], 0});
        break;
      case '_': positions_.push_back({true, ' ', 0}); break;
      case '0':
      case '9':
      case '#':
      case 'L':
      case 'l':
      case 'A':
      case 'a':
      case 'C':
      case 'c': positions_.push_back({false, c, caseMode}); break;
      default: positions_.push_back({true, c, 0});
    }
  }
}

size_t EditMask::editableCount() const {
  return std::count_if(positions_.begin(), positions_.end(), [](const Pos& p) { return !p.literal; });
}

std::string EditMask::apply(std::string_view value) const {
  if (empty()) return std::string(value);
  std::vector<std::string> chars = utf8Chars(value);
  size_t k = 0;
  std::string out;
  for (const Pos& p : positions_) {
    if (p.literal) {
      out += p.kind;
      if (saveLiterals_ && k < chars.size() && chars[k] == std::string(1, p.kind)) ++k;
    } else if (k < chars.size()) {
      out += convertCase(p.caseMode, chars[k++]);
    } else {
      out += blank_;
    }
  }
  return out;
}

std::string EditMask::strip(std::string_view text) const {
  if (empty()) return std::string(text);
  std::vector<std::string> chars = utf8Chars(text);
  std::string out;
  bool anyFilled = false;
  size_t k = 0;
  for (size_t m = 0; m < positions_.size(); ++m) {
    const Pos& p = positions_[m];
    if (p.literal) {
      // A text typed without the punctuation still lines up: a missing literal is skipped.
      if (k < chars.size() && chars[k] == std::string(1, p.kind)) ++k;
      if (saveLiterals_) out += p.kind;
      continue;
    }
    if (k >= chars.size()) {
      out += ' ';
      continue;
    }
    const std::string& ch = chars[k];
    if (ch == std::string(1, blank_)) {
      out += ' ';
      ++k;
      continue;
    }
    if (!fits(p.kind, ch)) {
      // "1:30" in "99:99": the separator came early; the skipped positions stay blank.
      size_t next = m + 1;
      while (next < positions_.size() && !positions_[next].literal) ++next;
      if (next < positions_.size() && ch == std::string(1, positions_[next].kind)) {
        out += ' ';
        continue;
      }
    }
    out += convertCase(p.caseMode, ch);
    anyFilled |= ch != " ";
    ++k;
  }
  if (!anyFilled) return {};
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

std::optional<std::string> EditMask::accept(size_t pos, std::string_view utf8Char) const {
  if (utf8Length(utf8Char) != 1) return std::nullopt;
  if (empty()) return std::string(utf8Char);
  for (const Pos& p : positions_) {
    if (p.literal) continue;
    if (pos-- != 0) continue;
    if (!fits(p.kind, utf8Char)) return std::nullopt;
    return convertCase(p.caseMode, utf8Char);
  }
  return std::nullopt;
}

bool EditMask::complete(std::string_view value) const {
  std::vector<std::string> chars = utf8Chars(value);
  size_t k = 0;
  for (const Pos& p : positions_) {
    if (p.literal) {
      if (saveLiterals_ && k < chars.size() && chars[k] == std::string(1, p.kind)) ++k;
      continue;
    }
    bool missing = k >= chars.size() || chars[k] == " ";
    if (requiredKind(p.kind) && missing) return false;
    if (!missing && !fits(p.kind, chars[k])) return false;
    ++k;
  }
  return true;
}

// ---- messages ------------------------------------------------------------------------------

std::string formatMessage(std::string_view pattern, const std::vector<std::string>& args) {
  std::string out;
  size_t next = 0;  // next argument in order
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '%') {
      out += pattern[i];
      continue;
    }
    if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
      out += '%';
      ++i;
      continue;
    }
    // %[index:][-][width][.precision]type
    size_t j = i + 1;
    auto number = [&](size_t& at) {
      size_t v = 0, start = at;
      while (at < pattern.size() && isDigit(pattern[at]) && at - start < 6) v = v * 10 + (pattern[at++] - '0');
      return at > start ? std::optional<size_t>(v) : std::nullopt;
    };
    std::optional<size_t> index, width, precision;
    size_t save = j;
    if (auto n = number(j); n && j < pattern.size() && pattern[j] == ':') {
      index = n;
      ++j;
    } else {
      j = save;
    }
    bool left = j < pattern.size() && pattern[j] == '-';
    if (left) ++j;
    width = number(j);
    if (j < pattern.size() && pattern[j] == '.') {
      ++j;
      precision = number(j);
    }
    char type = j < pattern.size() ? pattern[j] : 0;
    if (type != 's' && type != 'S' && type != 'd' && type != 'D' && type != 'u' && type != 'U') {
      out += '%';  // not a conversion: keep the text as written
      continue;
    }
    if (index) next = *index;
    std::string arg = next < args.size() ? args[next] : std::string();
    ++next;
    if (precision && (type == 's' || type == 'S')) arg = utf8Left(arg, *precision);
    size_t len = utf8Length(arg);
    if (width && len < *width) arg = left ? arg + std::string(*width - len, ' ') : std::string(*width - len, ' ') + arg;
    out += arg;
    i = j;
  }
  return out;
}

}  // namespace cad
