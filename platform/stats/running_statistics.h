#pragma once
// Count, minimum, maximum, sum, mean and population standard deviation of a
// stream of numbers in one pass. The host's statistics object and the
// labeler's one-walk summaries both use this. Sums are exact until rounded
// once at the end, so the same numbers give the same digits in any order:
// a query per class and one walk over the layer may meet a class's records
// in different orders (an index returns them by value).
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "platform/stats/exact_sum.h"

namespace platform::stats {

// Whether the record at position (from 0) of a walk is read at a sampling
// rate: -1, 0 or 1 read every record, n > 1 every n-th from the first.
inline bool inSample(std::int64_t position, std::int32_t rate) { return rate <= 1 || position % rate == 0; }

class RunningStatistics {
 public:
  // spread false leaves out what only the standard deviation needs (it is
  // then not to be asked for); the other numbers come out the same.
  void add(double x, bool spread = true) {
    if (count_ == 0 || x < min_) min_ = x;
    if (count_ == 0 || x > max_) max_ = x;
    ++count_;
    sum_.add(x);
    if (spread) squares_.addProduct(x, x);
  }

  std::int32_t count() const { return count_; }
  // Zero for every number while nothing was added.
  double minimum() const { return min_; }
  double maximum() const { return max_; }
  double sum() const { return sum_.value(); }
  double mean() const { return count_ ? sum() / count_ : 0.0; }
  double standardDeviation() const {
    if (count_ == 0) return 0.0;
    // The sum of squared deviations from the (rounded) mean m is exactly
    // squares - 2 m sum + n m^2 for any m; computed on the exact sums it
    // suffers no cancellation, however large the values against their spread.
    const double m = mean();
    ExactSum deviations = squares_;
    for (double s : sum_.partials()) deviations.addProduct(-2 * m, s);
    ExactSum square;
    square.addProduct(m, m);
    for (double part : square.partials()) deviations.addProduct(static_cast<double>(count_), part);
    return std::sqrt(std::max(deviations.value(), 0.0) / count_);
  }

 private:
  std::int32_t count_ = 0;
  double min_ = 0, max_ = 0;
  ExactSum sum_, squares_;
};

}  // namespace platform::stats
