// Quick picks in the registry: names, one-line expressions, the list that
// decides what exists, the export text, and saves from two programs at once.
#include "support/quick_pick_store.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "platform/registry/store.h"
#include "tests/platform/registry/store_conditions.h"
#include "support/basRegistry.h"
#include "tests/common/scratch_dir.h"

namespace support::quickpicks {
namespace {

namespace fs = std::filesystem;
using registry::HKEY_CURRENT_USER;

class QuickPicks : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = test_support::scratchDir("cw_picks_");
    registry::setStorePath(dir / "registry.db");
  }
  void TearDown() override {
    registry::setStorePath({});
    fs::remove_all(dir);
  }
  static void install() { basRegistry::CreateKey(HKEY_CURRENT_USER, kProductKey); }
  static com::Variant stored(std::u16string_view name) {
    return basRegistry::ReadSetting(HKEY_CURRENT_USER, kQuickPicksKey, name);
  }
  static std::u16string list() { return basRegistry::SettingText(stored(kListValue)); }
  fs::path dir;
};

TEST(QuickPickText, NamesAndExpressionsAsStored) {
  const std::pair<std::u16string, std::u16string> names[] = {
      {u"  Acres, by use ", u"Acres  by use"}, {u"name,", u"name"}, {u",x", u"x"}, {u" a , ", u"a"}, {u"   ", u""}};
  for (const auto& [typed, clean] : names) EXPECT_EQ(cleanName(typed), clean);
  const std::pair<std::u16string, std::u16string> expressions[] = {
      {u"[USE].First\r\n[ACRES].Sum", u"[USE].First [ACRES].Sum"},
      {u"a\nb\rc\r\n\r\nd", u"a b c  d"},
      {u"  [A].First  \r\n", u"[A].First"},
      {u"\r\n", u""}};
  for (const auto& [typed, kept] : expressions) EXPECT_EQ(storedExpression(typed), kept);
  EXPECT_TRUE(sameName(u"Größe", u"GRÖSSE"));
  EXPECT_FALSE(sameName(u"Acres", u"Acres "));
}

TEST_F(QuickPicks, NothingIsSavedWithoutTheProductKey) {
  EXPECT_EQ(save(u"Acres", u"[ACRES].Sum", false), SaveResult::NoProductKey);
  EXPECT_FALSE(basRegistry::KeyExists(HKEY_CURRENT_USER, u"Software\\Quorvex"));
  EXPECT_TRUE(names().empty());
}

TEST_F(QuickPicks, SavingUpdatingAndDeleting) {
  install();
  EXPECT_EQ(save(u"Acres", u"[ACRES].Sum\r\nac.", false), SaveResult::Saved);
  EXPECT_EQ(list(), u"Acres");
  EXPECT_EQ(save(u"Use", u"[USE].First", false), SaveResult::Saved);
  EXPECT_EQ(save(u"ACRES", u"other", false), SaveResult::Exists);
  EXPECT_EQ(expression(u"acres"), u"[ACRES].Sum ac.");
  EXPECT_EQ(save(u"ACRES", u"[ACRES].Sum.Round(0)", true), SaveResult::Updated);
  EXPECT_EQ(list(), u"Acres,Use");  // no second entry, the first spelling kept
  EXPECT_EQ(expression(u"Acres"), u"[ACRES].Sum.Round(0)");
  EXPECT_EQ(findName(u"use"), u"Use");

  EXPECT_EQ(remove(u"nope"), DeleteResult::NotFound);
  EXPECT_EQ(remove(u"ACRES"), DeleteResult::Deleted);
  EXPECT_EQ(list(), u"Use");
  EXPECT_EQ(stored(u"Acres"), com::Variant(u""));
  EXPECT_EQ(remove(u"Use"), DeleteResult::Deleted);
  EXPECT_TRUE(basRegistry::KeyExists(HKEY_CURRENT_USER, kQuickPicksKey));
  EXPECT_EQ(stored(kListValue), com::Variant(u""));  // an empty list, still present
}

