#include "format_cases.h"

namespace platform::format {
namespace {

using testing::date;
using testing::expectFormats;

const com::Variant kWhen = date(2026, 12, 7, 13, 5, 9);

TEST(NamedFormats, Numbers) {
  expectFormats("en_US", {
      {1234.567, u"Fixed", u"1234.57"},
      {1234.567, u"standard", u"1,234.57"},
      {0.256, u"Percent", u"25.60%"},
      {1234.5, u"Scientific", u"1.23E+03"},
      {1234.5, u"General Number", u"1234.5"},
      {1e16, u"general number", u"1E+16"},
      {100.0, u"Currency", u"$100.00"},
      {-5.0, u"Currency", u"($5.00)"},
      {0.0, u"Yes/No", u"No"},
      {3.0, u"Yes/No", u"Yes"},
      {true, u"True/False", u"True"},
      {0.0, u"On/Off", u"Off"},
      {-0.5, u"ON/OFF", u"On"},
      {u"2", u"Fixed", u"2.00"},
      {u"abc", u"Fixed", nullptr},
      {com::Variant::null(), u"Currency", nullptr},
      {kWhen, u"Fixed", u"46363.55"},
  });
  expectFormats("de_DE", {
      {1234.567, u"Standard", u"1.234,57"},
      {1234.5, u"Currency", u"1.234,50 €"},
      {0.256, u"Percent", u"25,60%"},
  });
}

TEST(NamedFormats, DatesAndTimes) {
  expectFormats("en_US", {
      {kWhen, u"General Date", u"12/7/2026 1:05:09 PM"},
      {kWhen, u"Long Date", u"Monday, December 7, 2026"},
      {kWhen, u"Medium Date", u"07-Dec-26"},
      {kWhen, u"Short Date", u"12/7/2026"},
      {kWhen, u"Long Time", u"1:05:09 PM"},
      {kWhen, u"Medium Time", u"01:05 PM"},
      {kWhen, u"Short Time", u"13:05"},
      {u"abc", u"Short Date", nullptr},
  });
  expectFormats("de_DE", {
      {kWhen, u"Long Date", u"Montag, 7. Dezember 2026"},
      {kWhen, u"Short Date", u"7.12.2026"},
      {kWhen, u"Medium Date", u"07-Dez-26"},
      {kWhen, u"Long Time", u"13:05:09"},
  });
}

TEST(FormatInstructions, EmptyInstructionsAndObjectsAndUnknownLocales) {
  expectFormats("en_US", {{2.5, u"", u"2.5"}, {com::Variant::null(), u"", u""}, {u"abc", u"", u"abc"}});
  // a locale name ICU has never heard of falls back without failing
  expectFormats("xx_QQ.UTF-8", {{1234.5, u"#,##0.00", u"1,234.50"}, {kWhen, u"Short Date", u"12/7/2026"}});
  expectFormats("C", {{1234.5, u"Currency", u"$1,234.50"}});
}

}  // namespace
}  // namespace platform::format
