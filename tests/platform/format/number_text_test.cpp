#include <gtest/gtest.h>

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

TEST_F(InLocale, GeneralNumberText) {
  const std::pair<double, const char16_t*> en[] = {
      {0, u"0"}, {12, u"12"}, {-2.5, u"-2.5"}, {1.0 / 3, u"0.333333333333333"}, {123456789012345, u"123456789012345"},
      {1e15, u"1E+15"}, {1e16, u"1E+16"}, {0.0001, u"0.0001"}, {0.000015, u"1.5E-05"}, {1234567.125, u"1234567.125"}};
  locale::setOverride("en_US");
  for (const auto& [v, t] : en) EXPECT_EQ(numberText(v), t) << v;
  locale::setOverride("de_DE");
  EXPECT_EQ(numberText(-2.5), u"-2,5");
  EXPECT_EQ(numberText(0.000015), u"1,5E-05");
}

TEST_F(InLocale, ValuesAsText) {
  locale::setOverride("en_US");
  EXPECT_EQ(toText(com::Variant(true)), u"True");
  EXPECT_EQ(toText(com::Variant(false)), u"False");
  EXPECT_EQ(toText(com::Variant::null()), u"");
  EXPECT_EQ(toText(com::Variant(std::int16_t{-7})), u"-7");
  EXPECT_EQ(toText(com::Variant::date(toOleDate({2026, 12, 7, 0, 0, 0}))), u"12/7/2026");
  EXPECT_EQ(toText(com::Variant::date(toOleDate({2026, 12, 7, 13, 5, 9}))), u"12/7/2026 1:05:09\u202FPM");
  locale::setOverride("de_DE");
  EXPECT_EQ(toText(com::Variant::date(toOleDate({2026, 12, 7, 0, 0, 0}))), u"7.12.2026");
}

TEST_F(InLocale, NumberAndCurrencyFormats) {
  locale::setOverride("en_US");
  EXPECT_EQ(formatNumber(1234.5, 2), u"1,234.50");
  EXPECT_EQ(formatNumber(-1234.5, 2), u"-1,234.50");
  EXPECT_EQ(formatNumber(0.5, 0), u"0");   // half to even
  EXPECT_EQ(formatNumber(1.5, 0), u"2");
  EXPECT_EQ(formatNumber(0.25, -1), u"0.25");
  EXPECT_FALSE(formatNumber(1, -2));
  EXPECT_EQ(formatCurrency(1234.5), u"$1,234.50");
  EXPECT_EQ(formatCurrency(-1234.5), u"($1,234.50)");
  locale::setOverride("de_DE");
  EXPECT_EQ(formatNumber(-1234.5, 2), u"-1.234,50");
  EXPECT_EQ(formatCurrency(1234.5), u"1.234,50\u00A0€");
}

TEST(RoundHalfEven, DecimalHalvesAsWritten) {
  const std::tuple<double, int, double> cases[] = {{2.5, 0, 2}, {3.5, 0, 4}, {-2.5, 0, -2}, {-3.5, 0, -4},
                                                   {2.675, 2, 2.68}, {2.665, 2, 2.66}, {1.005, 2, 1.0}, {1.0051, 2, 1.01},
                                                   {123.456, 1, 123.5}, {0.125, 2, 0.12}, {7, 3, 7}, {9.995, 2, 10}};
  for (const auto& [v, places, expected] : cases) EXPECT_DOUBLE_EQ(roundHalfEven(v, places), expected) << v << " " << places;
}

TEST(OleDate, RoundTripsAndKnowsTheEpoch) {
  EXPECT_EQ(toOleDate({1899, 12, 30, 0, 0, 0}), 0);
  EXPECT_EQ(toOleDate({1900, 1, 1, 0, 0, 0}), 2);
  EXPECT_DOUBLE_EQ(toOleDate({1899, 12, 29, 6, 0, 0}), -1.25);
  for (double d : {0.0, 2.5, 46363.75, -1.25, -700000.0, 2958465.999988426}) {
    const auto p = fromOleDate(d);
    EXPECT_NEAR(toOleDate(p), d, 1.0 / 86400) << d;
  }
  const auto p = fromOleDate(toOleDate({2024, 2, 29, 23, 59, 59}));
  EXPECT_EQ(p.month, 2);
  EXPECT_EQ(p.day, 29);
  EXPECT_EQ(p.second, 59);
}

}  // namespace
}  // namespace platform::format
