#include "platform/stats/running_statistics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

namespace {

using platform::stats::ExactSum;
using platform::stats::RunningStatistics;

TEST(ExactSum, IsTheCorrectlyRoundedSumInAnyOrder) {
  // Plain addition loses the 1 and the 0.1s depending on the order.
  std::vector<double> v = {1e16, 1.0, -1e16, 0.1, 0.1, 0.1, 1e-300, 3.1428920976928216, -7.25e15};
  double reference = 0;
  {
    ExactSum s;
    for (double x : v) s.add(x);
    reference = s.value();
  }
  EXPECT_EQ(reference, 1.0 + 0.30000000000000004 + 3.1428920976928216 - 7.25e15);
  std::mt19937 random(5);
  for (int round = 0; round < 50; ++round) {
    std::shuffle(v.begin(), v.end(), random);
    ExactSum s;
    for (double x : v) s.add(x);
    EXPECT_EQ(s.value(), reference);
  }
  ExactSum ties;  // exactly between two doubles: rounded to the even one
  ties.add(1.0);
  ties.add(std::ldexp(1.0, -53));
  EXPECT_EQ(ties.value(), 1.0);
  ties.add(std::ldexp(1.0, -100));
  EXPECT_EQ(ties.value(), std::nextafter(1.0, 2.0));
}

TEST(ExactSum, ProductsAndNonFiniteNumbers) {
  ExactSum s;
  s.addProduct(0.1, 0.1);
  s.add(-0.010000000000000002);  // the rounded product
  EXPECT_NE(s.value(), 0.0);       // what rounding dropped is kept
  EXPECT_LT(std::fabs(s.value()), 1e-18);
  ExactSum inf;
  inf.add(1);
  inf.add(INFINITY);
  EXPECT_EQ(inf.value(), INFINITY);
  inf.add(-INFINITY);
  EXPECT_TRUE(std::isnan(inf.value()));
}

TEST(RunningStatistics, SameDigitsInEveryOrderAndNoCancellation) {
  std::vector<double> v;
  std::mt19937 random(11);
  for (int i = 0; i < 5000; ++i) v.push_back(1e9 + static_cast<double>(random() % 1000) / 100.0);
  RunningStatistics first;
  for (double x : v) first.add(x);
  std::shuffle(v.begin(), v.end(), random);
  RunningStatistics second;
  for (double x : v) second.add(x);
  EXPECT_EQ(first.sum(), second.sum());
  EXPECT_EQ(first.mean(), second.mean());
  EXPECT_EQ(first.standardDeviation(), second.standardDeviation());
  // Against a careful two-pass computation in long double.
  long double mean = 0;
  for (double x : v) mean += x;
  mean /= v.size();
  long double squares = 0;
  for (double x : v) squares += (x - mean) * (x - mean);
  EXPECT_NEAR(first.standardDeviation(), std::sqrt(static_cast<double>(squares / v.size())), 1e-9);
  EXPECT_EQ(first.count(), 5000);
  EXPECT_EQ(first.minimum(), *std::min_element(v.begin(), v.end()));
  EXPECT_EQ(first.maximum(), *std::max_element(v.begin(), v.end()));
}

TEST(RunningStatistics, NothingAddedGivesZerosAndOneValueNoSpread) {
  RunningStatistics none;
  EXPECT_EQ(none.sum(), 0);
  EXPECT_EQ(none.mean(), 0);
  EXPECT_EQ(none.standardDeviation(), 0);
  RunningStatistics one;
  one.add(-2.5);
  EXPECT_EQ(one.mean(), -2.5);
  EXPECT_EQ(one.standardDeviation(), 0);
  EXPECT_TRUE(platform::stats::inSample(0, 10));
  EXPECT_FALSE(platform::stats::inSample(9, 10));
  EXPECT_TRUE(platform::stats::inSample(9, -1));
}

}  // namespace
