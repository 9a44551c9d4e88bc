#include "engine/label_wrap.h"

#include <gtest/gtest.h>

#include "platform/text/utf.h"

namespace {

struct Case {
  const char* what;
  int width;
  std::u16string label;
  std::u16string wrapped;  // "/" stands for a line break
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.what; }

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

class WrapCase : public testing::TestWithParam<Case> {};

TEST_P(WrapCase, BreaksLines) {
  const Case& c = GetParam();
  EXPECT_EQ(text::toUtf8(engine::WrapLabelText(c.label, c.width)), text::toUtf8(breaks(c.wrapped)));
}

INSTANTIATE_TEST_SUITE_P(
    Labels, WrapCase,
    testing::Values(
        Case{"at spaces", 5, u"aaa bbb ccc", u"aaa/bbb/ccc"},
        Case{"several words a line", 12, u"Residential Low Density Housing Areas",
             u"Residential/Low Density/Housing/Areas"},
        Case{"long run of words", 10, u"one two three four five six seven eight nine ten",
             u"one two/three four/five six/seven/eight nine/ten"},
        Case{"inside a word", 5, u"abcdefghijklmnop", u"abcd-/efgh-/ijkl-/mnop"},
        Case{"space then a long word", 5, u"a bcdefghij", u"a/bcde-/fghij"},
        Case{"width 1", 1, u"abc", u"-/a-/bc"},
        Case{"exactly the width keeps leading spaces", 7, u"  short", u"  short"},
        Case{"shorter keeps leading spaces", 20, u"  short", u"  short"},
        Case{"longer loses leading spaces", 5, u"   abcdef", u"abcd-/ef"},
        Case{"spaces at a full line are dropped", 3, u"abc    def", u"abc/def"},
        Case{"break at the last space keeps earlier spaces", 6, u"ab  cdefg", u"ab /cdefg"},
        Case{"earlier spaces stay on the line", 6, u"ab  cd efgh", u"ab  cd/efgh"},
        Case{"width 0 leaves the token", 0, u"a$$NEWLINEb", u"a$$NEWLINEb"},
        Case{"negative width", -4, u"abc def", u"abc def"},
        Case{"token in any case", 20, u"a$$newLine b", u"a/ b"},
        Case{"a line break starts a new count", 5, u"abc$$NEWLINEdefgh ij", u"abc/defgh/ij"},
        Case{"spaces after a line break are dropped", 4, u"ab\r\n  cdef gh", u"ab/cdef/gh"},
        Case{"surrogate pairs are not split", 3, u"ab\U0001F600cd", u"a-/b-/\U0001F600-/cd"},
        Case{"a pair wider than the line", 1, u"\U0001F600\U0001F600", u"-/\U0001F600\U0001F600"}));

}  // namespace
