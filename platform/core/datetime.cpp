// Calendar arithmetic on the serial day number (days since 1899-12-30), proleptic Gregorian, through
// <chrono>'s civil calendar.
#include "platform/core/datetime.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

namespace cad {

namespace {

using std::chrono::days;
using std::chrono::sys_days;

// Serial 0: the classic "zero date".
constexpr sys_days kZeroDate = std::chrono::year{1899} / std::chrono::December / 30;

long dayPart(double serial) { return static_cast<long>(std::floor(serial + 1e-9)); }

std::chrono::year_month_day civil(double serial) { return kZeroDate + days{dayPart(serial)}; }

// The serial of a valid date, straight from the civil calendar (fromDate also resolves days and
// months past their end, which a valid date does not need). Packets read many thousand of these.
DateTime validDate(int year, int month, int day) {
  const std::chrono::year_month_day ymd{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                                        std::chrono::day{static_cast<unsigned>(day)}};
  return DateTime{static_cast<double>((sys_days{ymd} - kZeroDate).count())};
}

}  // namespace

bool isLeapYear(int year) { return std::chrono::year{year}.is_leap(); }

int daysInMonth(int year, int month) {
  if (month < 1 || month > 12) return 0;
  const auto last = std::chrono::year{year} / std::chrono::month{static_cast<unsigned>(month)} / std::chrono::last;
  return static_cast<int>(static_cast<unsigned>(last.day()));
}

bool isValidDate(int year, int month, int day) {
  // Every month has 28 days: the calendar is asked only past that.
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         (day <= 28 || day <= daysInMonth(year, month));
}

DateTime DateTime::fromDate(int year, int month, int day) {
  // A day past the end of its month carries into the next ones (31 February is early March), and
  // so does a month past December.
  const std::chrono::year_month ym = std::chrono::year{year} / std::chrono::January + std::chrono::months{month - 1};
  const sys_days date = sys_days{ym / 1} + days{day - 1};
  return DateTime{static_cast<double>((date - kZeroDate).count())};
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
  const std::chrono::year_month_day ymd = civil(serial);
  year = static_cast<int>(ymd.year());
  month = static_cast<int>(static_cast<unsigned>(ymd.month()));
  day = static_cast<int>(static_cast<unsigned>(ymd.day()));
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

int DateTime::year() const {
  int y, m, d;
  decode(y, m, d);
  return y;
}
int DateTime::month() const {
  int y, m, d;
  decode(y, m, d);
  return m;
}
int DateTime::day() const {
  int y, m, d;
  decode(y, m, d);
  return d;
}
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
  if (t.size() == 10) return validDate(y, m, d);
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
  const std::chrono::year_month_day ymd = civil(d.serial);
  return DateTime{static_cast<double>((sys_days{ymd.year() / ymd.month() / 1} - kZeroDate).count())};
}

DateTime addMonths(DateTime d, int n) {
  const std::chrono::year_month_day from = civil(d.serial);
  const std::chrono::year_month to = from.year() / from.month() + std::chrono::months{n};
  // The day is clamped to the length of the new month (31 January + 1 month is 28/29 February).
  const std::chrono::day day = std::min(from.day(), (to / std::chrono::last).day());
  DateTime r{static_cast<double>((sys_days{to / day} - kZeroDate).count())};
  r.serial += d.serial - static_cast<double>(dayPart(d.serial));
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
      default: out += t.literal;
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
