#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/locale/user_locale.h"

namespace platform::locale {
namespace {

class Environment : public ::testing::Test {
 protected:
  void SetUp() override { clear(); }
  void TearDown() override {
    clear();
    ::setenv("LANG", "C.UTF-8", 1);
  }
  static void clear() {
    for (const char* v : {"LC_ALL", "LC_NUMERIC", "LC_MONETARY", "LC_CTYPE", "LC_TIME", "LANG"}) ::unsetenv(v);
    setOverride("");
  }
};

TEST_F(Environment, EachCategoryTakesLcAllThenItsOwnVariableThenLang) {
  ::setenv("LANG", "fr_FR.UTF-8", 1);
  ::setenv("LC_NUMERIC", "de_DE.UTF-8@euro", 1);
  ::setenv("LC_TIME", "it_IT", 1);
  EXPECT_EQ(localeName(Category::Numeric), "de_DE");
  EXPECT_EQ(localeName(Category::Monetary), "fr_FR");
  EXPECT_EQ(localeName(Category::Time), "it_IT");
  ::setenv("LC_ALL", "es_ES", 1);
  for (auto c : {Category::Numeric, Category::Monetary, Category::Ctype, Category::Time}) EXPECT_EQ(localeName(c), "es_ES");
  ::setenv("LC_ALL", "", 1);  // empty counts as unset, as in the C library
  EXPECT_EQ(localeName(Category::Ctype), "fr_FR");
  ::unsetenv("LANG");
  EXPECT_EQ(localeName(Category::Ctype), "en_US");
}

TEST_F(Environment, OverrideWinsUntilCleared) {
  ::setenv("LC_ALL", "fr_FR", 1);
  setOverride("de_DE.UTF-8");
  EXPECT_EQ(localeName(Category::Monetary), "de_DE");
  setOverride("");
  EXPECT_EQ(localeName(Category::Monetary), "fr_FR");
}

TEST(IcuLocaleName, MapsPosixNamesAndNeverFails) {
  const std::pair<const char*, const char*> cases[] = {
      {"de_DE.UTF-8", "de_DE"},     {"de_DE@euro", "de_DE"},  {"de_DE.ISO-8859-15@euro", "de_DE"},
      {"en-GB", "en_GB"},           {"fr_CA.utf8", "fr_CA"},  {"C", "en_US"},
      {"C.UTF-8", "en_US"},         {"POSIX", "en_US"},       {"", "en_US"},
      {"xx_YY.UTF-8", "en_US"},     {"klingon", "en_US"},     {"de_XX", "de_DE"},
      {"ja", "ja_JP"}, {"de", "de_DE"},              {"../../etc", "en_US"},   {"de_DE;rm", "en_US"},
      {".UTF-8", "en_US"},          {"@euro", "en_US"},       {"_DE", "en_US"},
  };
  for (const auto& [posix, icu] : cases) EXPECT_EQ(icuLocaleName(posix), icu) << posix;
  const std::string garbage(5000, '\xff');
  EXPECT_EQ(icuLocaleName(garbage), "en_US");
}

TEST_F(Environment, SeparatorsAndCurrencyFollowTheirCategories) {
  setOverride("en_US");
  EXPECT_EQ(decimalSeparator(), u".");
  EXPECT_EQ(groupingSeparator(), u",");
  EXPECT_EQ(currencySymbol(), u"$");
  setOverride("");
  ::setenv("LC_NUMERIC", "de_DE", 1);
  ::setenv("LC_MONETARY", "en_GB", 1);
  EXPECT_EQ(decimalSeparator(), u",");
  EXPECT_EQ(groupingSeparator(), u".");
  EXPECT_EQ(currencySymbol(), u"£");
}

TEST_F(Environment, CaseMappingIsUnicodeAndFollowsTheCtypeLocale) {
  setOverride("en_US");
  EXPECT_EQ(toUpper(u"crèche straße"), u"CRÈCHE STRASSE");
  EXPECT_EQ(toLower(u"ÉCOLE ΣΟΦΟΣ"), u"école σοφος");
  EXPECT_EQ(toUpper(u"i"), u"I");
  EXPECT_EQ(toUpper(u""), u"");
  setOverride("tr_TR");
  EXPECT_EQ(toUpper(u"i"), u"İ");
  EXPECT_EQ(toLower(u"I"), u"ı");
}

}  // namespace
}  // namespace platform::locale
