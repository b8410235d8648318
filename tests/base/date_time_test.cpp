#include <gtest/gtest.h>

#include "base/date_time_format.h"
#include "base/day_number.h"

namespace vek {
namespace {

TEST(DayNumberTest, CountsFromFirstOfJanuary1600) {
  EXPECT_EQ(DayNumberFromDate(1600, 1, 1), 0);
  EXPECT_EQ(DayNumberFromDate(1600, 1, 2), 1);
  EXPECT_EQ(DayNumberFromDate(1599, 12, 31), -1);
  EXPECT_EQ(DayNumberFromDate(1601, 1, 1), 366);  // 1600 is a leap year
  // 1600-01-01 to 1970-01-01 is 135140 days.
  EXPECT_EQ(DayNumberFromDate(1970, 1, 1), 135140);
  EXPECT_EQ(DayNumberFromDate(2008, 11, 15), 149338);
}

TEST(DayNumberTest, RefusesDatesThatDoNotExist) {
  EXPECT_FALSE(DayNumberFromDate(2009, 2, 29));
  EXPECT_TRUE(DayNumberFromDate(2008, 2, 29));
  EXPECT_FALSE(DayNumberFromDate(1900, 2, 29));
  EXPECT_FALSE(DayNumberFromDate(2000, 13, 1));
  EXPECT_FALSE(DayNumberFromDate(2000, 4, 31));
  EXPECT_FALSE(DayNumberFromDate(0, 1, 1));
  EXPECT_FALSE(DayNumberFromDate(10000, 1, 1));
}

TEST(DayNumberTest, RoundTripsOverFourCenturies) {
  const DayNumber first = *DayNumberFromDate(1900, 1, 1);
  const DayNumber last = *DayNumberFromDate(2300, 12, 31);
  CivilDate previous = DateFromDayNumber(first - 1);
  for (DayNumber n = first; n <= last; ++n) {
    const CivilDate d = DateFromDayNumber(n);
    ASSERT_EQ(DayNumberFromDate(d.year, d.month, d.day), n);
    // Consecutive numbers are consecutive calendar days.
    const bool next_day = d.day == previous.day + 1 && d.month == previous.month;
    const bool next_month = d.day == 1 && (d.month == previous.month + 1 || (d.month == 1 && previous.month == 12));
    ASSERT_TRUE(next_day || next_month) << n;
    previous = d;
  }
}

TEST(DateFormatTest, EveryForm) {
  const DayNumber d = *DayNumberFromDate(2008, 11, 5);
  EXPECT_EQ(FormatDate(d, DateForm::kDdMmYyyy), "05.11.2008");
  EXPECT_EQ(FormatDate(d, DateForm::kDdMmYy), "05.11.08");
  EXPECT_EQ(FormatDate(d, DateForm::kDdmmyy), "051108");
  EXPECT_EQ(FormatDate(d, DateForm::kYymmdd), "081105");
  EXPECT_EQ(FormatDate(d, DateForm::kYyyymmdd), "20081105");
  EXPECT_EQ(FormatDate(0, DateForm::kDdMmYyyy), "01.01.1600");
}

TEST(DateFormatTest, ParsesWhatItWritesAndNothingElse) {
  const DayNumber d = *DayNumberFromDate(2008, 11, 15);
  for (DateForm f : {DateForm::kDdMmYyyy, DateForm::kDdMmYy, DateForm::kDdmmyy, DateForm::kYymmdd,
                     DateForm::kYyyymmdd}) {
    EXPECT_EQ(ParseDate(FormatDate(d, f), f, 2026), d);
  }
  EXPECT_FALSE(ParseDate("15.11.08x", DateForm::kDdMmYy, 2026));
  EXPECT_FALSE(ParseDate("15-11-2008", DateForm::kDdMmYyyy, 2026));
  EXPECT_FALSE(ParseDate("31.02.2008", DateForm::kDdMmYyyy, 2026));
  EXPECT_FALSE(ParseDate("1a1108", DateForm::kDdmmyy, 2026));
  EXPECT_FALSE(ParseDate("", DateForm::kYyyymmdd, 2026));
}

TEST(DateFormatTest, TwoDigitYearsFollowTheFiftyRule) {
  EXPECT_EQ(ExpandTwoDigitYear(49, 2026), 2049);
  EXPECT_EQ(ExpandTwoDigitYear(50, 2026), 1950);
  EXPECT_EQ(ExpandTwoDigitYear(8, 2126), 2108);
  EXPECT_EQ(ParseDate("151149", DateForm::kDdmmyy, 2026), DayNumberFromDate(2049, 11, 15));
  EXPECT_EQ(ParseDate("151151", DateForm::kDdmmyy, 2026), DayNumberFromDate(1951, 11, 15));
}

TEST(TimeFormatTest, FormsAndRanges) {
  EXPECT_EQ(FormatTime(14 * 3600 + 12 * 60 + 5, TimeForm::kHhMmSs), "14:12:05");
  EXPECT_EQ(FormatTime(14 * 3600 + 12 * 60 + 5, TimeForm::kHhMm), "14:12");
  EXPECT_EQ(FormatTime(0, TimeForm::kHhmm), "0000");
  EXPECT_EQ(FormatTime(86399, TimeForm::kHhMmSs), "23:59:59");
  EXPECT_EQ(FormatTime(86400 + 60, TimeForm::kHhMm), "00:01");
  EXPECT_EQ(FormatTime(-60, TimeForm::kHhMm), "23:59");
  EXPECT_EQ(ParseTime("23:59:59", TimeForm::kHhMmSs), 86399);
  EXPECT_EQ(ParseTime("14:12", TimeForm::kHhMm), 14 * 3600 + 12 * 60);
  EXPECT_EQ(ParseTime("0805", TimeForm::kHhmm), 8 * 3600 + 5 * 60);
  EXPECT_FALSE(ParseTime("24:00", TimeForm::kHhMm));
  EXPECT_FALSE(ParseTime("12:60", TimeForm::kHhMm));
  EXPECT_FALSE(ParseTime("12:00:60", TimeForm::kHhMmSs));
  EXPECT_FALSE(ParseTime("1200", TimeForm::kHhMm));
  EXPECT_FALSE(ParseTime("12:0", TimeForm::kHhMm));
}

}  // namespace
}  // namespace vek
