#include <gtest/gtest.h>

#include <limits>

#include "platform/format/value_text.h"
#include "platform/locale/user_locale.h"
#include "platform/text/utf.h"

namespace platform::format {
namespace {

struct NumberCase {
  const char* locale;
  double value;
  int decimals;
  const char16_t* expected;  // null: refused
};

TEST(LocaleNumberFormat, ExactDecimalsGroupingAndNegativeForm) {
  const NumberCase cases[] = {
      {"en_US", 1234.5, 2, u"1,234.50"},    {"en_US", -1234.5, 2, u"-1,234.50"}, {"en_US", 2.53, 4, u"2.5300"},
      {"en_US", 1234.56, 1, u"1,234.6"},    {"en_US", 0.5, 0, u"1"},             {"en_US", 2.5, 0, u"3"},
      {"en_US", -2.5, 0, u"-3"},            {"en_US", 2.675, 2, u"2.68"},        {"en_US", 0.25, -1, u"0.25"},
      {"en_US", 7, -1, u"7.00"},            {"en_US", 0.5, 2, u"0.50"},          {"en_US", 1234567890123.0, 0, u"1,234,567,890,123"},
      {"en_US", 1, -2, nullptr},            {"en_US", 1, 100, nullptr},          {"en_US", 0, 2, u"0.00"},
      {"de_DE", -1234.5, 2, u"-1.234,50"},  {"de_DE", 1234.56, 1, u"1.234,6"},   {"de_DE", 0.5, 2, u"0,50"},
      {"fr_FR", 1234567.5, 1, u"1\u202F234\u202F567,5"},  // grouping kept as the locale's own space
      {"en_US", std::numeric_limits<double>::infinity(), 2, nullptr},
  };
  for (const auto& c : cases) {
    locale::setOverride(c.locale);
    const auto got = formatNumber(c.value, c.decimals);
    if (!c.expected) {
      EXPECT_FALSE(got) << c.value << " " << c.decimals;
    } else {
      ASSERT_TRUE(got) << c.value;
      EXPECT_EQ(text::toUtf8(*got), text::toUtf8(c.expected)) << c.locale << " " << c.value << " " << c.decimals;
    }
  }
  locale::setOverride("");
}

TEST(LocaleNumberFormat, CurrencyTakesTheLocalesSymbolPlaceAndNegativeForm) {
  const std::tuple<const char*, double, const char16_t*> cases[] = {
      {"en_US", 100, u"$100.00"},         {"en_US", 1234.5, u"$1,234.50"},      {"en_US", -1234.5, u"($1,234.50)"},
      {"en_US", 0.005, u"$0.01"},         {"en_US", 0, u"$0.00"},               {"de_DE", 1234.5, u"1.234,50 €"},
      {"de_DE", -1234.5, u"-1.234,50 €"}, {"en_GB", -3.5, u"(£3.50)"},          {"ja_JP", 1234.5, u"￥1,235"},
      {"fr_FR", 1234.5, u"1\u202F234,50 €"},
  };
  for (const auto& [loc, value, expected] : cases) {
    locale::setOverride(loc);
    EXPECT_EQ(text::toUtf8(formatCurrency(value)), text::toUtf8(expected)) << loc << " " << value;
  }
  // the currency follows LC_MONETARY, the number text LC_NUMERIC
  locale::setOverride("");
  ::setenv("LC_MONETARY", "de_DE", 1);
  EXPECT_EQ(formatCurrency(2), u"2,00 €");
  EXPECT_EQ(numberText(2.5), u"2.5");
  ::unsetenv("LC_MONETARY");
}

}  // namespace
}  // namespace platform::format
