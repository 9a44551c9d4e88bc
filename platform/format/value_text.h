#pragma once
// Turning values into text as automation does: the general conversion, the
// number and currency formats of the user's locale, and the format-string
// language of the Format function.
#include <optional>
#include <string>
#include <string_view>

#include "platform/com/variant.h"

namespace platform::format {

// The general conversion: numbers with up to 15 significant digits, no digit
// grouping and the locale's decimal separator, exponent form for very large
// or small magnitudes ("1E+16", "1.5E-05"); dates as the locale's short date
// (and time when it has one); booleans "True"/"False"; empty and null give "".
std::u16string toText(const com::Variant& value);

// A double in the general conversion's number text.
std::u16string numberText(double value);

// An OLE date as the general conversion shows it: the short date, the time
// alone on day 0, both when there are both; out of range, the number.
std::u16string dateText(double oleDate);

// Exactly `decimals` digits after the separator (-1: the locale's default),
// with the locale's grouping, leading zero and negative form; halves away
// from zero. nullopt for decimals outside -1..99 or a value that isn't finite.
std::optional<std::u16string> formatNumber(double value, int decimals);

// The locale's currency format: symbol and its place, the currency's
// decimals, negative form ("($1,234.50)" in en_US) and grouping.
std::u16string formatCurrency(double value);

enum class FirstDayOfWeek { Sunday = 1, Monday = 2 };
enum class FirstWeekOfYear { Jan1 = 1, FirstFourDays = 2, FirstFullWeek = 3 };

// Renders value through format instructions (named formats, number formats
// with up to four sections, date/time codes, text codes @ & < > !).
// nullopt when the value cannot be rendered with these instructions.
std::optional<std::u16string> format(const com::Variant& value, std::u16string_view instructions,
                                     FirstDayOfWeek firstDay = FirstDayOfWeek::Sunday,
                                     FirstWeekOfYear firstWeek = FirstWeekOfYear::Jan1);

// Rounds to `places` decimals, an exact half going to the even neighbour
// (decimal halves as written: 2.675 is treated as the decimal 2.675).
double roundHalfEven(double value, int places);

}  // namespace platform::format
