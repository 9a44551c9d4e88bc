#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/format/ole_date.h"
#include "platform/format/value_text.h"
#include "platform/locale/user_locale.h"
#include "platform/text/utf.h"

namespace platform::format {
namespace {

class InLocale : public ::testing::Test {
 protected:
  void TearDown() override { locale::setOverride(""); }
};

TEST_F(InLocale, NumberTextKeepsFifteenDigitsAndSwitchesToExponentsAtTheEdges) {
  const std::pair<double, const char16_t*> cases[] = {
      {0, u"0"},
      {-0.0, u"0"},
      {12, u"12"},
      {-2.5, u"-2.5"},
      {0.1 + 0.2, u"0.3"},
      {1.0 / 3, u"0.333333333333333"},
      {2.0 / 3, u"0.666666666666667"},
      {123456789.123456789, u"123456789.123457"},
      {1234567.125, u"1234567.125"},
      {100000, u"100000"},
      {999999999999999, u"999999999999999"},
      {999999999999999.9, u"1E+15"},  // rounds up into the exponent form
      {1e15, u"1E+15"},
      {1e16, u"1E+16"},
      {-1.5e20, u"-1.5E+20"},
      {123456789012345678.0, u"1.23456789012346E+17"},
      {1e100, u"1E+100"},
      {std::numeric_limits<double>::max(), u"1.79769313486232E+308"},
      {0.0001, u"0.0001"},
      {0.00012345, u"0.00012345"},
      {0.000099999, u"9.9999E-05"},
      {0.000015, u"1.5E-05"},
      {-0.00001, u"-1E-05"},
      {std::numeric_limits<double>::denorm_min(), u"4.94065645841247E-324"},
  };
  locale::setOverride("en_US");
  for (const auto& [v, t] : cases) EXPECT_EQ(text::toUtf8(numberText(v)), text::toUtf8(t)) << v;
  locale::setOverride("de_DE");
  EXPECT_EQ(numberText(-2.5), u"-2,5");
  EXPECT_EQ(numberText(1234567.25), u"1234567,25");  // never grouped
  EXPECT_EQ(numberText(0.000015), u"1,5E-05");
}

TEST_F(InLocale, ValuesAsText) {
  const double day = toOleDate({2026, 12, 7, 0, 0, 0});
  const double time = toOleDate({1899, 12, 30, 13, 5, 9});
  locale::setOverride("en_US");
  EXPECT_EQ(toText(com::Variant(true)), u"True");
  EXPECT_EQ(toText(com::Variant(false)), u"False");
  EXPECT_EQ(toText(com::Variant::null()), u"");
  EXPECT_EQ(toText(com::Variant()), u"");
  EXPECT_EQ(toText(com::Variant(std::int16_t{-7})), u"-7");
  EXPECT_EQ(toText(com::Variant(std::int32_t{2147483647})), u"2147483647");
  EXPECT_EQ(toText(com::Variant(u"as is")), u"as is");
  EXPECT_EQ(toText(com::Variant::date(day)), u"12/7/2026");
  EXPECT_EQ(toText(com::Variant::date(day + time)), u"12/7/2026 1:05:09 PM");
  EXPECT_EQ(toText(com::Variant::date(time)), u"1:05:09 PM");
  EXPECT_EQ(toText(com::Variant::date(0)), u"12:00:00 AM");  // day 0 is no date
  EXPECT_EQ(toText(com::Variant::date(-1)), u"12/29/1899");
  EXPECT_EQ(toText(com::Variant::date(toOleDate({9999, 12, 31, 23, 59, 59}))), u"12/31/9999 11:59:59 PM");
  EXPECT_EQ(toText(com::Variant::date(1e300)), u"1E+300");  // beyond the date range: the number
  EXPECT_EQ(toText(com::Variant::date(toOleDate({100, 1, 1, 0, 0, 0}))), u"1/1/100");
  locale::setOverride("de_DE");
  EXPECT_EQ(toText(com::Variant::date(day)), u"7.12.2026");
  EXPECT_EQ(toText(com::Variant::date(day + time)), u"7.12.2026 13:05:09");
  EXPECT_EQ(toText(com::Variant(2.5)), u"2,5");
  EXPECT_EQ(toText(com::Variant(true)), u"True");  // not translated, as automation's conversion
}

TEST(RoundHalfEven, DecimalHalvesAsWritten) {
  const std::tuple<double, int, double> cases[] = {
      {2.5, 0, 2},       {3.5, 0, 4},     {-2.5, 0, -2},    {-3.5, 0, -4},         {0.5, 0, 0},          {2.675, 2, 2.68},
      {2.665, 2, 2.66},  {1.005, 2, 1.0}, {1.0051, 2, 1.01}, {123.456, 1, 123.5},  {0.125, 2, 0.12},     {0.375, 2, 0.38},
      {7, 3, 7},         {9.995, 2, 10},  {-9.995, 2, -10}, {99.5, 0, 100},        {2.67, 0, 3},         {1e20, 2, 1e20},
      {-0.4, 0, 0},      {5e-324, 2, 0},  {0.1, 20, 0.1},   {1234567.891, -1, 1234568},
  };
  for (const auto& [v, places, expected] : cases) EXPECT_EQ(roundHalfEven(v, places), expected) << v << " to " << places;
  EXPECT_FALSE(std::signbit(roundHalfEven(-0.4, 0))) << "no negative zero";
  EXPECT_TRUE(std::isnan(roundHalfEven(std::numeric_limits<double>::quiet_NaN(), 2)));
}

TEST(OleDate, RoundTripsAndKnowsTheEpoch) {
  EXPECT_EQ(toOleDate({1899, 12, 30, 0, 0, 0}), 0);
  EXPECT_EQ(toOleDate({1900, 1, 1, 0, 0, 0}), 2);
  EXPECT_DOUBLE_EQ(toOleDate({1899, 12, 29, 6, 0, 0}), -1.25);
  for (double d : {0.0, 2.5, 46363.75, -1.25, -657434.0, 2958465.999988426}) EXPECT_NEAR(toOleDate(fromOleDate(d)), d, 1.0 / 86400) << d;
}

}  // namespace
}  // namespace platform::format
