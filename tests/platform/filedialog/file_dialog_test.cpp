#include "platform/filedialog/file_dialog.h"

#include <gtest/gtest.h>

namespace fd = platform::filedialog;

namespace {

constexpr char16_t kExpressionFilter[] = u"Quorvex Symbol Label Expression (*.exp)|*.exp;|All Files(*.*)|*.*;|";

std::vector<std::u16string> converted(std::u16string_view filter) {
  return fd::toNameFilters(fd::parseFilter(filter));
}

// Installs a handler for one test and puts the old one back.
class HandlerScope {
 public:
  explicit HandlerScope(fd::Handler h) : previous_(fd::setHandler(std::move(h))) {}
  ~HandlerScope() { fd::setHandler(std::move(previous_)); }

 private:
  fd::Handler previous_;
};

}  // namespace

TEST(FileDialogFilter, SplitsTheDialogsOwnFiltersIntoPairs) {
  const auto filters = fd::parseFilter(kExpressionFilter);
  ASSERT_EQ(filters.size(), 2u);
  EXPECT_EQ(filters[0].description, u"Quorvex Symbol Label Expression (*.exp)");
  EXPECT_EQ(filters[0].patterns, std::vector<std::u16string>{u"*.exp"});
  EXPECT_EQ(filters[1].description, u"All Files(*.*)");
  EXPECT_EQ(filters[1].patterns, std::vector<std::u16string>{u"*.*"});

  const auto text = fd::parseFilter(u"Text Document (*.txt)|*.txt;|All Files(*.*)|*.*;|");
  ASSERT_EQ(text.size(), 2u);
  EXPECT_EQ(text[0].patterns, std::vector<std::u16string>{u"*.txt"});
}

TEST(FileDialogFilter, SeveralPatternsBlanksAndLooseEnds) {
  const auto filters = fd::parseFilter(u"Images| *.png ; *.jpg ;;|Nothing||Dangling");
  ASSERT_EQ(filters.size(), 1u) << "a pair without patterns and a description without a pair are dropped";
  EXPECT_EQ(filters[0].patterns, (std::vector<std::u16string>{u"*.png", u"*.jpg"}));
  EXPECT_TRUE(fd::parseFilter(u"").empty());
  EXPECT_TRUE(fd::parseFilter(u"|").empty());
  // Without a trailing bar the last pair still counts.
  EXPECT_EQ(fd::parseFilter(u"Maps|*.json").size(), 1u);
}

TEST(FileDialogFilter, QtNameFiltersShowEachPatternOnce) {
  EXPECT_EQ(converted(kExpressionFilter),
            (std::vector<std::u16string>{u"Quorvex Symbol Label Expression (*.exp)", u"All Files (*)"}));
  EXPECT_EQ(converted(u"Both (*.a;*.b)|*.a;*.b|"), std::vector<std::u16string>{u"Both (*.a *.b)"});
  EXPECT_EQ(converted(u"Images|*.png;*.jpg|"), std::vector<std::u16string>{u"Images (*.png *.jpg)"});
}

TEST(FileDialogFilter, ParenthesesThatAreNotPatternsStay) {
  EXPECT_EQ(converted(u"Text (UTF-8)|*.txt|"), std::vector<std::u16string>{u"Text (UTF-8) (*.txt)"});
  EXPECT_EQ(converted(u"|*.exp|"), std::vector<std::u16string>{u"*.exp"});
}

TEST(FileDialogDefaultExtension, AddedOnlyWhenTheNameHasNone) {
  EXPECT_EQ(fd::withDefaultExtension("/tmp/labels", u"exp"), std::filesystem::path("/tmp/labels.exp"));
  EXPECT_EQ(fd::withDefaultExtension("/tmp/labels", u".exp"), std::filesystem::path("/tmp/labels.exp"));
  EXPECT_EQ(fd::withDefaultExtension("/tmp/labels.txt", u"exp"), std::filesystem::path("/tmp/labels.txt"));
  EXPECT_EQ(fd::withDefaultExtension("/tmp/labels", u""), std::filesystem::path("/tmp/labels"));
  EXPECT_EQ(fd::withDefaultExtension("/tmp/dir/", u"exp"), std::filesystem::path("/tmp/dir/"));
}

TEST(FileDialogSeam, HandlerSeesTheRequestAndItsAnswerGetsTheExtension) {
  fd::Request seen;
  HandlerScope scope([&seen](const fd::Request& r) -> std::optional<std::filesystem::path> {
    seen = r;
    return std::filesystem::path("/data/roads");
  });
  const auto chosen = fd::getSaveFileName(u"Save Expression", kExpressionFilter, u"exp", "/data");
  ASSERT_TRUE(chosen);
  EXPECT_EQ(*chosen, std::filesystem::path("/data/roads.exp"));
  EXPECT_EQ(seen.mode, fd::Mode::Save);
  EXPECT_EQ(seen.title, u"Save Expression");
  EXPECT_EQ(seen.filter, kExpressionFilter);
  EXPECT_EQ(seen.initialPath, std::filesystem::path("/data"));
  EXPECT_TRUE(seen.overwritePrompt);

  EXPECT_EQ(fd::getOpenFileName(u"Load", kExpressionFilter).value(), std::filesystem::path("/data/roads"));
  EXPECT_EQ(seen.mode, fd::Mode::Open);
  EXPECT_TRUE(seen.fileMustExist);
}

TEST(FileDialogSeam, CancelAndEmptyAnswersAreNoFile) {
  {
    HandlerScope scope([](const fd::Request&) { return std::optional<std::filesystem::path>(); });
    EXPECT_FALSE(fd::getOpenFileName(u"Load", kExpressionFilter, u"exp"));
  }
  {
    HandlerScope scope([](const fd::Request&) { return std::optional<std::filesystem::path>(""); });
    EXPECT_FALSE(fd::getSaveFileName(u"Save", kExpressionFilter, u"exp"));
  }
}
