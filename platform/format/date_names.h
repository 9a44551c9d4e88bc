#pragma once
// Month and day names and the date patterns of the user's locale (ICU).
#include <string>

#include "platform/format/ole_date.h"

namespace platform::format {

std::u16string monthName(int month, bool abbreviated);  // month 1..12
std::u16string dayName(int weekday, bool abbreviated);   // weekday 1 = Sunday
// The locale's rendering of a date by an ICU skeleton ("yMd", "yMMMMEEEEd", "jms").
std::u16string datePattern(const DateParts& parts, const char16_t* skeleton);
// The locale's date and time separators, as its short date and time show them.
std::u16string dateSeparator();
std::u16string timeSeparator();
std::u16string amPm(bool pm);
// 1 = Sunday .. 7 = Saturday
int weekday(const DateParts& parts);

}  // namespace platform::format
