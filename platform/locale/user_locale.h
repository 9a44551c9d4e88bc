#pragma once
// The user's locale, taken from the environment the way the C library does:
// LC_ALL, then the category's own variable (LC_NUMERIC, LC_MONETARY,
// LC_CTYPE, LC_TIME), then LANG. "C", "POSIX", an empty or an unknown name fall back
// to en_US conventions. Nothing here depends on the system's installed
// locales; ICU carries the data.
#include <string>
#include <string_view>

namespace platform::locale {

enum class Category { Numeric, Monetary, Ctype, Time };

// The ICU locale identifier in force for a category, e.g. "de_DE".
std::string localeName(Category category);

// A POSIX locale name as ICU knows it: "de_DE.UTF-8@euro" -> "de_DE"; a known
// language with an unknown region takes the language's likely region
// ("de_XX" -> "de_DE"); anything else -> "en_US".
std::string icuLocaleName(std::string_view posixName);

// Replaces the environment for every category (tests, the --locale option of
// tools). An empty name goes back to the environment.
void setOverride(std::string_view name);

// Numeric conventions of the Numeric category.
std::u16string decimalSeparator();
std::u16string groupingSeparator();
// The Monetary category's currency symbol ("$", "€").
std::u16string currencySymbol();

// The locale-aware number test of automation: surrounding spaces, a leading
// or trailing sign or enclosing parentheses, the locale's decimal separator
// and digit grouping, an exponent, and the locale's currency symbol before or
// after the number are accepted (docs/format-strings.md, "Numeric test").
// On success value receives the number.
bool isNumeric(std::u16string_view text, double* value = nullptr);

// The narrower test of a plain decimal number, for settings typed into a
// box: surrounding blanks, an optional sign, digits with an optional decimal
// separator (the locale's, or a point), an optional exponent. No grouping,
// currency or parentheses. On success value receives the number.
bool isDecimalText(std::u16string_view text, double* value = nullptr);

// Case mapping by the Ctype category's rules.
std::u16string toUpper(std::u16string_view text);
std::u16string toLower(std::u16string_view text);

}  // namespace platform::locale
