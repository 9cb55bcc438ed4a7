// DateTime: a calendar date with an optional time of day, kept as the classic serial number
// (days since 1899-12-30, fraction = time of day) so date arithmetic and comparisons are plain
// number operations. Helpers for the first day of a month, adding months and the session's short
// date format live here too.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace cad {

struct DateTime {
  double serial = 0;  // days since 1899-12-30; 0 is the "zero date"

  static DateTime fromDate(int year, int month, int day);
  static DateTime fromDateTime(int year, int month, int day, int hour, int minute, int second = 0);
  static DateTime today();

  void decode(int& year, int& month, int& day) const;
  void decodeTime(int& hour, int& minute, int& second) const;
  int year() const;
  int month() const;
  int day() const;
  DateTime dateOnly() const;

  // "YYYY-MM-DD" (with "THH:MM:SS" when a time of day is present); parsing accepts both forms.
  std::string iso() const;
  static std::optional<DateTime> parseIso(std::string_view text);

  bool operator==(const DateTime& o) const { return serial == o.serial; }
  bool operator<(const DateTime& o) const { return serial < o.serial; }
};

bool isLeapYear(int year);
int daysInMonth(int year, int month);
bool isValidDate(int year, int month, int day);

// First day of the month of d (time of day dropped).
DateTime firstDayOfMonth(DateTime d);
// d moved by n months (negative goes back); the day is clamped to the length of the new month.
DateTime addMonths(DateTime d, int n);

// Date formats use the classic tokens: d, dd, m, mm, yy, yyyy and the separator "/".
// The session's short date format is "dd/mm/yyyy" unless the host changes it.
std::string formatDate(DateTime d, std::string_view format);
// Parses text typed in a short date format; nullopt when it is not a valid date.
std::optional<DateTime> parseDate(std::string_view text, std::string_view format);

}  // namespace cad
