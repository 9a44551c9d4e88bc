#include "format_cases.h"

namespace platform::format {
namespace {

using testing::expectFormats;

TEST(NumberFormat, DigitPlacesPointAndGrouping) {
  expectFormats("en_US", {
      {1234.567, u"0.00", u"1234.57"},
      {1234.567, u"#,##0.00", u"1,234.57"},
      {0.5, u"#.##", u".5"},
      {5.0, u"#.##", u"5."},
      {0.0, u"#", u""},
      {0.126, u"0.00", u"0.13"},
      {2.5, u"0", u"3"},  // half away from zero, unlike Round
      {1.005, u"0.00", u"1.01"},  // the decimal as written, not its binary neighbour
      {1.5, u"0.0#", u"1.5"},
      {1.5, u"0.#0", u"1.50"},
      {7.0, u"000", u"007"},
      {5.0, u"0#", u"05"},
      {999.999, u"#,##0.00", u"1,000.00"},
      {1e20, u"#,##0", u"100,000,000,000,000,000,000"},
      {5551234567.0, u"(###) ###-####", u"(555) 123-4567"},
      {12.0, u"(###) ###-####", u"() -12"},
  });
  expectFormats("de_DE", {
      {1234.5, u"#,##0.00", u"1.234,50"},
      {-1234.5, u"#,##0.00", u"-1.234,50"},
      {0.5, u"#.##", u",5"},
  });
}

TEST(NumberFormat, SectionsChooseBySignZeroAndNull) {
  expectFormats("en_US", {
      {-5.0, u"0", u"-5"},
      {-5.0, u"\\$0", u"-$5"},
      {-0.001, u"0.00", u"0.00"},  // no minus before a value shown as zero
      {-5.0, u"0;(0)", u"(5)"},
      {-5.0, u"0;", u"-5"},  // an empty negative section uses the first
      {0.0, u"0;(0);\"zero\"", u"zero"},
      {0.001, u"0.00;(0.00);\"zero\"", u"0.00"},  // the zero section is for zero itself
      {com::Variant::null(), u"0;-0;\"zero\";\"none\"", u"none"},
      {com::Variant::null(), u"0;-0;zero;none", u"none"},
      {com::Variant::null(), u"0.00", nullptr},
      {com::Variant::null(), u"0;-0;zero", nullptr},
      {-3.0, u"0 \"pos\";0 \"neg\"", u"3 neg"},
      {true, u"0", u"-1"},  // true is -1, as in automation
      {false, u"0;(0);\"no\"", u"no"},
  });
}

TEST(NumberFormat, PercentScalingAndLiterals) {
  expectFormats("en_US", {
      {0.256, u"0.0%", u"25.6%"},
      {0.01005, u"0.00%", u"1.01%"},  // shifted in decimal, not multiplied in binary
      {0.5, u"0\"%\"", u"1%"},  // a quoted % is literal
      {1234567.0, u"#,##0,", u"1,235"},
      {1234567.0, u"0,,", u"1"},
      {1234567.0, u"0.0,, \"M\"", u"1.2 M"},
      {1500.0, u"0.0,\"K\"", u"1.5K"},
      {5.0, u"\\$0", u"$5"},
      {5.0, u"0 \"m\\\";\"", u"5 m\\"},  // no escapes inside quotes: the quote ends after the backslash
      {5.0, u"0 \"unterminated", u"5 unterminated"},
      {5.0, u"+0 ac.", u"+5 ac."},
      {5.0, u"\"no digits\"", u"no digits"},
  });
}

TEST(NumberFormat, Scientific) {
  expectFormats("en_US", {
      {1234.5, u"0.00E+00", u"1.23E+03"},
      {1234.5, u"0.00E-00", u"1.23E03"},
      {0.00012, u"0.0E+00", u"1.2E-04"},
      {-0.00012, u"0.0E+00", u"-1.2E-04"},
      {9.99, u"0.0E+0", u"1.0E+1"},
      {0.0, u"0.00E+00", u"0.00E+00"},
      {1234.5, u"00.0E+0", u"12.3E+2"},
      {1e100, u"0.0E+0", u"1.0E+100"},
      {1e-100, u"0.0E+000", u"1.0E-100"},
      {150.0, u"0E+0", u"2E+2"},
      {u"1.5E3", u"0.0E+00", u"1.5E+03"},
  });
  expectFormats("de_DE", {{1234.5, u"0.00E+00", u"1,23E+03"}});
}

TEST(NumberFormat, NumericTextFormatsAsANumberOtherTextStays) {
  expectFormats("en_US", {
      {u"12.5", u"0.00", u"12.50"},
      {u" 1,234 ", u"#,##0.0", u"1,234.0"},
      {u"abc", u"0.00", u"abc"},
  });
  expectFormats("de_DE", {
      {u"12,5", u"0.00", u"12,50"},
      {u"12.5", u"0.00", u"125,00"},  // "." groups in de_DE
  });
}

}  // namespace
}  // namespace platform::format
