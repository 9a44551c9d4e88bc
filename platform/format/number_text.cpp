// The general conversion's number text.
#include <charconv>
#include <cmath>

#include "platform/format/icu_text.h"
#include "platform/format/value_text.h"

namespace platform::format {

std::u16string withDecimalSeparator(std::string_view cText) {
  const std::u16string separator = locale::decimalSeparator();
  std::u16string out;
  for (char c : cText) {
    if (c == '.') out += separator;
    else out += static_cast<char16_t>(static_cast<unsigned char>(c));
  }
  return out;
}

// 15 significant digits as "%.15G" lays them out: plain notation while the
// decimal exponent x of the rounded value satisfies -5 < x < 15, otherwise
// the exponent form with a sign and at least two exponent digits; trailing
// zeros dropped. to_chars, unlike printf, never reads the C locale.
std::u16string numberText(double value) {
  if (std::isnan(value)) return u"NaN";
  if (std::isinf(value)) return value < 0 ? u"-Infinity" : u"Infinity";
  if (value == 0) return u"0";
  char buffer[64];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15).ptr;
  std::string text(buffer, end);
  if (auto e = text.find('e'); e != std::string::npos) text[e] = 'E';
  return withDecimalSeparator(text);
}

}  // namespace platform::format