TEST_F(QuickPicks, ANumberIsStoredAsOneOnlyWhenItGivesTheExpressionBack) {
  install();
  const std::pair<std::u16string, com::Variant::Kind> cases[] = {
      {u"7", com::Variant::Kind::Int32},     {u"-3", com::Variant::Kind::Int32},
      {u"007", com::Variant::Kind::Text},    {u"12.5", com::Variant::Kind::Text},
      {u"+7", com::Variant::Kind::Text},     {u"1e3", com::Variant::Kind::Text},
      {u"-0", com::Variant::Kind::Text},     {u"2147483648", com::Variant::Kind::Text},
      {u"\u0137", com::Variant::Kind::Text},
  };
  for (const auto& [expr, kind] : cases) {
    SCOPED_TRACE(std::string(expr.begin(), expr.end()));
    const SaveResult expected = names().empty() ? SaveResult::Saved : SaveResult::Updated;
    ASSERT_EQ(save(u"n", expr, true), expected);
    EXPECT_EQ(stored(u"n").kind(), kind);
    EXPECT_EQ(expression(u"n"), expr);
  }
  // A pick stored as a number elsewhere reads as its decimal text.
  basRegistry::WriteSetting(HKEY_CURRENT_USER, kQuickPicksKey, u"n", 42);
  EXPECT_EQ(expression(u"n"), u"42");
}

TEST_F(QuickPicks, APickTheStoreRefusesIsNeitherListedNorReportedSaved) {
  install();
  ASSERT_EQ(save(u"Acres", u"[ACRES].Sum", false), SaveResult::Saved);
  // The store refuses value names beyond its limit.
  const std::u16string tooLong(20000, u'n');
  EXPECT_EQ(save(tooLong, u"[USE].First", false), SaveResult::Failed);
  EXPECT_EQ(list(), u"Acres");
  EXPECT_EQ(remove(tooLong), DeleteResult::NotFound);
  EXPECT_EQ(expression(u"Acres"), u"[ACRES].Sum");
}

// Why a save failed reaches the user: a full disk is a full disk, and the
// name the list is kept under is refused before anything is written.
TEST_F(QuickPicks, AFailedSaveSaysWhy) {
  install();
  ASSERT_EQ(save(u"Acres", u"[ACRES].Sum", false), SaveResult::Saved);
  EXPECT_EQ(lastFailure(), registry::ERROR_SUCCESS);
  for (const std::u16string name : {u"QuickPickList", u"quickpicklist"}) {
    EXPECT_EQ(save(name, u"[X].Sum", true), SaveResult::ReservedName);
    EXPECT_EQ(list(), u"Acres");
  }

  ASSERT_TRUE(registry::testing::fillStore());
  const std::u16string big(4000, u'x');
  bool full = false;
  // Pages already there take a few small values; the store runs out soon.
  for (int i = 0; i < 200 && !full; ++i) {
    const auto result = save(u"P" + std::u16string(1, static_cast<char16_t>(u'a' + i % 26)) + std::u16string(i / 26, u'z'),
                             big, false);
    full = result == SaveResult::Failed;
  }
  ASSERT_TRUE(full);
  EXPECT_EQ(lastFailure(), registry::ERROR_DISK_FULL);
  EXPECT_NE(registry::describeFailure(lastFailure()).find("the disk is full"), std::string::npos);
  EXPECT_EQ(expression(u"Acres"), u"[ACRES].Sum");
}

TEST_F(QuickPicks, TheListDecidesWhatExists) {
  install();
  basRegistry::CreateKey(HKEY_CURRENT_USER, kQuickPicksKey);
  basRegistry::WriteSetting(HKEY_CURRENT_USER, kQuickPicksKey, u"Hidden", u"[X].First");
  basRegistry::WriteSetting(HKEY_CURRENT_USER, kQuickPicksKey, kListValue, u"B,,A,");
  EXPECT_EQ(names(), (std::vector<std::u16string>{u"B", u"A"}));
  EXPECT_FALSE(findName(u"Hidden"));
}

TEST_F(QuickPicks, TheExportTextEndsWithTheCurrentExpression) {
  install();
  save(u"A", u"[A].First", false);
  save(u"B", u"7", false);
  EXPECT_EQ(exportText(u"[C].Last"), u"A:\r\n[A].First\r\nB:\r\n7\r\n[C].Last");
  EXPECT_EQ(exportText(u""), u"A:\r\n[A].First\r\nB:\r\n7\r\n");
}

TEST_F(QuickPicks, TwoProgramsSavingAtOnceBothLand) {
  install();
  registry::setStorePath(dir / "registry.db");  // children open their own connection
  constexpr int kEach = 25;
  pid_t children[2];
  for (int c = 0; c < 2; ++c) {
    children[c] = ::fork();
    if (children[c] == 0) {
      for (int i = 0; i < kEach; ++i) {
        const std::string name = "p" + std::to_string(c) + "_" + std::to_string(i);
        if (save(std::u16string(name.begin(), name.end()), u"[X].First", false) != SaveResult::Saved) _exit(1);
      }
      _exit(0);
    }
  }
  for (pid_t child : children) {
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  EXPECT_EQ(names().size(), 2u * kEach);
}

}  // namespace
}  // namespace support::quickpicks
