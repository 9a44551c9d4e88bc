#include "platform/locale/user_locale.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/text/utf.h"

namespace platform::locale {
namespace {

class Environment : public ::testing::Test {
 protected:
  void TearDown() override {
    for (const char* v : {"LC_ALL", "LC_NUMERIC", "LC_MONETARY", "LANG"}) ::unsetenv(v);
    ::setenv("LANG", "C.UTF-8", 1);
    setOverride("");
  }
};

TEST_F(Environment, NamesComeFromTheVariablesInTheirOrder) {
  ::unsetenv("LC_ALL");
  ::setenv("LANG", "fr_FR.UTF-8", 1);
  ::setenv("LC_NUMERIC", "de_DE.UTF-8@euro", 1);
  EXPECT_EQ(localeName(Category::Numeric), "de_DE");
  EXPECT_EQ(localeName(Category::Monetary), "fr_FR");
  ::setenv("LC_ALL", "it_IT", 1);
  EXPECT_EQ(localeName(Category::Numeric), "it_IT");
  for (const char* name : {"C", "POSIX", "C.UTF-8", "xx_YY.UTF-8", "klingon", "en_US.ISO-8859-1"}) {
    ::setenv("LC_ALL", name, 1);
    EXPECT_EQ(localeName(Category::Ctype), "en_US") << name;
  }
  ::setenv("LC_ALL", "", 1);  // empty counts as unset, as in the C library
  EXPECT_EQ(localeName(Category::Ctype), "fr_FR");
  setOverride("de_DE");
  EXPECT_EQ(localeName(Category::Ctype), "de_DE");
}

TEST_F(Environment, SeparatorsFollowTheLocale) {
  setOverride("en_US");
  EXPECT_EQ(decimalSeparator(), u".");
  EXPECT_EQ(groupingSeparator(), u",");
  setOverride("de_DE");
  EXPECT_EQ(decimalSeparator(), u",");
  EXPECT_EQ(groupingSeparator(), u".");
  EXPECT_EQ(currencySymbol(), u"€");
}

struct NumericCase {
  const char* locale;
  const char16_t* text;
  bool numeric;
  double value;
};

TEST_F(Environment, NumericTest) {
  const NumericCase cases[] = {
      {"en_US", u"12", true, 12},         {"en_US", u"  -12.5 ", true, -12.5}, {"en_US", u"+3", true, 3},
      {"en_US", u"3-", true, -3},         {"en_US", u"1,234.5", true, 1234.5}, {"en_US", u"1.5E3", true, 1500},
      {"en_US", u"2e-2", true, 0.02},     {"en_US", u"$5", true, 5},           {"en_US", u".5", true, 0.5},
      {"en_US", u"", false, 0},           {"en_US", u"   ", false, 0},         {"en_US", u"abc", false, 0},
      {"en_US", u"12abc", false, 0},      {"en_US", u"1.2.3", false, 0},       {"en_US", u"E5", false, 0},
      {"en_US", u"1E", false, 0},         {"en_US", u"--1", false, 0},         {"en_US", u"-", false, 0},
      {"de_DE", u"12,5", true, 12.5},     {"de_DE", u"1.234,5", true, 1234.5}, {"de_DE", u"12.5", true, 125},
      {"de_DE", u"1,2,3", false, 0},
  };
  for (const auto& c : cases) {
    setOverride(c.locale);
    double value = -999;
    EXPECT_EQ(isNumeric(c.text, &value), c.numeric) << c.locale << " " << text::toUtf8(c.text);
    if (c.numeric) {
      EXPECT_DOUBLE_EQ(value, c.value) << text::toUtf8(c.text);
    }
  }
}

TEST_F(Environment, CaseMappingIsUnicodeAndFollowsTheLocale) {
  setOverride("en_US");
  EXPECT_EQ(toUpper(u"crèche straße"), u"CRÈCHE STRASSE");
  EXPECT_EQ(toLower(u"ÉCOLE"), u"école");
  EXPECT_EQ(toUpper(u"i"), u"I");
  setOverride("tr_TR");
  EXPECT_EQ(toUpper(u"i"), u"İ");
}

}  // namespace
}  // namespace platform::locale
