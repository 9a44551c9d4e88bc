#include "format_cases.h"
#include "platform/format/date_format.h"

namespace platform::format {
namespace {

using testing::date;
using testing::expectFormats;

const com::Variant kMonday = date(2026, 12, 7, 13, 5, 9);

TEST(DateFormat, DayMonthYearCodes) {
  expectFormats("en_US", {
      {kMonday, u"yyyy-mm-dd hh:nn:ss", u"2026-12-07 13:05:09"},
      {kMonday, u"d/m/yy", u"7/12/26"},
      {kMonday, u"dddd, mmmm d", u"Monday, December 7"},
      {kMonday, u"DDDD MMMM YYYY", u"Monday December 2026"},
      {kMonday, u"ddddd", u"12/7/2026"},
      {kMonday, u"dddddd", u"Monday, December 7, 2026"},
      {kMonday, u"\"Q\"q yyyy", u"Q4 2026"},
      {kMonday, u"y", u"341"},
      {date(2024, 12, 31), u"y", u"366"},
      {date(2005, 1, 2), u"yy mm dd", u"05 01 02"},
      {kMonday, u"\\d\\a\\y d", u"day 7"},
      {kMonday, u"c", u"12/7/2026 1:05:09 PM"},
      {46363.0, u"yyyy-mm-dd", u"2026-12-07"},  // a number is an OLE date
      {u"46363.5", u"hh:nn", u"12:00"},
      {u"abc", u"yyyy", u"abc"},
      {com::Variant::null(), u"yyyy", nullptr},
      {1e300, u"yyyy", nullptr},  // beyond 9999
      {-657435.0, u"yyyy", nullptr},
      {-657434.0, u"yyyy-mm-dd", u"100-01-01"},
      {date(1600, 2, 29), u"dddd d mmmm yyyy", u"Tuesday 29 February 1600"},
  });
  expectFormats("de_DE", {
      {kMonday, u"d/m/yy", u"7.12.26"},
      {kMonday, u"dddd, d. mmmm", u"Montag, 7. Dezember"},
      {kMonday, u"ddddd", u"7.12.2026"},
      {kMonday, u"dddddd", u"Montag, 7. Dezember 2026"},
  });
  expectFormats("pl_PL", {
      {kMonday, u"mmmm", u"grudzień"},
      {kMonday, u"d mmmm", u"7 grudnia"},  // beside a day number, the declined form
  });
}

TEST(DateFormat, TimeCodesAndMarkers) {
  expectFormats("en_US", {
      {kMonday, u"h:mm AM/PM", u"1:05 PM"},
      {kMonday, u"hh:mm a/p", u"01:05 p"},
      {kMonday, u"h:nn AMPM", u"1:05 PM"},
      {kMonday, u"h:nn:s", u"13:05:9"},
      {kMonday, u"h mm", u"13 05"},
      {kMonday, u"mm h", u"12 13"},  // m before h is the month
      {date(2026, 1, 1, 0, 7, 0), u"h:nn AM/PM", u"12:07 AM"},
      {date(2026, 1, 1, 12, 0, 0), u"h A/P", u"12 P"},
      {kMonday, u"hh \"AM/PM\"", u"13 AM/PM"},  // quoted, so no 12-hour clock
      {kMonday, u"ttttt", u"1:05:09 PM"},
  });
  expectFormats("de_DE", {{kMonday, u"ttttt", u"13:05:09"}, {kMonday, u"h:nn AMPM", u"1:05 PM"}});
}

TEST(DateFormat, WeekCodesStartOnSundayWithTheWeekOfJanuaryFirst) {
  expectFormats("en_US", {
      {kMonday, u"w", u"2"},
      {date(2026, 12, 6), u"w", u"1"},  // Sunday
      {kMonday, u"ww", u"50"},
      {date(2026, 1, 1), u"ww", u"1"},  // a Thursday
      {date(2026, 1, 3), u"ww", u"1"},
      {date(2026, 1, 4), u"ww", u"2"},  // the first Sunday after
      {date(2026, 12, 31), u"ww", u"53"},
      {date(2022, 1, 1), u"ww", u"1"},  // a Saturday: week 1 holds a single day
      {date(2022, 1, 2), u"ww", u"2"},
      {date(2023, 1, 1), u"ww", u"1"},  // a Sunday
      {date(2023, 1, 8), u"ww", u"2"},
  });
}

TEST(DateFormat, OtherWeekRulesCarryIntoThePreviousYear) {
  // 1 January 2022 is a Saturday: not in a week with four days of 2022
  EXPECT_EQ(weekOfYear({2022, 1, 1}, FirstDayOfWeek::Sunday, FirstWeekOfYear::FirstFourDays), 52);
  EXPECT_EQ(weekOfYear({2022, 1, 2}, FirstDayOfWeek::Sunday, FirstWeekOfYear::FirstFourDays), 1);
  EXPECT_EQ(weekOfYear({2022, 1, 1}, FirstDayOfWeek::Monday, FirstWeekOfYear::FirstFullWeek), 52);
  EXPECT_EQ(weekOfYear({2022, 1, 3}, FirstDayOfWeek::Monday, FirstWeekOfYear::FirstFullWeek), 1);
  EXPECT_EQ(weekOfYear({2021, 1, 1}, FirstDayOfWeek::Monday, FirstWeekOfYear::FirstFourDays), 53);  // ISO 2020-W53
  testing::expectFormats("en_US", {{testing::date(2026, 12, 7), u"w", u"1"}}, FirstWeekOfYear::Jan1, FirstDayOfWeek::Monday);
}

}  // namespace
}  // namespace platform::format
