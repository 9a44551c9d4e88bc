#include "platform/locale/user_locale.h"

#include <unicode/dcfmtsym.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <charconv>
#include <cstdlib>
#include <mutex>
#include <set>

namespace platform::locale {
namespace {

std::mutex overrideMutex;
std::string overrideName;

const char* categoryVariable(Category c) {
  switch (c) {
    case Category::Numeric: return "LC_NUMERIC";
    case Category::Monetary: return "LC_MONETARY";
    case Category::Ctype: return "LC_CTYPE";
    case Category::Time: return "LC_TIME";
  }
  return "LANG";
}

const std::set<std::string>& availableLocales() {
  static const std::set<std::string> names = [] {
    std::set<std::string> out;
    int32_t count = 0;
    const icu::Locale* list = icu::Locale::getAvailableLocales(count);
    for (int32_t i = 0; i < count; ++i) {
      out.insert(list[i].getName());
      out.insert(list[i].getLanguage());
    }
    return out;
  }();
  return names;
}

// "de_DE.UTF-8@euro" -> "de_DE"; C, POSIX and names ICU has no data for
// fall back to en_US.
std::string toIcuName(std::string name) {
  if (auto at = name.find_first_of(".@"); at != std::string::npos) name.erase(at);
  for (auto& c : name)
    if (c == '-') c = '_';
  if (name.empty() || name == "C" || name == "POSIX") return "en_US";
  if (availableLocales().count(name)) return name;
  return "en_US";
}

std::string environmentName(Category category) {
  for (const char* variable : {"LC_ALL", categoryVariable(category), "LANG"}) {
    const char* value = std::getenv(variable);
    if (value && *value) return value;
  }
  return {};
}

icu::Locale icuLocale(Category category) { return icu::Locale(localeName(category).c_str()); }

std::u16string fromIcu(const icu::UnicodeString& s) { return {reinterpret_cast<const char16_t*>(s.getBuffer()), static_cast<std::size_t>(s.length())}; }

icu::UnicodeString toIcu(std::u16string_view s) { return icu::UnicodeString(s.data(), static_cast<int32_t>(s.size())); }

std::u16string symbol(Category category, icu::DecimalFormatSymbols::ENumberFormatSymbol which) {
  UErrorCode status = U_ZERO_ERROR;
  icu::DecimalFormatSymbols symbols(icuLocale(category), status);
  if (U_FAILURE(status)) return which == icu::DecimalFormatSymbols::kDecimalSeparatorSymbol ? u"." : u",";
  return fromIcu(symbols.getSymbol(which));
}

bool isSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\u00A0' || c == u'\u202F'; }

bool startsWith(std::u16string_view s, std::size_t at, const std::u16string& prefix) {
  return !prefix.empty() && s.substr(at, prefix.size()) == prefix;
}

}  // namespace

std::string localeName(Category category) {
  {
    std::lock_guard lock(overrideMutex);
    if (!overrideName.empty()) return toIcuName(overrideName);
  }
  return toIcuName(environmentName(category));
}

void setOverride(std::string_view name) {
  std::lock_guard lock(overrideMutex);
  overrideName = name;
}

std::u16string decimalSeparator() { return symbol(Category::Numeric, icu::DecimalFormatSymbols::kDecimalSeparatorSymbol); }
std::u16string groupingSeparator() { return symbol(Category::Numeric, icu::DecimalFormatSymbols::kGroupingSeparatorSymbol); }
std::u16string currencySymbol() { return symbol(Category::Monetary, icu::DecimalFormatSymbols::kCurrencySymbol); }

bool isNumeric(std::u16string_view text, double* value) {
  const std::u16string decimal = decimalSeparator(), grouping = groupingSeparator(), currency = currencySymbol();
  std::size_t i = 0, end = text.size();
  while (i < end && isSpace(text[i])) ++i;
  while (end > i && isSpace(text[end - 1])) --end;
  if (i == end) return false;

  bool negative = false, signSeen = false;
  auto takeSign = [&](std::size_t at) {
    if (at < end && (text[at] == u'+' || text[at] == u'-')) {
      negative = text[at] == u'-';
      signSeen = true;
      return true;
    }
    return false;
  };
  if (takeSign(i)) ++i;
  if (startsWith(text, i, currency)) {
    i += currency.size();
    while (i < end && isSpace(text[i])) ++i;
    if (!signSeen && takeSign(i)) ++i;
  }
  if (!signSeen && end > i && (text[end - 1] == u'+' || text[end - 1] == u'-')) {
    negative = text[end - 1] == u'-';
    signSeen = true;
    --end;
    while (end > i && isSpace(text[end - 1])) --end;
  }

  std::string digits = negative ? "-" : "";
  bool anyDigit = false, pointSeen = false;
  while (i < end) {
    const char16_t c = text[i];
    if (c >= u'0' && c <= u'9') {
      digits += static_cast<char>(c);
      anyDigit = true;
      ++i;
    } else if (!pointSeen && startsWith(text, i, decimal)) {
      digits += '.';
      pointSeen = true;
      i += decimal.size();
    } else if (!pointSeen && anyDigit && startsWith(text, i, grouping)) {
      i += grouping.size();  // grouping is accepted anywhere in the whole part, as automation does
    } else {
      break;
    }
  }
  if (!anyDigit) return false;
  if (i < end && (text[i] == u'E' || text[i] == u'e' || text[i] == u'D' || text[i] == u'd')) {
    std::string exponent = "e";
    std::size_t k = i + 1;
    if (k < end && (text[k] == u'+' || text[k] == u'-')) exponent += static_cast<char>(text[k++]);
    bool expDigit = false;
    while (k < end && text[k] >= u'0' && text[k] <= u'9') {
      exponent += static_cast<char>(text[k++]);
      expDigit = true;
    }
    if (!expDigit) return false;
    digits += exponent;
    i = k;
  }
  if (i != end) return false;
  double parsed = 0;
  auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), parsed);
  if (ec != std::errc() || ptr != digits.data() + digits.size()) return false;
  if (value) *value = parsed;
  return true;
}

std::u16string toUpper(std::u16string_view text) {
  auto s = toIcu(text);
  s.toUpper(icuLocale(Category::Ctype));
  return fromIcu(s);
}

std::u16string toLower(std::u16string_view text) {
  auto s = toIcu(text);
  s.toLower(icuLocale(Category::Ctype));
  return fromIcu(s);
}

}  // namespace platform::locale
