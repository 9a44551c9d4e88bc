#include "engine/statement_table.h"

#include "engine/text_compare.h"

namespace engine {
namespace {

using A = ArgumentForm;

constexpr StatementEntry kTable[] = {
    {u".Average", u"Average", true, A::None, u""},
    {u".Count", u"Count", true, A::None, u""},
    {u".First", u"First", true, A::None, u""},
    {u".Last", u"Last", true, A::None, u""},
    {u".Maximum", u"Maximum", true, A::None, u""},
    {u".Minimum", u"Minimum", true, A::None, u""},
    {u".StdDev", u"StdDev", true, A::None, u""},
    {u".Sum", u"Sum", true, A::None, u""},
    {u".Variance", u"Variance", true, A::None, u""},
    {u".Abs", u"Abs", false, A::None, u""},
    {u".FormatCurrency", u"FormatCurrency", false, A::None, u""},
    {u".FormatNumber", u"FormatNumber", false, A::OneNumber,
     u"Improper \".FormatNumber(0)\" formatting statement after ["},
    {u".Format", u"Format", false, A::OneText, u"Improper \".Format(Instructions)\" formatting statement after ["},
    {u".LCase", u"LCase", false, A::None, u""},
    {u".Left", u"Left", false, A::OneNumber, u"Improper \".Left(0)\" formatting statement after ["},
    {u".LTrim", u"LTrim", false, A::None, u""},
    {u".Mid", u"Mid", false, A::TwoNumbers, u"Improper \".Mid(0,0)\" formatting statement after ["},
    {u".Replace", u"Replace", false, A::TwoTexts,
     u"Improper \".Replace(Search,Replace)\" formatting statement after ["},
    {u".Right", u"Right", false, A::OneNumber, u"Improper \".Right(0)\" formatting statement after ["},
    {u".Round", u"Round", false, A::OneNumber, u"Improper \".Round(0)\" formatting statement after ["},
    {u".RTrim", u"RTrim", false, A::None, u""},
    {u".Spaces", u"Spaces", false, A::OneNumber, u"Improper \".Spaces(0)\" formatting statement after ["},
    {u".TCase", u"TCase", false, A::None, u""},
    {u".Trim", u"Trim", false, A::None, u""},
    {u".UCase", u"UCase", false, A::None, u""},
};

}  // namespace

std::span<const StatementEntry> statementTable() { return kTable; }

bool isSummaryName(std::u16string_view name) {
  for (const auto& s : kTable) {
    if (s.summary && equalsNoCase(s.name, name)) return true;
  }
  return false;
}

}  // namespace engine
