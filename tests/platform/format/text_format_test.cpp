#include "format_cases.h"

namespace platform::format {
namespace {

using testing::expectFormats;

TEST(TextFormat, PlaceholdersFillFromTheRightUnlessBang) {
  expectFormats("en_US", {
      {u"abc", u"@@@@@", u"  abc"},
      {u"abc", u"!@@@@@", u"abc  "},
      {u"abc", u"&&&&&", u"abc"},
      {u"abcd", u"@@", u"abcd"},  // surplus goes to the far placeholder
      {u"abcd", u"@-@", u"abc-d"},
      {u"abcd", u"!@-@", u"a-bcd"},
      {u"5551234", u"@@@-@@@@", u"555-1234"},
      {u"12", u"@@@-@@@@", u"   -  12"},
      {u"", u"@@", u"  "},
      {u"ab", u"\"[\"@@@\"]\"", u"[ ab]"},
      {u"ab", u"\\@@", u"@ab"},
      {std::int32_t{42}, u"@@@@", u"  42"},
      {1.5, u"@@@@", u" 1.5"},
      {true, u"@", u"True"},
  });
  expectFormats("de_DE", {{1.5, u"@@@@", u" 1,5"}});
}

TEST(TextFormat, CaseCodesAndTheEmptySection) {
  expectFormats("en_US", {
      {u"Abc", u">", u"ABC"},
      {u"ÀBC", u"<@@@", u"àbc"},
      {u"straße", u">@", u"STRASSE"},
      {u"Abc", u"\">\"@", u">Abc"},  // quoted, so literal
      {u"Abc", u"\"x: \">", u"x: ABC"},
      {com::Variant::null(), u"@;\"empty\"", u"empty"},
      {u"", u"@;\"empty\"", u"empty"},
      {com::Variant::null(), u"@", u""},
      {u"x", u"@;\"empty\"", u"x"},
      {5.0, u">", u"5"},
      {5.0, u"0 >", u"5 >"},  // beside number codes, > is literal
  });
  expectFormats("tr_TR", {{u"istanbul", u">", u"İSTANBUL"}});
}

}  // namespace
}  // namespace platform::format
