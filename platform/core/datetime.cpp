// Calendar arithmetic on the serial day number (days since 1899-12-30), proleptic Gregorian.
#include "platform/core/datetime.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

namespace cad {

namespace {

// Days from 1970-01-01 to y-m-d (Howard Hinnant's civil algorithm).
long daysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long>(doe) - 719468;
}

void civilFromDays(long z, int& y, int& m, int& d) {
  z += 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long yy = static_cast<long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yy + (m <= 2));
}

constexpr long kEpochOffset = 25569;  // serial of 1970-01-01

long dayPart(double serial) { return static_cast<long>(std::floor(serial + 1e-9)); }

}  // namespace

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

bool isValidDate(int year, int month, int day) {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= daysInMonth(year, month);
}

DateTime DateTime::fromDate(int year, int month, int day) {
  return DateTime{static_cast<double>(daysFromCivil(year, month, day) + kEpochOffset)};
}

DateTime DateTime::fromDateTime(int year, int month, int day, int hour, int minute, int second) {
  DateTime d = fromDate(year, month, day);
  d.serial += (hour * 3600 + minute * 60 + second) / 86400.0;
  return d;
}

DateTime DateTime::today() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return fromDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
}

void DateTime::decode(int& year, int& month, int& day) const {
  civilFromDays(dayPart(serial) - kEpochOffset, year, month, day);
}

void DateTime::decodeTime(int& hour, int& minute, int& second) const {
  double frac = serial - static_cast<double>(dayPart(serial));
  long secs = std::lround(frac * 86400.0);
  if (secs >= 86400) secs = 86399;
  if (secs < 0) secs = 0;
  hour = static_cast<int>(secs / 3600);
  minute = static_cast<int>(secs % 3600 / 60);
  second = static_cast<int>(secs % 60);
}

int DateTime::year() const { int y, m, d; decode(y, m, d); return y; }
int DateTime::month() const { int y, m, d; decode(y, m, d); return m; }
int DateTime::day() const { int y, m, d; decode(y, m, d); return d; }
DateTime DateTime::dateOnly() const { return DateTime{static_cast<double>(dayPart(serial))}; }

std::string DateTime::iso() const {
  int y, m, d, hh, mi, ss;
  decode(y, m, d);
  decodeTime(hh, mi, ss);
  char buf[32];
  if (hh == 0 && mi == 0 && ss == 0)
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
  else
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d", y, m, d, hh, mi, ss);
  return buf;
}

std::optional<DateTime> DateTime::parseIso(std::string_view t) {
  auto num = [&](size_t pos, size_t len, int& out) {
    if (pos + len > t.size()) return false;
    out = 0;
    for (size_t i = pos; i < pos + len; ++i) {
      if (t[i] < '0' || t[i] > '9') return false;
      out = out * 10 + (t[i] - '0');
    }
    return true;
  };
  int y, m, d;
  if (t.size() < 10 || !num(0, 4, y) || t[4] != '-' || !num(5, 2, m) || t[7] != '-' || !num(8, 2, d))
    return std::nullopt;
  if (!isValidDate(y, m, d)) return std::nullopt;
  if (t.size() == 10) return fromDate(y, m, d);
  int hh = 0, mi = 0, ss = 0;
  if ((t[10] != 'T' && t[10] != ' ') || !num(11, 2, hh) || t.size() < 16 || t[13] != ':' || !num(14, 2, mi))
    return std::nullopt;
  size_t pos = 16;
  if (t.size() >= 19 && t[16] == ':') {
    if (!num(17, 2, ss)) return std::nullopt;
    pos = 19;
  }
  // Fractions of a second and zone suffixes from databases are ignored.
  (void)pos;
  if (hh > 23 || mi > 59 || ss > 59) return std::nullopt;
  return fromDateTime(y, m, d, hh, mi, ss);
}

DateTime firstDayOfMonth(DateTime d) {
  int y, m, dd;
  d.decode(y, m, dd);
  return DateTime::fromDate(y, m, 1);
}

DateTime addMonths(DateTime d, int n) {
  int y, m, dd;
  d.decode(y, m, dd);
  double timePart = d.serial - static_cast<double>(dayPart(d.serial));
  long total = static_cast<long>(y) * 12 + (m - 1) + n;
  int ny = static_cast<int>(total / 12);
  int nm = static_cast<int>(total % 12) + 1;
  int nd = dd > daysInMonth(ny, nm) ? daysInMonth(ny, nm) : dd;
  DateTime r = DateTime::fromDate(ny, nm, nd);
  r.serial += timePart;
  return r;
}

namespace {

// Splits a date format into tokens: runs of the same letter among d, m, y; anything else literal.
struct Token {
  char letter;  // 'd', 'm', 'y' or 0 for literal
  size_t count;
  char literal;
};

std::vector<Token> tokenize(std::string_view f) {
  std::vector<Token> out;
  for (size_t i = 0; i < f.size();) {
    char c = static_cast<char>(f[i] | 0x20);
    if (c == 'd' || c == 'm' || c == 'y') {
      size_t j = i;
      while (j < f.size() && static_cast<char>(f[j] | 0x20) == c) ++j;
      out.push_back({c, j - i, 0});
      i = j;
    } else {
      out.push_back({0, 1, f[i]});
      ++i;
    }
  }
  return out;
}

}  // namespace

std::string formatDate(DateTime d, std::string_view format) {
  int y, m, dd;
  d.decode(y, m, dd);
  std::string out;
  char buf[16];
  for (const Token& t : tokenize(format)) {
    switch (t.letter) {
      case 'd':
        std::snprintf(buf, sizeof buf, t.count >= 2 ? "%02d" : "%d", dd);
        out += buf;
        break;
      case 'm':
        std::snprintf(buf, sizeof buf, t.count >= 2 ? "%02d" : "%d", m);
        out += buf;
        break;
      case 'y':
        if (t.count <= 2)
          std::snprintf(buf, sizeof buf, "%02d", y % 100);
        else
          std::snprintf(buf, sizeof buf, "%04d", y);
        out += buf;
        break;
      default:
        out += t.literal;
    }
  }
  return out;
}

std::optional<DateTime> parseDate(std::string_view text, std::string_view format) {
  // Numbers are read in the order the format gives d, m and y; any non-digit separates them.
  std::vector<char> order;
  for (const Token& t : tokenize(format))
    if (t.letter) order.push_back(t.letter);
  std::vector<std::pair<int, size_t>> nums;  // value, digit count
  for (size_t i = 0; i < text.size();) {
    if (text[i] >= '0' && text[i] <= '9') {
      int v = 0;
      size_t j = i;
      while (j < text.size() && text[j] >= '0' && text[j] <= '9' && j - i < 5) v = v * 10 + (text[j++] - '0');
      nums.push_back({v, j - i});
      i = j;
    } else if (text[i] == ' ' || text[i] == '/' || text[i] == '-' || text[i] == '.') {
      ++i;
    } else {
      return std::nullopt;
    }
  }
  if (nums.size() != order.size() || order.size() != 3) return std::nullopt;
  int y = 0, m = 0, d = 0;
  for (size_t i = 0; i < 3; ++i) {
    if (order[i] == 'd') d = nums[i].first;
    if (order[i] == 'm') m = nums[i].first;
    if (order[i] == 'y') {
      y = nums[i].first;
      if (nums[i].second <= 2) y += y < 50 ? 2000 : 1900;
    }
  }
  if (!isValidDate(y, m, d)) return std::nullopt;
  return DateTime::fromDate(y, m, d);
}

}  // namespace cad
