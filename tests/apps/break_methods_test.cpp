#include "apps/carrowind/break_methods.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

namespace carrowind::cli {
namespace {

TEST(BreakMethods, EqualIntervalSplitsTheRangeEvenly) {
  EXPECT_EQ(computeBreaks({10, 0, 5, 2, 7}, 5, BreakMethod::EqualInterval), (std::vector<double>{2, 4, 6, 8, 10}));
}

TEST(BreakMethods, QuantileGivesClassesOfEqualCount) {
  std::vector<double> v(100);
  std::iota(v.begin(), v.end(), 1.0);
  EXPECT_EQ(computeBreaks(v, 4, BreakMethod::Quantile), (std::vector<double>{25, 50, 75, 100}));
}

TEST(BreakMethods, NaturalBreaksFindsTheGapsBetweenClusters) {
  std::vector<double> v{1, 2, 3, 2, 1, 50, 52, 51, 100, 101, 99};
  EXPECT_EQ(computeBreaks(v, 3, BreakMethod::NaturalBreaks), (std::vector<double>{3, 52, 101}));
}

TEST(BreakMethods, NeverMoreClassesThanDistinctValuesAndAlwaysEndAtTheMaximum) {
  for (auto method : {BreakMethod::EqualInterval, BreakMethod::Quantile, BreakMethod::NaturalBreaks}) {
    auto breaks = computeBreaks({4, 4, 4, 9, 9}, 5, method);
    ASSERT_FALSE(breaks.empty());
    EXPECT_LE(breaks.size(), 2u);
    EXPECT_EQ(breaks.back(), 9);
    EXPECT_TRUE(std::is_sorted(breaks.begin(), breaks.end()));
    EXPECT_EQ(std::adjacent_find(breaks.begin(), breaks.end()), breaks.end());
  }
  EXPECT_TRUE(computeBreaks({}, 3, BreakMethod::Quantile).empty());
  EXPECT_EQ(computeBreaks({7}, 3, BreakMethod::NaturalBreaks), std::vector<double>{7});
}

TEST(BreakMethods, NaturalBreaksThinsLargeInputsButKeepsTheExtremes) {
  std::vector<double> v;
  for (int i = 0; i < 20000; ++i) v.push_back(i % 2 ? 1000.0 + i % 97 : i % 89);
  auto breaks = computeBreaks(v, 2, BreakMethod::NaturalBreaks);
  ASSERT_EQ(breaks.size(), 2u);
  EXPECT_EQ(breaks.back(), *std::max_element(v.begin(), v.end()));
  EXPECT_LT(breaks.front(), 1000.0);
}

TEST(BreakMethods, MethodNames) {
  EXPECT_EQ(parseBreakMethod("quantile"), BreakMethod::Quantile);
  EXPECT_EQ(parseBreakMethod("natural-breaks"), BreakMethod::NaturalBreaks);
  EXPECT_FALSE(parseBreakMethod("Quantile"));
}

}  // namespace
}  // namespace carrowind::cli
