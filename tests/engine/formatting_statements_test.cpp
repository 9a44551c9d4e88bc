#include "engine/formatting_statements.h"

#include <gtest/gtest.h>

#include "piece_builders.h"
#include "platform/com/object.h"
#include "platform/locale/user_locale.h"

namespace {

using com::Variant;

const Variant kNone = std::u16string();  // an absent argument

struct FormatCase {
  const char* what;
  const char* locale;
  Variant value;
  std::u16string name;
  Variant arg1, arg2;
  Variant expected;
};

void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.what << " [" << c.locale << "]"; }

class StatementCase : public testing::TestWithParam<FormatCase> {
 protected:
  void TearDown() override { platform::locale::setOverride(""); }
};

TEST_P(StatementCase, GivesTheNewValue) {
  const FormatCase& c = GetParam();
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
        FormatCase{"NONE", "en_US", D(5), u"NONE", kNone, kNone, D(5)},
        FormatCase{"summary name later in a chain", "en_US", D(2.5), u"Sum", kNone, kNone, D(2.5)},
        FormatCase{"unknown name", "en_US", Tx(u"x"), u"Bogus", kNone, kNone, Tx(u"x")},
        // Numbers only.
        FormatCase{"Abs integer", "en_US", I(-3), u"Abs", kNone, kNone, I(3)},
        FormatCase{"Abs double", "en_US", D(-2.5), u"abs", kNone, kNone, D(2.5)},
        FormatCase{"Abs numeric text", "en_US", Tx(u"-4"), u"Abs", kNone, kNone, D(4)},
        FormatCase{"Abs text", "en_US", Tx(u"abc"), u"Abs", kNone, kNone, Tx(u"abc")},
        FormatCase{"Abs null", "en_US", kNull, u"Abs", kNone, kNone, kNull},
        FormatCase{"Abs empty is zero", "en_US", kEmpty, u"Abs", kNone, kNone, Variant(std::int16_t{0})},
        FormatCase{"Abs date is not numeric", "en_US", Variant::date(40000.5), u"Abs", kNone, kNone, Variant::date(40000.5)},
        FormatCase{"Abs smallest integer overflows", "en_US", I(-2147483647 - 1), u"Abs", kNone, kNone, I(-2147483647 - 1)},
        FormatCase{"FormatCurrency", "en_US", D(100), u"FormatCurrency", kNone, kNone, Tx(u"$100.00")},
        FormatCase{"FormatCurrency text", "en_US", Tx(u"abc"), u"FormatCurrency", kNone, kNone, Tx(u"abc")},
        FormatCase{"FormatNumber", "en_US", D(2.53), u"FormatNumber", I(4), kNone, Tx(u"2.5300")},
        FormatCase{"FormatNumber grouping", "en_US", D(1234.56), u"FormatNumber", I(1), kNone, Tx(u"1,234.6")},
        FormatCase{"FormatNumber locale default", "en_US", D(1234.5), u"FormatNumber", I(-1), kNone, Tx(u"1,234.50")},
        FormatCase{"FormatNumber below -1", "en_US", D(2.5), u"FormatNumber", I(-2), kNone, D(2.5)},
        FormatCase{"FormatNumber text", "en_US", Tx(u"abc"), u"FormatNumber", I(1), kNone, Tx(u"abc")},
        FormatCase{"FormatNumber empty is zero", "en_US", kEmpty, u"FormatNumber", I(2), kNone, Tx(u"0.00")},
        FormatCase{"FormatNumber grouping", "de_DE", D(1234.56), u"FormatNumber", I(1), kNone, Tx(u"1.234,6")},
        FormatCase{"FormatNumber empty is zero", "de_DE", kEmpty, u"FormatNumber", I(2), kNone, Tx(u"0,00")},
        FormatCase{"Round text half down to even", "en_US", Tx(u"2.5"), u"Round", I(0), kNone, D(2)},
        FormatCase{"Round text half up to even", "en_US", Tx(u"3.5"), u"Round", I(0), kNone, D(4)},
        FormatCase{"Round lower case name", "en_US", D(2.67), u"round", I(0), kNone, D(3)},
        FormatCase{"Round places", "en_US", D(2.675), u"Round", I(1), kNone, D(2.7)},
        FormatCase{"Round text", "en_US", Tx(u"abc"), u"Round", I(0), kNone, Tx(u"abc")},
        FormatCase{"Round negative places", "en_US", D(2.67), u"Round", I(-1), kNone, D(2.67)},
        FormatCase{"Round empty is zero", "en_US", kEmpty, u"Round", I(0), kNone, Variant(std::int16_t{0})},
        FormatCase{"Round integer", "en_US", I(7), u"Round", I(0), kNone, I(7)},
        FormatCase{"Round locale text", "de_DE", Tx(u"2,5"), u"Round", I(0), kNone, D(2)},
        FormatCase{"Abs locale text", "de_DE", Tx(u"-1,5"), u"Abs", kNone, kNone, D(1.5)},
        // Text statements.
        FormatCase{"LCase", "en_US", Tx(u"Hello World"), u"LCase", kNone, kNone, Tx(u"hello world")},
        FormatCase{"LCase number", "en_US", D(12.5), u"LCase", kNone, kNone, Tx(u"12.5")},
        FormatCase{"LCase number", "de_DE", D(12.5), u"LCase", kNone, kNone, Tx(u"12,5")},
        FormatCase{"LCase boolean", "en_US", Variant(true), u"LCase", kNone, kNone, Tx(u"true")},
        FormatCase{"UCase", "en_US", Tx(u"Hello World"), u"UCase", kNone, kNone, Tx(u"HELLO WORLD")},
        FormatCase{"UCase empty", "en_US", kEmpty, u"UCase", kNone, kNone, Tx(u"")},
        FormatCase{"UCase null", "en_US", kNull, u"UCase", kNone, kNone, kNull},
        FormatCase{"UCase accents", "de_DE", Tx(u"straße"), u"UCase", kNone, kNone, Tx(u"STRASSE")},
        FormatCase{"TCase", "en_US", Tx(u"mary-jane o'neil"), u"TCase", kNone, kNone, Tx(u"Mary-jane O'neil")},
        FormatCase{"TCase lowers the rest", "en_US", Tx(u"hELLO"), u"TCase", kNone, kNone, Tx(u"Hello")},
        FormatCase{"TCase white space", "en_US", Tx(u"a\tb\r\nc  d"), u"TCase", kNone, kNone, Tx(u"A\tB\r\nC  D")},
        FormatCase{"Left", "en_US", Tx(u"Hello World"), u"Left", I(2), kNone, Tx(u"He")},
        FormatCase{"Left 0", "en_US", Tx(u"Hello"), u"Left", I(0), kNone, Tx(u"")},
        FormatCase{"Left longer than text", "en_US", Tx(u"Hello"), u"Left", I(20), kNone, Tx(u"Hello")},
        FormatCase{"Left negative", "en_US", Tx(u"Hello"), u"Left", I(-1), kNone, Tx(u"Hello")},
        FormatCase{"Left number", "en_US", I(12345), u"Left", I(2), kNone, Tx(u"12")},
        FormatCase{"Left null", "en_US", kNull, u"Left", I(2), kNone, kNull},
        FormatCase{"Left without a count", "en_US", Tx(u"Hello"), u"Left", kNone, kNone, Tx(u"Hello")},
        FormatCase{"Right", "en_US", Tx(u"Hello World"), u"Right", I(2), kNone, Tx(u"ld")},
        FormatCase{"Right longer than text", "en_US", Tx(u"Hello"), u"Right", I(9), kNone, Tx(u"Hello")},
        FormatCase{"Right negative", "en_US", Tx(u"Hello"), u"Right", I(-3), kNone, Tx(u"Hello")},
        FormatCase{"Mid", "en_US", Tx(u"Hello World"), u"Mid", I(7), I(3), Tx(u"Wor")},
        FormatCase{"Mid past the end", "en_US", Tx(u"Hello"), u"Mid", I(20), I(3), Tx(u"")},
        FormatCase{"Mid running out", "en_US", Tx(u"Hello"), u"Mid", I(4), I(10), Tx(u"lo")},
        FormatCase{"Mid start 0", "en_US", Tx(u"Hello"), u"Mid", I(0), I(3), Tx(u"Hello")},
        FormatCase{"Mid negative length", "en_US", Tx(u"Hello"), u"Mid", I(2), I(-1), Tx(u"Hello")},
        FormatCase{"Replace", "en_US", Tx(u"Hello World"), u"Replace", Tx(u"o"), Tx(u"xx"), Tx(u"Hellxx Wxxrld")},
        FormatCase{"Replace ignores case", "en_US", Tx(u"Hello World"), u"Replace", Tx(u"O"), Tx(u"0"), Tx(u"Hell0 W0rld")},
        FormatCase{"Replace without overlaps", "en_US", Tx(u"aaa"), u"Replace", Tx(u"aa"), Tx(u"b"), Tx(u"ba")},
        FormatCase{"Replace empty search", "en_US", Tx(u"Hello"), u"Replace", Tx(u""), Tx(u"x"), Tx(u"Hello")},
        FormatCase{"Replace null", "en_US", kNull, u"Replace", Tx(u"a"), Tx(u"b"), kNull},
        FormatCase{"Replace in a number", "de_DE", D(1.5), u"Replace", Tx(u","), Tx(u" Komma "), Tx(u"1 Komma 5")},
        FormatCase{"Spaces", "en_US", Tx(u"GIS"), u"Spaces", I(3), kNone, Tx(u"G   I   S   ")},
        FormatCase{"Spaces 1", "en_US", Tx(u"AB"), u"Spaces", I(1), kNone, Tx(u"A B ")},
        FormatCase{"Spaces 0", "en_US", Tx(u"AB"), u"Spaces", I(0), kNone, Tx(u"AB")},
        FormatCase{"Spaces null", "en_US", kNull, u"Spaces", I(2), kNone, kNull},
        FormatCase{"Spaces keeps surrogate pairs", "en_US", Tx(u"a\U0001F600"), u"Spaces", I(1), kNone,
             Tx(u"a \U0001F600 ")},
        FormatCase{"Spaces too many to show", "en_US", Tx(u"AB"), u"Spaces", I(2000000000), kNone, Tx(u"AB")},
        FormatCase{"LTrim", "en_US", Tx(u"  a b  "), u"LTrim", kNone, kNone, Tx(u"a b  ")},
        FormatCase{"RTrim", "en_US", Tx(u"  a b  "), u"RTrim", kNone, kNone, Tx(u"  a b")},
        FormatCase{"Trim", "en_US", Tx(u"  a b  "), u"Trim", kNone, kNone, Tx(u"a b")},
        FormatCase{"Trim spaces only", "en_US", Tx(u"\t a \t"), u"Trim", kNone, kNone, Tx(u"\t a \t")},
        FormatCase{"Trim all spaces", "en_US", Tx(u"   "), u"Trim", kNone, kNone, Tx(u"")},
        // Format instructions.
        FormatCase{"Format number", "en_US", D(1234.5), u"Format", Tx(u"#,##0.00"), kNone, Tx(u"1,234.50")},
        FormatCase{"Format number", "de_DE", D(1234.5), u"Format", Tx(u"#,##0.00"), kNone, Tx(u"1.234,50")},
        FormatCase{"Format null stays null", "en_US", kNull, u"Format", Tx(u"0.0"), kNone, kNull},
        FormatCase{"Format null section", "en_US", kNull, u"Format", Tx(u"0;-0;zero;none"), kNone, Tx(u"none")},
        FormatCase{"Format text codes", "en_US", Tx(u"abc"), u"Format", Tx(u">"), kNone, Tx(u"ABC")}));

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
