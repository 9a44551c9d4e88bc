#include "apps/carrowind/break_methods.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace carrowind::cli {
namespace {

std::vector<double> equalInterval(const std::vector<double>& sorted, int classes) {
  const double lo = sorted.front(), hi = sorted.back();
  std::vector<double> breaks;
  for (int k = 1; k < classes; ++k) breaks.push_back(lo + (hi - lo) * k / classes);
  breaks.push_back(hi);
  return breaks;
}

std::vector<double> quantile(const std::vector<double>& sorted, int classes) {
  const auto n = sorted.size();
  std::vector<double> breaks;
  for (int k = 1; k <= classes; ++k) {
    auto index = static_cast<std::size_t>(std::ceil(static_cast<double>(k) * n / classes));
    breaks.push_back(sorted[std::clamp<std::size_t>(index, 1, n) - 1]);
  }
  return breaks;
}

// Jenks' optimisation: the partition of the sorted values into classes with
// the least sum of squared deviations within classes. Quadratic in the
// number of values, so large inputs are thinned evenly first (the minimum
// and maximum always stay).
std::vector<double> naturalBreaks(const std::vector<double>& all, int classes) {
  constexpr std::size_t kMaxValues = 3000;
  std::vector<double> v;
  if (all.size() <= kMaxValues) {
    v = all;
  } else {
    for (std::size_t i = 0; i < kMaxValues; ++i) v.push_back(all[i * (all.size() - 1) / (kMaxValues - 1)]);
  }
  const std::size_t n = v.size();
  const auto k = static_cast<std::size_t>(classes);
  // prefix sums give the within-class variance of any run in O(1)
  std::vector<double> s(n + 1, 0.0), s2(n + 1, 0.0);
  for (std::size_t i = 0; i < n; ++i) {
    s[i + 1] = s[i] + v[i];
    s2[i + 1] = s2[i] + v[i] * v[i];
  }
  auto ssd = [&](std::size_t from, std::size_t to) {  // values [from, to)
    const double sum = s[to] - s[from], count = static_cast<double>(to - from);
    return (s2[to] - s2[from]) - sum * sum / count;
  };
  constexpr double inf = std::numeric_limits<double>::infinity();
  // cost[c][i]: best cost of the first i values in c + 1 classes
  std::vector<std::vector<double>> cost(k, std::vector<double>(n + 1, inf));
  std::vector<std::vector<std::size_t>> start(k, std::vector<std::size_t>(n + 1, 0));
  for (std::size_t i = 1; i <= n; ++i) cost[0][i] = ssd(0, i);
  for (std::size_t c = 1; c < k; ++c)
    for (std::size_t i = c + 1; i <= n; ++i)
      for (std::size_t j = c; j < i; ++j) {
        const double candidate = cost[c - 1][j] + ssd(j, i);
        if (candidate < cost[c][i]) {
          cost[c][i] = candidate;
          start[c][i] = j;
        }
      }
  std::vector<double> breaks(k);
  std::size_t end = n;
  for (std::size_t c = k; c-- > 0;) {
    breaks[c] = v[end - 1];
    end = c ? start[c][end] : 0;
  }
  return breaks;
}

}  // namespace

std::optional<BreakMethod> parseBreakMethod(std::string_view name) {
  if (name == "equal-interval") return BreakMethod::EqualInterval;
  if (name == "quantile") return BreakMethod::Quantile;
  if (name == "natural-breaks") return BreakMethod::NaturalBreaks;
  return std::nullopt;
}

std::vector<double> computeBreaks(std::vector<double> values, int classes, BreakMethod method) {
  if (values.empty() || classes < 1) return {};
  std::sort(values.begin(), values.end());
  // never more classes than distinct values
  std::vector<double> unique = values;
  unique.erase(std::unique(unique.begin(), unique.end()), unique.end());
  classes = std::min<int>(classes, static_cast<int>(unique.size()));

  std::vector<double> breaks;
  switch (method) {
    case BreakMethod::EqualInterval: breaks = equalInterval(values, classes); break;
    case BreakMethod::Quantile: breaks = quantile(values, classes); break;
    case BreakMethod::NaturalBreaks: breaks = naturalBreaks(values, classes); break;
  }
  breaks.erase(std::unique(breaks.begin(), breaks.end()), breaks.end());
  return breaks;
}

}  // namespace carrowind::cli
