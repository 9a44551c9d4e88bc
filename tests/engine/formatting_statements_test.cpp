#include "engine/formatting_statements.h"

#include <gtest/gtest.h>

#include "piece_builders.h"
#include "platform/com/object.h"
#include "platform/locale/user_locale.h"

namespace {

using com::Variant;

const Variant kNone = std::u16string();  // an absent argument

struct Case {
  const char* what;
  const char* locale;
  Variant value;
  std::u16string name;
  Variant arg1, arg2;
  Variant expected;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.what << " [" << c.locale << "]"; }

class StatementCase : public testing::TestWithParam<Case> {
 protected:
  void TearDown() override { platform::locale::setOverride(""); }
};

TEST_P(StatementCase, GivesTheNewValue) {
  const Case& c = GetParam();
  platform::locale::setOverride(c.locale);
  Variant got = engine::ApplyFormattingStatement(c.value, c.name, c.arg1, c.arg2);
  EXPECT_EQ(got, c.expected) << "got " << testing::PrintToString(got);
}

Variant I(std::int32_t v) { return Variant(v); }
Variant D(double v) { return Variant(v); }
Variant Tx(std::u16string v) { return Variant(std::move(v)); }
const Variant kNull = Variant::null();
const Variant kEmpty;

INSTANTIATE_TEST_SUITE_P(
    EveryStatement, StatementCase,
    testing::Values(
        // Rows without a statement leave the value alone.
        Case{"NONE", "en_US", D(5), u"NONE", kNone, kNone, D(5)},
        Case{"summary name later in a chain", "en_US", D(2.5), u"Sum", kNone, kNone, D(2.5)},
        Case{"unknown name", "en_US", Tx(u"x"), u"Bogus", kNone, kNone, Tx(u"x")},
        // Numbers only.
        Case{"Abs integer", "en_US", I(-3), u"Abs", kNone, kNone, I(3)},
        Case{"Abs double", "en_US", D(-2.5), u"abs", kNone, kNone, D(2.5)},
        Case{"Abs numeric text", "en_US", Tx(u"-4"), u"Abs", kNone, kNone, D(4)},
        Case{"Abs text", "en_US", Tx(u"abc"), u"Abs", kNone, kNone, Tx(u"abc")},
        Case{"Abs null", "en_US", kNull, u"Abs", kNone, kNone, kNull},
        Case{"Abs empty is zero", "en_US", kEmpty, u"Abs", kNone, kNone, Variant(std::int16_t{0})},
        Case{"Abs date is not numeric", "en_US", Variant::date(40000.5), u"Abs", kNone, kNone, Variant::date(40000.5)},
        Case{"Abs smallest integer overflows", "en_US", I(-2147483647 - 1), u"Abs", kNone, kNone, I(-2147483647 - 1)},
        Case{"FormatCurrency", "en_US", D(100), u"FormatCurrency", kNone, kNone, Tx(u"$100.00")},
        Case{"FormatCurrency text", "en_US", Tx(u"abc"), u"FormatCurrency", kNone, kNone, Tx(u"abc")},
        Case{"FormatNumber", "en_US", D(2.53), u"FormatNumber", I(4), kNone, Tx(u"2.5300")},
        Case{"FormatNumber grouping", "en_US", D(1234.56), u"FormatNumber", I(1), kNone, Tx(u"1,234.6")},
        Case{"FormatNumber locale default", "en_US", D(1234.5), u"FormatNumber", I(-1), kNone, Tx(u"1,234.50")},
        Case{"FormatNumber below -1", "en_US", D(2.5), u"FormatNumber", I(-2), kNone, D(2.5)},
        Case{"FormatNumber text", "en_US", Tx(u"abc"), u"FormatNumber", I(1), kNone, Tx(u"abc")},
        Case{"FormatNumber empty is zero", "en_US", kEmpty, u"FormatNumber", I(2), kNone, Tx(u"0.00")},
        Case{"FormatNumber grouping", "de_DE", D(1234.56), u"FormatNumber", I(1), kNone, Tx(u"1.234,6")},
        Case{"FormatNumber empty is zero", "de_DE", kEmpty, u"FormatNumber", I(2), kNone, Tx(u"0,00")},
        Case{"Round text half down to even", "en_US", Tx(u"2.5"), u"Round", I(0), kNone, D(2)},
        Case{"Round text half up to even", "en_US", Tx(u"3.5"), u"Round", I(0), kNone, D(4)},
        Case{"Round lower case name", "en_US", D(2.67), u"round", I(0), kNone, D(3)},
        Case{"Round places", "en_US", D(2.675), u"Round", I(1), kNone, D(2.7)},
        Case{"Round text", "en_US", Tx(u"abc"), u"Round", I(0), kNone, Tx(u"abc")},
        Case{"Round negative places", "en_US", D(2.67), u"Round", I(-1), kNone, D(2.67)},
        Case{"Round empty is zero", "en_US", kEmpty, u"Round", I(0), kNone, Variant(std::int16_t{0})},
        Case{"Round integer", "en_US", I(7), u"Round", I(0), kNone, I(7)},
        Case{"Round locale text", "de_DE", Tx(u"2,5"), u"Round", I(0), kNone, D(2)},
        Case{"Abs locale text", "de_DE", Tx(u"-1,5"), u"Abs", kNone, kNone, D(1.5)},
        // Text statements.
        Case{"LCase", "en_US", Tx(u"Hello World"), u"LCase", kNone, kNone, Tx(u"hello world")},
        Case{"LCase number", "en_US", D(12.5), u"LCase", kNone, kNone, Tx(u"12.5")},
        Case{"LCase number", "de_DE", D(12.5), u"LCase", kNone, kNone, Tx(u"12,5")},
        Case{"LCase boolean", "en_US", Variant(true), u"LCase", kNone, kNone, Tx(u"true")},
        Case{"UCase", "en_US", Tx(u"Hello World"), u"UCase", kNone, kNone, Tx(u"HELLO WORLD")},
        Case{"UCase empty", "en_US", kEmpty, u"UCase", kNone, kNone, Tx(u"")},
        Case{"UCase null", "en_US", kNull, u"UCase", kNone, kNone, kNull},
        Case{"UCase accents", "de_DE", Tx(u"straße"), u"UCase", kNone, kNone, Tx(u"STRASSE")},
        Case{"TCase", "en_US", Tx(u"mary-jane o'neil"), u"TCase", kNone, kNone, Tx(u"Mary-jane O'neil")},
        Case{"TCase lowers the rest", "en_US", Tx(u"hELLO"), u"TCase", kNone, kNone, Tx(u"Hello")},
        Case{"TCase white space", "en_US", Tx(u"a\tb\r\nc  d"), u"TCase", kNone, kNone, Tx(u"A\tB\r\nC  D")},
        Case{"Left", "en_US", Tx(u"Hello World"), u"Left", I(2), kNone, Tx(u"He")},
        Case{"Left 0", "en_US", Tx(u"Hello"), u"Left", I(0), kNone, Tx(u"")},
        Case{"Left longer than text", "en_US", Tx(u"Hello"), u"Left", I(20), kNone, Tx(u"Hello")},
        Case{"Left negative", "en_US", Tx(u"Hello"), u"Left", I(-1), kNone, Tx(u"Hello")},
        Case{"Left number", "en_US", I(12345), u"Left", I(2), kNone, Tx(u"12")},
        Case{"Left null", "en_US", kNull, u"Left", I(2), kNone, kNull},
        Case{"Left without a count", "en_US", Tx(u"Hello"), u"Left", kNone, kNone, Tx(u"Hello")},
        Case{"Right", "en_US", Tx(u"Hello World"), u"Right", I(2), kNone, Tx(u"ld")},
        Case{"Right longer than text", "en_US", Tx(u"Hello"), u"Right", I(9), kNone, Tx(u"Hello")},
        Case{"Right negative", "en_US", Tx(u"Hello"), u"Right", I(-3), kNone, Tx(u"Hello")},
        Case{"Mid", "en_US", Tx(u"Hello World"), u"Mid", I(7), I(3), Tx(u"Wor")},
        Case{"Mid past the end", "en_US", Tx(u"Hello"), u"Mid", I(20), I(3), Tx(u"")},
        Case{"Mid running out", "en_US", Tx(u"Hello"), u"Mid", I(4), I(10), Tx(u"lo")},
        Case{"Mid start 0", "en_US", Tx(u"Hello"), u"Mid", I(0), I(3), Tx(u"Hello")},
        Case{"Mid negative length", "en_US", Tx(u"Hello"), u"Mid", I(2), I(-1), Tx(u"Hello")},
        Case{"Replace", "en_US", Tx(u"Hello World"), u"Replace", Tx(u"o"), Tx(u"xx"), Tx(u"Hellxx Wxxrld")},
        Case{"Replace ignores case", "en_US", Tx(u"Hello World"), u"Replace", Tx(u"O"), Tx(u"0"), Tx(u"Hell0 W0rld")},
        Case{"Replace without overlaps", "en_US", Tx(u"aaa"), u"Replace", Tx(u"aa"), Tx(u"b"), Tx(u"ba")},
        Case{"Replace empty search", "en_US", Tx(u"Hello"), u"Replace", Tx(u""), Tx(u"x"), Tx(u"Hello")},
        Case{"Replace null", "en_US", kNull, u"Replace", Tx(u"a"), Tx(u"b"), kNull},
        Case{"Replace in a number", "de_DE", D(1.5), u"Replace", Tx(u","), Tx(u" Komma "), Tx(u"1 Komma 5")},
        Case{"Spaces", "en_US", Tx(u"GIS"), u"Spaces", I(3), kNone, Tx(u"G   I   S   ")},
        Case{"Spaces 1", "en_US", Tx(u"AB"), u"Spaces", I(1), kNone, Tx(u"A B ")},
        Case{"Spaces 0", "en_US", Tx(u"AB"), u"Spaces", I(0), kNone, Tx(u"AB")},
        Case{"Spaces null", "en_US", kNull, u"Spaces", I(2), kNone, kNull},
        Case{"Spaces keeps surrogate pairs", "en_US", Tx(u"a\U0001F600"), u"Spaces", I(1), kNone,
             Tx(u"a \U0001F600 ")},
        Case{"Spaces too many to show", "en_US", Tx(u"AB"), u"Spaces", I(2000000000), kNone, Tx(u"AB")},
        Case{"LTrim", "en_US", Tx(u"  a b  "), u"LTrim", kNone, kNone, Tx(u"a b  ")},
        Case{"RTrim", "en_US", Tx(u"  a b  "), u"RTrim", kNone, kNone, Tx(u"  a b")},
        Case{"Trim", "en_US", Tx(u"  a b  "), u"Trim", kNone, kNone, Tx(u"a b")},
        Case{"Trim spaces only", "en_US", Tx(u"\t a \t"), u"Trim", kNone, kNone, Tx(u"\t a \t")},
        Case{"Trim all spaces", "en_US", Tx(u"   "), u"Trim", kNone, kNone, Tx(u"")},
        // Format instructions.
        Case{"Format number", "en_US", D(1234.5), u"Format", Tx(u"#,##0.00"), kNone, Tx(u"1,234.50")},
        Case{"Format number", "de_DE", D(1234.5), u"Format", Tx(u"#,##0.00"), kNone, Tx(u"1.234,50")},
        Case{"Format null stays null", "en_US", kNull, u"Format", Tx(u"0.0"), kNone, kNull},
        Case{"Format null section", "en_US", kNull, u"Format", Tx(u"0;-0;zero;none"), kNone, Tx(u"none")},
        Case{"Format text codes", "en_US", Tx(u"abc"), u"Format", Tx(u">"), kNone, Tx(u"ABC")}));

TEST(FormattingStatements, ObjectsPassThroughUnchanged) {
  struct Thing : com::Object<com::IUnknown> {};
  Variant object(com::ComPtr<com::IUnknown>(com::make<Thing>()));
  for (auto name : {u"UCase", u"Left", u"Format", u"Abs", u"Spaces"}) {
    EXPECT_EQ(engine::ApplyFormattingStatement(object, name, I(2), kNone), object) << testing::PrintToString(name);
  }
}

TEST(FormattingStatements, NumericTestFollowsTheLocale) {
  double d = 0;
  EXPECT_TRUE(engine::isNumericValue(Variant(true), &d));
  EXPECT_EQ(d, -1);
  EXPECT_TRUE(engine::isNumericValue(kEmpty, &d));
  EXPECT_EQ(d, 0);
  EXPECT_FALSE(engine::isNumericValue(kNull));
  EXPECT_FALSE(engine::isNumericValue(Variant::date(1)));
  platform::locale::setOverride("de_DE");
  EXPECT_TRUE(engine::isNumericValue(Tx(u" 2,5 "), &d));
  EXPECT_EQ(d, 2.5);
  platform::locale::setOverride("");
}

}  // namespace
