#include <gtest/gtest.h>

#include "platform/locale/user_locale.h"
#include "platform/text/utf.h"

namespace platform::locale {
namespace {

struct Case {
  const char* locale;
  const char16_t* text;
  bool numeric;
  double value;
};

class NumericTest : public ::testing::TestWithParam<Case> {
 protected:
  void TearDown() override { setOverride(""); }
};

TEST_P(NumericTest, AcceptsWhatAutomationAccepts) {
  const Case& c = GetParam();
  setOverride(c.locale);
  double value = -999;
  ASSERT_EQ(isNumeric(c.text, &value), c.numeric) << c.locale << " \"" << text::toUtf8(c.text) << "\"";
  if (c.numeric) EXPECT_DOUBLE_EQ(value, c.value);
  else EXPECT_EQ(value, -999) << "value written on failure";
}

INSTANTIATE_TEST_SUITE_P(
    Accepted, NumericTest,
    ::testing::Values(Case{"en_US", u"12", true, 12}, Case{"en_US", u"  -12.5 ", true, -12.5}, Case{"en_US", u"\t7\u00A0", true, 7},
                      Case{"en_US", u"+3", true, 3}, Case{"en_US", u"3-", true, -3}, Case{"en_US", u"- 3", true, -3},
                      Case{"en_US", u"1,234.5", true, 1234.5}, Case{"en_US", u"1,2,3", true, 123}, Case{"en_US", u"1.5E3", true, 1500},
                      Case{"en_US", u"2e-2", true, 0.02}, Case{"en_US", u"2D+2", true, 200}, Case{"en_US", u".5", true, 0.5},
                      Case{"en_US", u"5.", true, 5}, Case{"en_US", u"$5", true, 5}, Case{"en_US", u"-$5", true, -5},
                      Case{"en_US", u"$-5", true, -5}, Case{"en_US", u"($1,234.50)", true, -1234.5}, Case{"en_US", u"(7)", true, -7},
                      Case{"en_US", u"007", true, 7}, Case{"de_DE", u"12,5", true, 12.5}, Case{"de_DE", u"1.234,5", true, 1234.5},
                      Case{"de_DE", u"12.5", true, 125}, Case{"de_DE", u"-1.234,50 €", true, -1234.5},
                      Case{"de_DE", u"1.234,50\u00A0€", true, 1234.5}, Case{"fr_FR", u"1 234,5", true, 1234.5},
                      Case{"fr_FR", u"1\u202F234,5", true, 1234.5}));

INSTANTIATE_TEST_SUITE_P(
    Rejected, NumericTest,
    ::testing::Values(Case{"en_US", u"", false, 0}, Case{"en_US", u"   ", false, 0}, Case{"en_US", u"abc", false, 0},
                      Case{"en_US", u"12abc", false, 0}, Case{"en_US", u"1.2.3", false, 0}, Case{"en_US", u"E5", false, 0},
                      Case{"en_US", u"1E", false, 0}, Case{"en_US", u"1E+", false, 0}, Case{"en_US", u"--1", false, 0},
                      Case{"en_US", u"-1-", false, 0}, Case{"en_US", u"-", false, 0}, Case{"en_US", u".", false, 0},
                      Case{"en_US", u"$", false, 0}, Case{"en_US", u",5", false, 0}, Case{"en_US", u"1.5,0", false, 0},
                      Case{"en_US", u"(-5)", false, 0}, Case{"en_US", u"(5", false, 0}, Case{"en_US", u"()", false, 0},
                      Case{"en_US", u"1e400", false, 0}, Case{"en_US", u"&H10", false, 0}, Case{"en_US", u"1 234", false, 0},
                      Case{"en_US", u"5 €", false, 0}, Case{"en_US", u"$5$", false, 0}, Case{"en_US", u"1\n", false, 0},
                      Case{"de_DE", u"1,2,3", false, 0}, Case{"de_DE", u"$5", false, 0}));

}  // namespace
}  // namespace platform::locale
