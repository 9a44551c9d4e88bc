#pragma once
// Month and day names, AM/PM markers, separators and date patterns of the
// Time category's locale, from ICU.
#include <string>

#include "platform/format/ole_date.h"

namespace platform::format {

// month 1..12. `withDay`: the form used beside a day number, which differs
// from the stand-alone form in languages that decline month names ("7 grudnia"
// but "grudzień").
std::u16string monthName(int month, bool abbreviated, bool withDay = false);
std::u16string dayName(int weekday, bool abbreviated);  // weekday 1 = Sunday
std::u16string amPm(bool pm);
// The locale's rendering of a date by an ICU skeleton ("yMd", "yMMMMEEEEd", "jms").
std::u16string datePattern(const DateParts& parts, const char16_t* skeleton);
// The locale's date and time separators, as its short date and time show them.
std::u16string dateSeparator();
std::u16string timeSeparator();
// 1 = Sunday .. 7 = Saturday
int weekday(const DateParts& parts);

}  // namespace platform::format
