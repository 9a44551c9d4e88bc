#pragma once
// Date and time codes of format instructions.
#include <optional>
#include <string>
#include <string_view>

#include "platform/format/ole_date.h"
#include "platform/format/value_text.h"

namespace platform::format {

// Automation's date range: 1 January 100 to 31 December 9999. Numbers
// outside it can't be shown as dates.
inline bool isOleDateInRange(double oleDate) { return oleDate >= -657434.0 && oleDate < 2958466.0; }

// nullopt outside the date range.
std::optional<std::u16string> formatDateSection(double oleDate, std::u16string_view section, FirstDayOfWeek firstDay, FirstWeekOfYear firstWeek);

// The week of the year that holds the date, week 1 chosen by firstWeek; a
// date before week 1 belongs to the last week of the year before.
int weekOfYear(const DateParts& date, FirstDayOfWeek firstDay, FirstWeekOfYear firstWeek);

}  // namespace platform::format
