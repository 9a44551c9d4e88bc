#include "platform/locale/number_symbols.h"

#include <unicode/dcfmtsym.h>

#include <map>
#include <mutex>

#include "platform/locale/icu_strings.h"
#include "platform/locale/user_locale.h"

namespace platform::locale {
namespace {

NumberSymbols load(const std::string& icuName) {
  UErrorCode status = U_ZERO_ERROR;
  icu::DecimalFormatSymbols symbols(icu::Locale(icuName.c_str()), status);
  if (U_FAILURE(status)) return {u".", u",", u"$", u"-", u"+"};
  using S = icu::DecimalFormatSymbols;
  return {fromIcu(symbols.getSymbol(S::kDecimalSeparatorSymbol)), fromIcu(symbols.getSymbol(S::kGroupingSeparatorSymbol)),
          fromIcu(symbols.getSymbol(S::kCurrencySymbol)), fromIcu(symbols.getSymbol(S::kMinusSignSymbol)),
          fromIcu(symbols.getSymbol(S::kPlusSignSymbol))};
}

}  // namespace

// Building DecimalFormatSymbols costs far more than a lookup, and the numeric
// test runs for every argument and value.
const NumberSymbols& numberSymbols(const std::string& icuName) {
  static std::mutex mutex;
  static std::map<std::string, NumberSymbols> cache;
  std::lock_guard lock(mutex);
  auto it = cache.find(icuName);
  if (it == cache.end()) it = cache.emplace(icuName, load(icuName)).first;
  return it->second;
}

std::u16string decimalSeparator() { return numberSymbols(localeName(Category::Numeric)).decimal; }
std::u16string groupingSeparator() { return numberSymbols(localeName(Category::Numeric)).grouping; }
std::u16string currencySymbol() { return numberSymbols(localeName(Category::Monetary)).currency; }

}  // namespace platform::locale
