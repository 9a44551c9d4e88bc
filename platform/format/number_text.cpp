#include <unicode/numfmt.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>

#include "platform/format/icu_text.h"
#include "platform/format/value_text.h"

namespace platform::format {

std::u16string withDecimalSeparator(const std::string& cText) {
  const std::u16string separator = locale::decimalSeparator();
  std::u16string out;
  for (char c : cText) {
    if (c == '.') out += separator;
    else out += static_cast<char16_t>(static_cast<unsigned char>(c));
  }
  return out;
}

// 15 significant digits as %G gives them: the exponent form below 1E-4 and
// from 1E15, trailing zeros dropped, at least two exponent digits.
std::u16string numberText(double value) {
  if (std::isnan(value)) return u"NaN";
  if (std::isinf(value)) return value < 0 ? u"-Infinity" : u"Infinity";
  if (value == 0) return u"0";
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.15G", value);
  return withDecimalSeparator(buffer);
}

namespace {

std::u16string icuFormat(UNumberFormatStyle style, locale::Category category, double value, int decimals) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::NumberFormat> format(icu::NumberFormat::createInstance(icuLocale(category), style, status));
  if (U_FAILURE(status) || !format) return numberText(value);
  if (decimals >= 0) {
    format->setMinimumFractionDigits(decimals);
    format->setMaximumFractionDigits(decimals);
  }
  format->setRoundingMode(icu::NumberFormat::kRoundHalfEven);
  icu::UnicodeString out;
  format->format(value, out);
  return fromIcu(out);
}

}  // namespace

std::optional<std::u16string> formatNumber(double value, int decimals) {
  if (decimals < -1 || decimals > 99) return std::nullopt;
  return icuFormat(UNUM_DECIMAL, locale::Category::Numeric, value, decimals < 0 ? 2 : decimals);
}

std::u16string formatCurrency(double value) {
  return icuFormat(UNUM_CURRENCY_ACCOUNTING, locale::Category::Monetary, value, -1);
}

double roundHalfEven(double value, int places) {
  if (!std::isfinite(value)) return value;
  if (places < 0) places = 0;
  char buffer[400];
  auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed).ptr;
  std::string text(buffer, end);
  const auto point = text.find('.');
  if (point == std::string::npos || text.size() - point - 1 <= static_cast<std::size_t>(places)) return value;
  const std::size_t cut = point + 1 + static_cast<std::size_t>(places);
  const char next = text[cut];
  const bool restNonZero = text.find_first_not_of('0', cut + 1) != std::string::npos;
  std::string kept = text.substr(0, places ? cut : point);
  const char last = kept.back();
  const bool up = next > '5' || (next == '5' && (restNonZero || ((last - '0') % 2 == 1)));
  double result = 0;
  std::from_chars(kept.data(), kept.data() + kept.size(), result);
  if (up) result += (result < 0 || text[0] == '-' ? -1 : 1) * std::pow(10.0, -places);
  // the sum may carry binary noise; shortest text of the rounded decimal
  char again[400];
  std::snprintf(again, sizeof again, "%.*f", places, result);
  std::from_chars(again, again + std::char_traits<char>::length(again), result);
  return result;
}

}  // namespace platform::format
