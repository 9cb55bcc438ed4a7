#include <gtest/gtest.h>

#include "platform/core/datetime.h"

namespace cad {
namespace {

TEST(DateTime, SerialRoundTripsAndMatchesClassicEpoch) {
  EXPECT_EQ(DateTime::fromDate(1899, 12, 30).serial, 0);
  EXPECT_EQ(DateTime::fromDate(2000, 1, 1).serial, 36526);
  int y, m, d;
  DateTime::fromDate(2024, 2, 29).decode(y, m, d);
  EXPECT_EQ(y * 10000 + m * 100 + d, 20240229);
  EXPECT_EQ(DateTime::fromDateTime(2026, 12, 6, 13, 45, 10).iso(), "2026-12-06T13:45:10");
  EXPECT_EQ(DateTime::parseIso("2026-12-06")->iso(), "2026-12-06");
  EXPECT_FALSE(DateTime::parseIso("2026-02-30"));
  EXPECT_FALSE(DateTime::parseIso("20261206"));
}

TEST(DateTime, MonthArithmeticClampsTheDay) {
  EXPECT_EQ(addMonths(DateTime::fromDate(2026, 1, 31), 1).iso(), "2026-02-28");
  EXPECT_EQ(addMonths(DateTime::fromDate(2024, 3, 31), -1).iso(), "2024-02-29");
  EXPECT_EQ(addMonths(DateTime::fromDate(2026, 11, 15), 14).iso(), "2028-01-15");
  EXPECT_EQ(addMonths(DateTime::fromDate(2026, 1, 15), -13).iso(), "2024-12-15");
  EXPECT_EQ(firstDayOfMonth(DateTime::fromDateTime(2026, 7, 19, 10, 0)).iso(), "2026-07-01");
}

TEST(DateTime, ShortDateFormatAndParse) {
  DateTime d = DateTime::fromDate(2026, 3, 5);
  EXPECT_EQ(formatDate(d, "dd/mm/yyyy"), "05/03/2026");
  EXPECT_EQ(formatDate(d, "d/m/yy"), "5/3/26");
  EXPECT_EQ(parseDate("05/03/2026", "dd/mm/yyyy")->iso(), "2026-03-05");
  EXPECT_EQ(parseDate("5/3/26", "dd/mm/yyyy")->iso(), "2026-03-05");
  EXPECT_FALSE(parseDate("31/04/2026", "dd/mm/yyyy"));
  EXPECT_FALSE(parseDate("  /  /    ", "dd/mm/yyyy"));
  EXPECT_FALSE(parseDate("12/2026", "dd/mm/yyyy"));
}

}  // namespace
}  // namespace cad
