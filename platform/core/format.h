// Number, text and mask formatting with the session's locale: decimal comma and thousands point by
// default (Brazilian Portuguese), short date "dd/mm/yyyy".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/datetime.h"

namespace cad {

struct FormatSettings {
  char decimalSeparator = ',';
  char thousandSeparator = '.';
  std::string shortDateFormat = "dd/mm/yyyy";
};

// The session's settings (one per process; the host sets them at start).
FormatSettings& formatSettings();

// Decimal rounding to `places` digits, half away from zero, computed on the decimal text of the
// value so that 2.675 gives 2.68 and 10 - 9.9999 gives 0.0001. A result of zero is +0.
double roundDec(double value, int places);

// Classic format strings: '0' digit, '#' optional digit, ',' thousands grouping (anywhere in the
// integer part), '.' decimal point, ';' separates positive;negative;zero sections, quoted text
// literal. Output uses the separators of `fs`. A value that rounds to zero prints without a sign.
std::string formatFloat(std::string_view format, double value, const FormatSettings& fs = formatSettings());

// Parses a number typed with the session's separators ("1.234,56", "12,5", "-3"); thousands
// separators are ignored. nullopt when the text is not a number.
std::optional<double> parseFloat(std::string_view text, const FormatSettings& fs = formatSettings());

// Shortest text of a float with the session's decimal separator and no grouping ("12,5", "0").
std::string floatToStr(double value, const FormatSettings& fs = formatSettings());

// Edit masks, classic syntax "mask;save-literals;blank-char":
//   0 digit required, 9 digit optional, L letter required, l letter optional, A alphanumeric
//   required, a alphanumeric optional, C any char required, c any char optional, > upper-case
//   the following, < lower-case, <> no case change, \ next char literal; other chars are literals.
//   The second section "0" (or absent for most masks) says literals are not stored; "1" keeps them.
struct EditMask {
  explicit EditMask(std::string_view mask);
  bool empty() const { return positions_.empty(); }
  bool saveLiterals() const { return saveLiterals_; }
  char blank() const { return blank_; }

  // Stored value -> display text ("1230" with "99:99" -> "12:30").
  std::string apply(std::string_view value) const;
  // Display text -> stored value: literals dropped unless saved, blanks trimmed at the end.
  std::string strip(std::string_view text) const;
  // Whether a character may go into the mask position `pos` (0-based over editable positions);
  // returns the character as it is to be stored (case conversion) or nullopt.
  std::optional<std::string> accept(size_t pos, std::string_view utf8Char) const;
  // Number of editable positions.
  size_t editableCount() const;
  // Whether every required position of a stored value is filled.
  bool complete(std::string_view value) const;

 private:
  struct Pos {
    bool literal;
    char kind;      // mask char for editable positions, the literal char otherwise
    char caseMode;  // '>' upper, '<' lower, 0 none
  };
  std::vector<Pos> positions_;
  bool saveLiterals_ = false;
  char blank_ = '_';
};

// UTF-8 helpers: length in characters, first n characters, upper/lower case for Latin-1 letters
// (accented Portuguese letters included), case-insensitive comparison, trimming.
size_t utf8Length(std::string_view s);
// Appends the UTF-8 encoding of a code point.
void appendUtf8(std::string& out, uint32_t codePoint);
// The valid UTF-8 sequence at s (lead byte >= 0x80, at most `avail` bytes): its length, with its
// code point in `codePoint`; 0 when invalid (overlong forms, surrogates, beyond U+10FFFF).
size_t utf8Decode(const unsigned char* s, size_t avail, uint32_t& codePoint);
std::string utf8Left(std::string_view s, size_t n);
std::vector<std::string> utf8Chars(std::string_view s);
std::string upperCase(std::string_view s);
std::string lowerCase(std::string_view s);
bool sameText(std::string_view a, std::string_view b);
int compareText(std::string_view a, std::string_view b);  // case-insensitive ordering
std::string trim(std::string_view s);
bool isAllDigits(std::string_view s);

// printf-style "%s" / "%S" substitution used by the message tables (Format of the classic
// framework): each %s or %S takes the next argument; "%%" is a percent sign.
std::string formatMessage(std::string_view pattern, const std::vector<std::string>& args);

}  // namespace cad
