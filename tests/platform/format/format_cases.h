#pragma once
// Table checks of format() in a given locale.
#include <gtest/gtest.h>

#include <vector>

#include "platform/format/ole_date.h"
#include "platform/format/value_text.h"
#include "platform/locale/user_locale.h"
#include "platform/text/utf.h"

namespace platform::format::testing {

struct FormatCase {
  com::Variant value;
  const char16_t* instructions;
  const char16_t* expected;  // null: the value can't be rendered
};

inline void expectFormats(const char* localeName, const std::vector<FormatCase>& cases,
                          FirstWeekOfYear firstWeek = FirstWeekOfYear::Jan1, FirstDayOfWeek firstDay = FirstDayOfWeek::Sunday) {
  locale::setOverride(localeName);
  for (const auto& c : cases) {
    const auto got = format(c.value, c.instructions, firstDay, firstWeek);
    const std::string label =
        std::string(localeName) + ": " + text::toUtf8(c.instructions) + " on " + text::toUtf8(toText(c.value));
    if (!c.expected) {
      EXPECT_FALSE(got) << label << " gave " << text::toUtf8(got.value_or(u""));
    } else if (!got) {
      ADD_FAILURE() << label << " gave nothing";
    } else {
      EXPECT_EQ(text::toUtf8(*got), text::toUtf8(c.expected)) << label;
    }
  }
  locale::setOverride("");
}

inline com::Variant date(int y, int m, int d, int h = 0, int n = 0, int s = 0) { return com::Variant::date(toOleDate({y, m, d, h, n, s})); }

}  // namespace platform::format::testing
