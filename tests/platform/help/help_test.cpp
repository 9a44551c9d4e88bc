#include "platform/help/help.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "platform/scripted_ui/scripted_ui.h"
#include "tests/common/scratch_dir.h"

namespace fs = std::filesystem;
namespace help = platform::help;
namespace mb = platform::messagebox;

namespace {

class HelpDirs : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = test_support::scratchDir("cw_help_");
    empty_ = root_ / "empty";
    installed_ = root_ / "share" / "carrowind" / "help";
    fs::create_directories(empty_);
    fs::create_directories(installed_ / "topics");
    write(installed_ / "index.html");
    write(installed_ / "statements.html");
    write(installed_ / "topics" / "round.html");
  }
  void TearDown() override { fs::remove_all(root_); }

  static void write(const fs::path& p) { std::ofstream(p) << "<html></html>"; }

  std::vector<fs::path> dirs() const { return {empty_, installed_}; }

  fs::path root_, empty_, installed_;
};

std::string readAll(const fs::path& p) {
  std::ifstream in(p);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST_F(HelpDirs, TheOriginalHelpFilesOpenTheIndexWhateverTheirCaseOrFolder) {
  for (std::u16string_view name : {u"CarrowindLabelTool.chm", u"carrowindlabeltool.CHM",
                                   u"C:\\Program Files\\Quorvex\\CarrowindLabelTool.chm",
                                   u"CarrowindLabelToolDialogHelp.hlp"}) {
    const auto page = help::resolve(name, dirs());
    ASSERT_TRUE(page) << std::string(name.begin(), name.end());
    EXPECT_EQ(page->file, installed_ / "index.html");
    EXPECT_EQ(page->helpFile, name);
    EXPECT_TRUE(page->anchor.empty());
  }
}

TEST_F(HelpDirs, TopicsAndPagesOfTheHelpItself) {
  auto page = help::resolve(u"CarrowindLabelTool.chm::/statements.html#round", dirs());
  ASSERT_TRUE(page);
  EXPECT_EQ(page->file, installed_ / "statements.html");
  EXPECT_EQ(page->anchor, u"round");

  page = help::resolve(u"CarrowindLabelTool.chm::topics\\round.html", dirs());
  ASSERT_TRUE(page);
  EXPECT_EQ(page->file, installed_ / "topics" / "round.html");

  page = help::resolve(u"statements.html", dirs());
  ASSERT_TRUE(page);
  EXPECT_EQ(page->file, installed_ / "statements.html");
}

TEST_F(HelpDirs, NothingOutsideTheHelpAndNoUnknownFiles) {
  write(root_ / "secret.html");
  EXPECT_FALSE(help::resolve(u"CarrowindLabelTool.chm::/../../../secret.html", dirs()));
  EXPECT_FALSE(help::resolve(u"CarrowindLabelTool.chm::/topics/../../../../secret.html", dirs()));
  EXPECT_FALSE(help::resolve(u"Other.chm", dirs()));
  EXPECT_FALSE(help::resolve(u"Other.chm::/index.html", dirs()));
  EXPECT_FALSE(help::resolve(u"CarrowindLabelTool.chm::/missing.html", dirs()));
  EXPECT_FALSE(help::resolve(u"", dirs()));
}

TEST_F(HelpDirs, TheFirstDirectoryHoldingThePageWins) {
  const fs::path source = root_ / "source";
  fs::create_directories(source);
  write(source / "index.html");
  EXPECT_EQ(help::resolve(u"CarrowindLabelTool.chm", {empty_, installed_, source})->file, installed_ / "index.html");
  EXPECT_EQ(help::resolve(u"CarrowindLabelTool.chm", {source, installed_})->file, source / "index.html");
  EXPECT_FALSE(help::resolve(u"CarrowindLabelTool.chm", {empty_}));
  EXPECT_FALSE(help::resolve(u"CarrowindLabelTool.chm", {}));
}

TEST(HelpSearch, InstalledPlacesComeBeforeTheSourceTree) {
  const auto dirs = help::searchDirectories();
  ASSERT_GE(dirs.size(), 2u);
  EXPECT_EQ(dirs.back(), (fs::path(CW_SOURCE_DIR) / "docs" / "help").lexically_normal());
  EXPECT_EQ(dirs.front().filename(), "help");
  EXPECT_EQ(dirs.front().parent_path().filename(), "carrowind");
}

TEST(HelpShow, OpensTheIndexOfOurOwnHelp) {
  platform::scripted_ui::ScriptedUi ui;
  EXPECT_TRUE(help::showHelp(u"CarrowindLabelTool.chm"));
  ASSERT_EQ(ui.helpPages().size(), 1u);
  EXPECT_EQ(ui.helpPages()[0].file.filename(), "index.html");
  EXPECT_TRUE(fs::is_regular_file(ui.helpPages()[0].file));
  EXPECT_TRUE(ui.messages().empty());
}

TEST(HelpShow, MissingHelpOrAFailingBrowserIsSaidInAMessage) {
  platform::scripted_ui::ScriptedUi ui;
  EXPECT_FALSE(help::showHelp(u"Nowhere.chm"));
  EXPECT_TRUE(ui.helpPages().empty());
  ASSERT_EQ(ui.messages().size(), 1u);
  EXPECT_EQ(ui.messages()[0].request.title, help::kHelpTitle);
  EXPECT_EQ(ui.messages()[0].request.text, help::missingHelpMessage(u"Nowhere.chm"));
  EXPECT_NE(ui.messages()[0].request.text.find(u"Nowhere.chm"), std::u16string::npos);
  EXPECT_EQ(ui.messages()[0].request.icon, mb::Icon::Exclamation);

  ui.clearRecords();
  ui.helpSucceeds(false);
  EXPECT_FALSE(help::showHelp(u"CarrowindLabelTool.chm"));
  EXPECT_EQ(ui.helpPages().size(), 1u);
  ASSERT_EQ(ui.messages().size(), 1u);
  EXPECT_NE(ui.messages()[0].request.text.find(u"index.html"), std::u16string::npos);
}

// Every link between the help's pages leads to a page and an anchor that exist.
TEST(HelpPages, EveryLinkArrives) {
  const fs::path dir = fs::path(CW_SOURCE_DIR) / "docs" / "help";
  const std::regex href(R"re(href="([^"]*)")re");
  const std::regex id(R"re(id="([^"]*)")re");
  std::map<std::string, std::set<std::string>> anchors;
  std::vector<fs::path> pages;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().extension() != ".html") continue;
    pages.push_back(entry.path());
    const std::string html = readAll(entry.path());
    auto& ids = anchors[entry.path().filename().string()];
    for (std::sregex_iterator m(html.begin(), html.end(), id), end; m != end; ++m) ids.insert((*m)[1]);
  }
  ASSERT_GT(pages.size(), 1u);
  ASSERT_TRUE(anchors.count("index.html"));
  std::set<std::string> reached{"index.html"};
  for (const auto& page : pages) {
    const std::string html = readAll(page);
    for (std::sregex_iterator m(html.begin(), html.end(), href), end; m != end; ++m) {
      std::string link = (*m)[1];
      if (link.rfind("http", 0) == 0 || link.rfind("mailto:", 0) == 0) continue;
      const auto hash = link.find('#');
      std::string file = link.substr(0, hash);
      const std::string anchor = hash == std::string::npos ? "" : link.substr(hash + 1);
      if (file.empty()) file = page.filename().string();
      if (fs::path(file).extension() != ".html") {
        EXPECT_TRUE(fs::is_regular_file(dir / file)) << page.filename() << " links to missing " << link;
        continue;
      }
      ASSERT_TRUE(anchors.count(file)) << page.filename() << " links to missing " << link;
      if (!anchor.empty()) {
        EXPECT_TRUE(anchors[file].count(anchor)) << page.filename() << " links to missing " << link;
      }
      reached.insert(file);
    }
  }
  for (const auto& [file, ids] : anchors) EXPECT_TRUE(reached.count(file)) << file << " is linked from no page";
}

}  // namespace
