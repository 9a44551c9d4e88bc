#pragma once
// Date and time codes of format instructions.
#include <string>
#include <string_view>

#include "platform/format/ole_date.h"
#include "platform/format/value_text.h"

namespace platform::format {

std::u16string formatDateSection(double oleDate, std::u16string_view section, FirstDayOfWeek firstDay, FirstWeekOfYear firstWeek);

// The week of the year that holds the date, week 1 chosen by firstWeek; a
// date before week 1 belongs to the last week of the year before.
int weekOfYear(const DateParts& date, FirstDayOfWeek firstDay, FirstWeekOfYear firstWeek);

}  // namespace platform::format
