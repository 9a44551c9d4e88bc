#pragma once
// Choosing class breaks for a numeric field, as a desktop GIS offers them.
#include <string_view>
#include <optional>
#include <vector>

namespace carrowind::cli {

enum class BreakMethod { EqualInterval, Quantile, NaturalBreaks };

std::optional<BreakMethod> parseBreakMethod(std::string_view name);

// The upper bounds of at most `classes` classes over values (in any order;
// no NaNs). The last bound is the maximum; bounds rise strictly, so fewer
// classes come back when the values do not support that many. Empty values
// give no breaks.
std::vector<double> computeBreaks(std::vector<double> values, int classes, BreakMethod method);

}  // namespace carrowind::cli
