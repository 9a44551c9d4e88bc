#include "engine/label_wrap.h"

#include <gtest/gtest.h>

#include "platform/text/utf.h"

namespace {

struct WrapExample {
  const char* what;
  int width;
  std::u16string label;
  std::u16string wrapped;  // "/" stands for a line break
};

void PrintTo(const WrapExample& c, std::ostream* os) { *os << c.what; }

std::u16string breaks(std::u16string s) {
  std::u16string out;
  for (char16_t c : s) {
    if (c == u'/') {
      out += u"\r\n";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

class WrapCase : public testing::TestWithParam<WrapExample> {};

TEST_P(WrapCase, BreaksLines) {
  const WrapExample& c = GetParam();
  EXPECT_EQ(text::toUtf8(engine::WrapLabelText(c.label, c.width)), text::toUtf8(breaks(c.wrapped)));
}

INSTANTIATE_TEST_SUITE_P(
    Labels, WrapCase,
    testing::Values(
        WrapExample{"at spaces", 5, u"aaa bbb ccc", u"aaa/bbb/ccc"},
        WrapExample{"several words a line", 12, u"Residential Low Density Housing Areas",
             u"Residential/Low Density/Housing/Areas"},
        WrapExample{"long run of words", 10, u"one two three four five six seven eight nine ten",
             u"one two/three four/five six/seven/eight nine/ten"},
        WrapExample{"inside a word", 5, u"abcdefghijklmnop", u"abcd-/efgh-/ijkl-/mnop"},
        WrapExample{"space then a long word", 5, u"a bcdefghij", u"a/bcde-/fghij"},
        WrapExample{"width 1", 1, u"abc", u"-/a-/bc"},
        WrapExample{"exactly the width keeps leading spaces", 7, u"  short", u"  short"},
        WrapExample{"shorter keeps leading spaces", 20, u"  short", u"  short"},
        WrapExample{"longer loses leading spaces", 5, u"   abcdef", u"abcd-/ef"},
        WrapExample{"spaces at a full line are dropped", 3, u"abc    def", u"abc/def"},
        WrapExample{"break at the last space keeps earlier spaces", 6, u"ab  cdefg", u"ab /cdefg"},
        WrapExample{"earlier spaces stay on the line", 6, u"ab  cd efgh", u"ab  cd/efgh"},
        WrapExample{"width 0 leaves the token", 0, u"a$$NEWLINEb", u"a$$NEWLINEb"},
        WrapExample{"negative width", -4, u"abc def", u"abc def"},
        WrapExample{"token in any case", 20, u"a$$newLine b", u"a/ b"},
        WrapExample{"a line break starts a new count", 5, u"abc$$NEWLINEdefgh ij", u"abc/defgh/ij"},
        WrapExample{"spaces after a line break are dropped", 4, u"ab\r\n  cdef gh", u"ab/cdef/gh"},
        WrapExample{"surrogate pairs are not split", 3, u"ab\U0001F600cd", u"a-/b-/\U0001F600-/cd"},
        WrapExample{"a pair wider than the line", 1, u"\U0001F600\U0001F600", u"-/\U0001F600\U0001F600"}));

}  // namespace
