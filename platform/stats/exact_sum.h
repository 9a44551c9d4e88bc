#pragma once
// The sum of many doubles without rounding error: the numbers are kept as a
// short list of non-overlapping partial sums (Shewchuk's expansions), and
// the total is rounded once when asked for. The result is the exact sum
// correctly rounded, whatever order the numbers came in, so two walks that
// meet the same records in another order give the same digits.
#include <cmath>
#include <vector>

namespace platform::stats {

class ExactSum {
 public:
  void add(double x) {
    if (!std::isfinite(x)) {
      nonFinite_ += x;
      return;
    }
    if (partials_.size() == 1) {
      // The usual case, the loop below for one partial without resizing.
      double y = partials_[0];
      if (std::fabs(x) < std::fabs(y)) std::swap(x, y);
      const double hi = x + y;
      const double lo = y - (hi - x);
      if (lo == 0) {
        partials_[0] = hi;
      } else {
        partials_[0] = lo;
        partials_.push_back(hi);
      }
      return;
    }
    std::size_t kept = 0;
    for (double y : partials_) {
      if (std::fabs(x) < std::fabs(y)) std::swap(x, y);
      const double hi = x + y;
      const double lo = y - (hi - x);
      if (lo != 0) partials_[kept++] = lo;
      x = hi;
    }
    partials_.resize(kept);
    partials_.push_back(x);
  }

  void add(const ExactSum& other) {
    for (double p : other.partials_) add(p);
    nonFinite_ += other.nonFinite_;
  }

  // The exact product a * b as hi + lo, added.
  void addProduct(double a, double b) {
    const double hi = a * b;
    add(hi);
    if (std::isfinite(hi)) add(productError(a, b, hi));
  }

  // The exact sum, rounded half to even.
  double value() const {
    if (nonFinite_ != 0) return nonFinite_;  // NaN too
    std::size_t n = partials_.size();
    if (n == 0) return 0.0;
    double hi = partials_[--n], lo = 0;
    while (n > 0) {
      const double x = hi, y = partials_[--n];
      hi = x + y;
      lo = y - (hi - x);
      if (lo != 0) break;
    }
    // hi + lo is a tie only if the partials below push it one way.
    if (n > 0 && ((lo < 0 && partials_[n - 1] < 0) || (lo > 0 && partials_[n - 1] > 0))) {
      const double y = lo * 2, x = hi + y;
      if (y == x - hi) hi = x;
    }
    return hi;
  }

  const std::vector<double>& partials() const { return partials_; }

 private:
  // a * b - hi, exactly (hi the rounded product).
  static double productError(double a, double b, double hi) {
#ifdef FP_FAST_FMA
    return std::fma(a, b, -hi);
#else
    // Dekker's product: each factor split into halves whose products are exact.
    auto split = [](double v, double& high, double& low) {
      const double c = 134217729.0 * v;  // 2^27 + 1
      high = c - (c - v);
      low = v - high;
    };
    double ah, al, bh, bl;
    split(a, ah, al);
    split(b, bh, bl);
    return ((ah * bh - hi) + ah * bl + al * bh) + al * bl;
#endif
  }

  std::vector<double> partials_;  // increasing magnitude, non-overlapping
  double nonFinite_ = 0;          // infinities and NaNs, which have no partials
};

}  // namespace platform::stats
