// The locale's number and currency formats (FormatNumber, FormatCurrency).
#include <unicode/numfmt.h>

#include <cmath>
#include <memory>

#include "platform/format/icu_text.h"
#include "platform/format/value_text.h"
#include "platform/locale/number_symbols.h"

namespace platform::format {
namespace {

// Windows' "number of digits" is 2 in nearly every locale; ICU's decimal
// pattern (up to three, as needed) has no such notion.
constexpr int kLocaleDefaultDecimals = 2;

// Exact halves go away from zero, as automation's own number formats round
// (and as the format-string language does), on the shortest decimal of the
// double: 2.675 with two decimals gives 2.68.
std::optional<std::u16string> icuFormat(UNumberFormatStyle style, locale::Category category, double value, int decimals) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::NumberFormat> format(icu::NumberFormat::createInstance(icuLocale(category), style, status));
  if (U_FAILURE(status) || !format) return std::nullopt;
  if (decimals >= 0) {
    format->setMinimumFractionDigits(decimals);
    format->setMaximumFractionDigits(decimals);
  }
  format->setRoundingMode(icu::NumberFormat::kRoundHalfUp);
  icu::UnicodeString out;
  format->format(value, out);
  return plainSpaces(fromIcu(out), locale::numberSymbols(locale::localeName(category)).grouping);
}

}  // namespace

std::optional<std::u16string> formatNumber(double value, int decimals) {
  if (decimals < -1 || decimals > 99 || !std::isfinite(value)) return std::nullopt;
  return icuFormat(UNUM_DECIMAL, locale::Category::Numeric, value, decimals < 0 ? kLocaleDefaultDecimals : decimals);
}

// The accounting style gives en_US its parentheses for negative amounts, as
// automation's en_US default "($1,234.50)"; locales whose accounting form is
// a minus sign keep it ("-1.234,50 €"). Decimals are the currency's own.
std::u16string formatCurrency(double value) {
  if (!std::isfinite(value)) return numberText(value);
  return icuFormat(UNUM_CURRENCY_ACCOUNTING, locale::Category::Monetary, value, -1).value_or(numberText(value));
}

}  // namespace platform::format
