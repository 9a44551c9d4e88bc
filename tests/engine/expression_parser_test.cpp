#include "engine/expression_parser.h"

#include <gtest/gtest.h>

#include "piece_builders.h"
#include "platform/locale/user_locale.h"

namespace {

using namespace pieces;
using engine::ExpressionPieceList;

const std::u16string kOk = u"Successfully created formatting statement";
const std::u16string kNoFields = u"Expression is Valid but contains no fields!";
const std::u16string kChainUnknown = u"Unknown Error Evaluating Expression";

std::u16string improper(std::u16string_view form, std::u16string_view field) {
  return u"Improper \"" + std::u16string(form) + u"\" formatting statement after [" + std::u16string(field) +
         u"] Field!";
}

struct Case {
  const char* what;
  std::u16string expression;
  bool ok;
  std::u16string message;
  ExpressionPieceList pieces;  // checked for successful parses
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.what; }

class ParseCase : public testing::TestWithParam<Case> {
 protected:
  void SetUp() override { platform::locale::setOverride("en_US"); }
  void TearDown() override { platform::locale::setOverride(""); }
};

TEST_P(ParseCase, GivesPiecesOrTheFirstError) {
  const Case& c = GetParam();
  engine::LabelerFields fields;
  fields.LabelsValid = !c.ok;  // the parse must set it either way
  EXPECT_EQ(engine::EvaluateExpression(fields, c.expression), c.ok);
  EXPECT_EQ(fields.Message, c.message);
  EXPECT_EQ(fields.LabelsValid, c.ok);
  if (c.ok) {
    EXPECT_EQ(fields.ExpressionPieces, c.pieces);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Language, ParseCase,
    testing::Values(
        Case{"typical expression", u"[USE].First.UCase - [DESCRIPT].First ([ACRES].Sum.Round(0) ac.)", true, kOk,
             {F(u"USE", {S(u"First"), S(u"UCase")}), T(u" - "), F(u"DESCRIPT", {S(u"First")}), T(u" ("),
              F(u"ACRES", {S(u"Sum"), S(u"Round", 0)}), T(u" ac.)")}},
        Case{"words in any case, field name kept", u"[pop].sum.round(2)", true, kOk,
             {F(u"pop", {S(u"Sum"), S(u"Round", 2)})}},
        Case{"field without statements", u"[POP]", true, kOk, {F(u"POP", {S(u"NONE")})}},
        Case{"space ends the chain", u"[POP] .Sum", true, kOk, {F(u"POP", {S(u"NONE")}), T(u" .Sum")}},
        Case{"prefix match leaves the rest", u"[POP].Summary", true, kOk, {F(u"POP", {S(u"Sum")}), T(u"mary")}},
        Case{"prefix match after a statement", u"[POP].Sum.Absolute", true, kOk,
             {F(u"POP", {S(u"Sum"), S(u"Abs")}), T(u"olute")}},
        Case{"parentheses after an argument-less statement", u"[A].Sum.FormatCurrency(2)", true, kOk,
             {F(u"A", {S(u"Sum"), S(u"FormatCurrency")}), T(u"(2)")}},
        Case{"FormatNumber before Format", u"[A].Sum.FormatNumber(1).Format(0%)", true, kOk,
             {F(u"A", {S(u"Sum"), S(u"FormatNumber", 1), S(u"Format", u"0%")})}},
        Case{"word continuing a statement with arguments", u"[NAME].First.Leftover", false,
             improper(u".Left(0)", u"NAME"), {}},
        Case{"space before the parenthesis", u"[NAME].First.Left 3", false, improper(u".Left(0)", u"NAME"), {}},
        Case{"statement at the very end", u"[NAME].First.Left", false, improper(u".Left(0)", u"NAME"), {}},
        Case{"non-numeric argument", u"[A].First.Round(x)", false, improper(u".Round(0)", u"A"), {}},
        Case{"unclosed argument list", u"[A].First.Round(2", false, improper(u".Round(0)", u"A"), {}},
        Case{"empty numeric argument", u"[A].First.Round()", false, improper(u".Round(0)", u"A"), {}},
        Case{"spaces around a number", u"[A].First.Round( 2 )", true, kOk, {F(u"A", {S(u"First"), S(u"Round", 2)})}},
        Case{"Mid without comma", u"[A].First.Mid(2)", false, improper(u".Mid(0,0)", u"A"), {}},
        Case{"Mid with a bad second number", u"[A].First.Mid(2,x)", false, improper(u".Mid(0,0)", u"A"), {}},
        Case{"Mid", u"[A].First.Mid(2,3)", true, kOk, {F(u"A", {S(u"First"), S(u"Mid", 2, 3)})}},
        Case{"Replace unclosed", u"[A].First.Replace(a,b", false, improper(u".Replace(Search,Replace)", u"A"), {}},
        Case{"Replace without comma", u"[A].First.Replace(ab)", false, improper(u".Replace(Search,Replace)", u"A"),
             {}},
        Case{"Replace with a space", u"[A].First.Replace( ,_)", true, kOk,
             {F(u"A", {S(u"First"), S(u"Replace", u" ", u"_")})}},
        Case{"Replace with empty texts", u"[A].First.Replace(,)", true, kOk,
             {F(u"A", {S(u"First"), S(u"Replace", u"", u"")})}},
        Case{"closing parenthesis in the search text", u"[A].First.Replace(a)b,c)", true, kOk,
             {F(u"A", {S(u"First"), S(u"Replace", u"a)b", u"c")}), T(u"b,c)")}},
        Case{"Format instructions", u"[A].First.Format(#,##0)", true, kOk,
             {F(u"A", {S(u"First"), S(u"Format", u"#,##0")})}},
        Case{"Format ends at the first parenthesis", u"[A].First.Format(0.0 (x))", true, kOk,
             {F(u"A", {S(u"First"), S(u"Format", u"0.0 (x")}), T(u")")}},
        Case{"Format with empty instructions", u"[A].First.Format()", true, kOk,
             {F(u"A", {S(u"First"), S(u"Format", u"")})}},
        Case{"Format without parenthesis", u"[A].First.Format", false, improper(u".Format(Instructions)", u"A"), {}},
        Case{"FormatNumber malformed", u"[A].Sum.FormatNumber(two)", false, improper(u".FormatNumber(0)", u"A"), {}},
        Case{"Right malformed", u"[A].First.Right(", false, improper(u".Right(0)", u"A"), {}},
        Case{"Spaces malformed", u"[A].First.Spaces(a)", false, improper(u".Spaces(0)", u"A"), {}},
        Case{"number beyond 32 bits", u"[A].First.Left(12345678901)", false, kChainUnknown, {}},
        Case{"rounding past the 32-bit limit", u"[A].First.Left(2147483647.5)", false, kChainUnknown, {}},
        Case{"32-bit limits", u"[A].First.Left(2147483647).Right(-2147483648)", true, kOk,
             {F(u"A", {S(u"First"), S(u"Left", 2147483647), S(u"Right", -2147483647 - 1)})}},
        Case{"halves round to even", u"[A].First.Left(2.5).Right(3.5).Spaces(-2.5)", true, kOk,
             {F(u"A", {S(u"First"), S(u"Left", 2), S(u"Right", 4), S(u"Spaces", -2)})}},
        Case{"error names the field as written", u"[ My Field ].First.Left(x)", false,
             improper(u".Left(0)", u" My Field "), {}},
        Case{"every statement, lower case",
             u"[F].average.count.first.last.maximum.minimum.stddev.sum.variance.abs.formatcurrency"
             u".formatnumber(1).format(x).lcase.left(1).ltrim.mid(1,2).replace(a,b).right(1).round(1).rtrim"
             u".spaces(1).tcase.trim.ucase",
             true, kOk,
             {F(u"F", {S(u"Average"), S(u"Count"), S(u"First"), S(u"Last"), S(u"Maximum"), S(u"Minimum"),
                       S(u"StdDev"), S(u"Sum"), S(u"Variance"), S(u"Abs"), S(u"FormatCurrency"),
                       S(u"FormatNumber", 1), S(u"Format", u"x"), S(u"LCase"), S(u"Left", 1), S(u"LTrim"),
                       S(u"Mid", 1, 2), S(u"Replace", u"a", u"b"), S(u"Right", 1), S(u"Round", 1), S(u"RTrim"),
                       S(u"Spaces", 1), S(u"TCase"), S(u"Trim"), S(u"UCase")})}},
        Case{"summary later in the chain is recorded", u"[A].Round(1).Sum", true, kOk,
             {F(u"A", {S(u"Round", 1), S(u"Sum")})}},
        Case{"text around and between fields", u"x[A].Sum and [B].Count!", true, kOk,
             {T(u"x"), F(u"A", {S(u"Sum")}), T(u" and "), F(u"B", {S(u"Count")}), T(u"!")}},
        Case{"adjacent fields", u"[A].Sum[B].Count", true, kOk, {F(u"A", {S(u"Sum")}), F(u"B", {S(u"Count")})}},
        Case{"tokens beside fields", u"$$VALUE: [A].Sum$$label", true, kOk,
             {L(u"VALUE"), T(u": "), F(u"A", {S(u"Sum")}), L(u"label")}},
        Case{"tokens without fields", u"Total $$LABEL ($$value)", true, kNoFields,
             {T(u"Total "), L(u"LABEL"), T(u" ("), L(u"value"), T(u")")}},
        Case{"token followed by letters", u"$$LABELS", true, kNoFields, {L(u"LABEL"), T(u"S")}},
        Case{"three dollars", u"$$$LABEL", true, kNoFields, {T(u"$$"), T(u"$LABEL")}},
        Case{"dollars alone", u"$$", true, kNoFields, {T(u"$$")}},
        Case{"line break token stays text", u"a$$NEWLINEb", true, kNoFields, {T(u"a$$"), T(u"NEWLINEb")}},
        Case{"spaces only", u"   ", true, kNoFields, {T(u"   ")}},
        Case{"field name of one space", u"[ ]", true, kOk, {F(u" ", {S(u"NONE")})}},
        Case{"line breaks removed", u"[A].Sum\r\n acres", true, kOk, {F(u"A", {S(u"Sum")}), T(u" acres")}},
        Case{"lone CR, LF and tab removed", u"[A\tB].Sum\r.Count\n!", true, kOk,
             {F(u"AB", {S(u"Sum"), S(u"Count")}), T(u"!")}},
        Case{"empty", u"", false, u"Expression is empty.", {}},
        Case{"only line breaks", u"\r\n\t\n", false, u"Expression is empty.", {}},
        Case{"opening bracket only", u"[A", false, u"Missing close bracket(\"]\") on field name.", {}},
        Case{"closing bracket only", u"A]", false, u"Missing open bracket(\"[\") on field name.", {}},
        Case{"close before open", u"a]b[c]", false, u"Missing Open bracket (\"[\") or nested field names!", {}},
        Case{"doubled close", u"[A]]", false, u"Missing Open bracket (\"[\") or nested field names!", {}},
        Case{"close after a chain", u"[A].Sum]", false, u"Missing Open bracket (\"[\") or nested field names!", {}},
        Case{"nested", u"[[A]]", false, u"Missing close bracket (\"]\") or nested field names!", {}},
        Case{"empty brackets", u"[]", false, u"Empty Field name brackets (\"[ ]\")!", {}},
        Case{"unclosed at the end", u"[A].Sum x [", false, u"Missing close bracket (\"]\")!", {}}));

TEST(ParseFormattingStatements, ReportsHowFarTheChainReached) {
  engine::LabelerFields fields;
  const std::u16string expr = u"[A].Sum.Round(2) x";
  auto r = engine::ParseFormattingStatements(fields, expr, 3, 1);
  EXPECT_TRUE(r.success);
  EXPECT_EQ(r.position, 16);  // the closing parenthesis of Round
  EXPECT_EQ(r.message, kOk);
  EXPECT_EQ(r.statements, (std::vector<engine::FormattingStatement>{S(u"Sum"), S(u"Round", 2)}));

  r = engine::ParseFormattingStatements(fields, u"[A] x", 3, 1);
  EXPECT_TRUE(r.success);
  EXPECT_EQ(r.position, 3);
  EXPECT_EQ(r.statements, (std::vector<engine::FormattingStatement>{S(u"NONE")}));
}

TEST(ParseFormattingStatements, StopsAtTheMalformedStatement) {
  engine::LabelerFields fields;
  auto r = engine::ParseFormattingStatements(fields, u"[A].Sum.Abs.Round(x)", 3, 1);
  EXPECT_FALSE(r.success);
  EXPECT_FALSE(fields.LabelsValid);
  EXPECT_EQ(r.position, 11);  // after .Abs, before the failing statement
  EXPECT_EQ(r.message, improper(u".Round(0)", u"A"));
  EXPECT_EQ(fields.Message, r.message);
  EXPECT_EQ(r.statements, (std::vector<engine::FormattingStatement>{S(u"Sum"), S(u"Abs")}));

  r = engine::ParseFormattingStatements(fields, u"[A].Sum.Left(99999999999)", 3, 1);
  EXPECT_FALSE(r.success);
  EXPECT_EQ(r.message, kChainUnknown);
  EXPECT_EQ(r.position, 7);
}

TEST(EvaluateExpression, EveryCallStartsANewPieceList) {
  engine::LabelerFields fields;
  ASSERT_TRUE(engine::EvaluateExpression(fields, u"[A].Sum"));
  ASSERT_EQ(fields.ExpressionPieces.size(), 1u);
  EXPECT_FALSE(engine::EvaluateExpression(fields, u""));
  EXPECT_TRUE(fields.ExpressionPieces.empty());
  // Pieces read before an error stay; nothing reads them.
  EXPECT_FALSE(engine::EvaluateExpression(fields, u"x [A].Sum ["));
  EXPECT_EQ(fields.ExpressionPieces, (ExpressionPieceList{T(u"x "), F(u"A", {S(u"Sum")}), T(u" ")}));
}

TEST(EvaluateExpression, LeavesTheCallersTextAlone) {
  engine::LabelerFields fields;
  const std::u16string expression = u"[A].Sum\r\n\tacres";
  const std::u16string copy = expression;
  EXPECT_TRUE(engine::EvaluateExpression(fields, expression));
  EXPECT_EQ(expression, copy);
}

TEST(EvaluateExpression, ReadsNumbersInTheUsersLocale) {
  engine::LabelerFields fields;
  platform::locale::setOverride("de_DE");
  EXPECT_TRUE(engine::EvaluateExpression(fields, u"[A].Sum.Round(2,5).Left(3,5)"));
  platform::locale::setOverride("");
  ASSERT_EQ(fields.ExpressionPieces.size(), 1u);
  EXPECT_EQ(fields.ExpressionPieces[0].statements,
            (std::vector<engine::FormattingStatement>{S(u"Sum"), S(u"Round", 2), S(u"Left", 4)}));
}

TEST(SplitLegendTokens, EmptyTextGivesNoPieces) { EXPECT_TRUE(engine::SplitLegendTokens(u"").empty()); }

TEST(SplitLegendTokens, CutsAtEveryToken) {
  EXPECT_EQ(engine::SplitLegendTokens(u"$$Value$$LABEL x $$lAbEl"),
            (ExpressionPieceList{L(u"Value"), L(u"LABEL"), T(u" x "), L(u"lAbEl")}));
  EXPECT_EQ(engine::SplitLegendTokens(u"a$$VALU"), (ExpressionPieceList{T(u"a$$"), T(u"VALU")}));
}

}  // namespace
