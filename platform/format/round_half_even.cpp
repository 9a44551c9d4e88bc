// Round to decimal places with exact halves to the even neighbour, on the
// decimal the user sees rather than the binary value behind it.
#include <charconv>
#include <cmath>
#include <string>

#include "platform/format/value_text.h"

namespace platform::format {
namespace {

// Adds one unit in the last place of a digit string ("1.299" -> "1.300").
void incrementLast(std::string& digits) {
  for (std::size_t k = digits.size(); k-- > 0;) {
    char& c = digits[k];
    if (c == '.' || c == '-') continue;
    if (c == '9') {
      c = '0';
      continue;
    }
    ++c;
    return;
  }
  const std::size_t first = digits[0] == '-' ? 1 : 0;
  digits.insert(first, 1, '1');
}

}  // namespace

double roundHalfEven(double value, int places) {
  if (!std::isfinite(value)) return value;
  if (places < 0) places = 0;
  // The shortest text that reads back as the same double: 2.675 stays 2.675
  // here, though the double itself lies a little below it.
  char buffer[400];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed).ptr;
  std::string text(buffer, end);
  const auto point = text.find('.');
  if (point == std::string::npos || text.size() - point - 1 <= static_cast<std::size_t>(places)) return value;
  const std::size_t cut = point + 1 + static_cast<std::size_t>(places);
  const char next = text[cut];
  const bool restNonZero = text.find_first_not_of('0', cut + 1) != std::string::npos;
  std::string kept = text.substr(0, places ? cut : point);
  const char last = kept.back();
  if (next > '5' || (next == '5' && (restNonZero || (last - '0') % 2 == 1))) incrementLast(kept);
  double result = 0;
  std::from_chars(kept.data(), kept.data() + kept.size(), result);
  return result == 0 ? 0.0 : result;  // no negative zero in labels
}

}  // namespace platform::format
