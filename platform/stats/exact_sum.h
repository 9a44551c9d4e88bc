#pragma once
// The sum of many doubles without rounding error: the numbers are kept as a
// short list of non-overlapping partial sums (Shewchuk's expansions), and
// the total is rounded once when asked for. The result is the exact sum
// correctly rounded, whatever order the numbers came in, so two walks that
// meet the same records in another order give the same digits.
#include <cmath>
#include <span>
#include <vector>

namespace platform::stats {

class ExactSum {
 public:
  void add(double x) {
    if (!std::isfinite(x)) {
      nonFinite_ += x;
      return;
    }
    double* p = data();
    std::size_t kept = 0;
    for (std::size_t i = 0; i < size_; ++i) {
      double y = p[i];
      if (std::fabs(x) < std::fabs(y)) std::swap(x, y);
      const double hi = x + y;
      const double lo = y - (hi - x);
      if (lo != 0) p[kept++] = lo;
      x = hi;
    }
    truncate(kept);
    push(x);
  }

  void add(const ExactSum& other) {
    for (double p : other.partials()) add(p);
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
    const auto partials = this->partials();
    std::size_t n = partials.size();
    if (n == 0) return 0.0;
    double hi = partials[--n], lo = 0;
    while (n > 0) {
      const double x = hi, y = partials[--n];
      hi = x + y;
      lo = y - (hi - x);
      if (lo != 0) break;
    }
    // hi + lo is a tie only if the partials below push it one way.
    if (n > 0 && ((lo < 0 && partials[n - 1] < 0) || (lo > 0 && partials[n - 1] > 0))) {
      const double y = lo * 2, x = hi + y;
      if (y == x - hi) hi = x;
    }
    return hi;
  }

  // Increasing magnitude, non-overlapping.
  std::span<const double> partials() const { return {spilled() ? heap_.data() : inline_, size_}; }

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

  // A sum of ordinary numbers rarely needs more than two partials: they
  // live in the object, and only a long list goes to the heap (walks keep
  // thousands of sums and touch one per record).
  static constexpr std::size_t kInline = 4;
  bool spilled() const { return !heap_.empty(); }
  double* data() { return spilled() ? heap_.data() : inline_; }
  void truncate(std::size_t n) {
    size_ = n;
    if (spilled()) heap_.resize(n > 0 ? n : 1);  // keeps the list on the heap, as data() expects
  }
  void push(double v) {
    if (!spilled() && size_ < kInline) {
      inline_[size_++] = v;
      return;
    }
    if (!spilled()) heap_.assign(inline_, inline_ + size_);
    heap_.resize(size_);
    heap_.push_back(v);
    size_ = heap_.size();
  }

  double inline_[kInline] = {};
  std::vector<double> heap_;
  std::size_t size_ = 0;
  double nonFinite_ = 0;  // infinities and NaNs, which have no partials
};

}  // namespace platform::stats
