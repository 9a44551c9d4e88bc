#include <gtest/gtest.h>

#include "platform/format/ole_date.h"
#include "platform/format/value_text.h"
#include "platform/locale/user_locale.h"
#include "platform/text/utf.h"

namespace platform::format {
namespace {

struct Case {
  com::Variant value;
  const char16_t* format;
  const char16_t* expected;  // null: cannot be rendered
};

void check(const char* locale, const std::vector<Case>& cases) {
  locale::setOverride(locale);
  for (const auto& c : cases) {
    const auto got = format(c.value, c.format);
    const std::string label = text::toUtf8(c.format) + " on " + text::toUtf8(toText(c.value));
    if (!c.expected) {
      EXPECT_FALSE(got) << label << " gave " << text::toUtf8(got.value_or(u""));
    } else {
      ASSERT_TRUE(got) << label;
      EXPECT_EQ(text::toUtf8(*got), text::toUtf8(c.expected)) << label;
    }
  }
  locale::setOverride("");
}

com::Variant date(int y, int m, int d, int h = 0, int n = 0, int s = 0) { return com::Variant::date(toOleDate({y, m, d, h, n, s})); }

TEST(FormatString, NumberSections) {
  check("en_US", {
      {1234.567, u"0.00", u"1234.57"},
      {1234.567, u"#,##0.00", u"1,234.57"},
      {0.5, u"#.##", u".5"},
      {5.0, u"#.##", u"5."},
      {0.126, u"0.00", u"0.13"},
      {2.5, u"0", u"3"},
      {-5.0, u"0", u"-5"},
      {-0.001, u"0.00", u"0.00"},
      {-5.0, u"0;(0)", u"(5)"},
      {0.0, u"0;(0);\"zero\"", u"zero"},
      {com::Variant::null(), u"0;-0;\"zero\";\"none\"", u"none"},
      {com::Variant::null(), u"0.00", nullptr},
      {0.256, u"0.0%", u"25.6%"},
      {1234567.0, u"#,##0,", u"1,235"},
      {1234567.0, u"0,,", u"1"},
      {1234.5, u"0.00E+00", u"1.23E+03"},
      {1234.5, u"0.00E-00", u"1.23E03"},
      {0.00012, u"0.0E+00", u"1.2E-04"},
      {9.99, u"0.0E+0", u"1.0E+1"},
      {5551234567.0, u"(###) ###-####", u"(555) 123-4567"},
      {5.0, u"\\$0", u"$5"},
      {5.0, u"\"Qty: \"0", u"Qty: 5"},
      {7.0, u"000", u"007"},
      {std::int32_t{42}, u"#", u"42"},
      {u"12.5", u"0.00", u"12.50"},
      {u"abc", u"0.00", u"abc"},
  });
  check("de_DE", {
      {1234.5, u"#,##0.00", u"1.234,50"},
      {u"12,5", u"0.00", u"12,50"},
  });
}

TEST(FormatString, NamedFormats) {
  check("en_US", {
      {1234.567, u"Fixed", u"1234.57"},
      {1234.567, u"standard", u"1,234.57"},
      {0.256, u"Percent", u"25.60%"},
      {1234.5, u"Scientific", u"1.23E+03"},
      {1234.5, u"General Number", u"1234.5"},
      {-5.0, u"Currency", u"($5.00)"},
      {0.0, u"Yes/No", u"No"},
      {3.0, u"Yes/No", u"Yes"},
      {true, u"True/False", u"True"},
      {0.0, u"On/Off", u"Off"},
      {u"abc", u"Fixed", nullptr},
      {date(2026, 12, 7, 13, 5, 9), u"Long Date", u"Monday, December 7, 2026"},
      {date(2026, 12, 7, 13, 5, 9), u"Short Date", u"12/7/2026"},
      {date(2026, 12, 7, 13, 5, 9), u"Medium Date", u"07-Dec-26"},
      {date(2026, 12, 7, 13, 5, 9), u"Short Time", u"13:05"},
      {date(2026, 12, 7, 13, 5, 9), u"Medium Time", u"01:05 PM"},
  });
}

TEST(FormatString, DatesAndTimes) {
  const auto d = date(2026, 12, 7, 13, 5, 9);  // a Monday
  check("en_US", {
      {d, u"yyyy-mm-dd hh:nn:ss", u"2026-12-07 13:05:09"},
      {d, u"d/m/yy", u"7/12/26"},
      {d, u"dddd, mmmm d", u"Monday, December 7"},
      {d, u"ddd mmm", u"Mon Dec"},
      {d, u"h:mm AM/PM", u"1:05 PM"},
      {d, u"hh:mm a/p", u"01:05 p"},
      {d, u"\"Q\"q yyyy", u"Q4 2026"},
      {d, u"y", u"341"},
      {d, u"w", u"2"},
      {d, u"ww", u"50"},
      {date(2026, 1, 3), u"ww", u"1"},
      {date(2026, 1, 4), u"ww", u"2"},
      {u"abc", u"yyyy", u"abc"},
      {46363.0, u"yyyy", u"2026"},
  });
  check("de_DE", {
      {d, u"d/m/yy", u"7.12.26"},
      {d, u"dddd, d. mmmm", u"Montag, 7. Dezember"},
  });
}

TEST(FormatString, TextCodes) {
  check("en_US", {
      {u"abc", u"@@@@@", u"  abc"},
      {u"abc", u"!@@@@@", u"abc  "},
      {u"abc", u"&&&&&", u"abc"},
      {u"abcd", u"@@", u"abcd"},
      {u"Abc", u">", u"ABC"},
      {u"ÀBC", u"<@@@", u"àbc"},
      {u"5551234", u"@@@-@@@@", u"555-1234"},
      {com::Variant::null(), u"@;\"empty\"", u"empty"},
      {std::int32_t{42}, u"@@@@", u"  42"},
  });
}

}  // namespace
}  // namespace platform::format
