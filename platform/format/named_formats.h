#pragma once
// The named formats of format instructions ("Currency", "Short Date", ...).
#include <optional>
#include <string>
#include <string_view>

#include "platform/format/value_text.h"

namespace platform::format {

struct NamedFormatResult {
  bool named = false;                // the instructions are one of the names
  std::optional<std::u16string> text;  // nullopt: the value can't be shown that way
};

// `number` is the value as a number (dates as OLE dates), nullopt when it
// has none.
NamedFormatResult formatNamed(std::optional<double> number, std::u16string_view name, FirstDayOfWeek firstDay,
                              FirstWeekOfYear firstWeek);

}  // namespace platform::format
