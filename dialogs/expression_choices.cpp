#include "dialogs/expression_choices.h"

#include <array>

#include "host/types.h"
#include "platform/locale/user_locale.h"

namespace dialogs {
namespace {

// The help lines end where the quoted example ends; those with a quoted
// example keep the blank after its closing quote.
constexpr std::array<FormattingStatementEntry, 16> kStatements{{
    {u".Abs", u".Abs: Absolute value of a number.  Example: -3.Abs = 3"},
    {u".FormatCurrency", u".FormatCurrency: Number formatted to system currency.  Example: 100.FormatCurrency = $100.00"},
    {u".Format(Instructions)",
     u".Format(Instructions): Format strings, numbers and dates using instructions.  See Help for examples."},
    {u".FormatNumber(0)", u".FormatNumber(0): Sets number of decimal places.  Example: 2.53.FormatNumber(4) = 2.5300"},
    {u".LCase", u".LCase: Sets all characters to lower case.  Example: \"Hello World\".LCase = \"hello world\" "},
    {u".Left(0)", u".Left(0): Returns left x number of characters.  Example: \"Hello World\".Left(2) = \"He\" "},
    {u".LTrim", u".LTrim: Removes spaces to left of string.  Example: \"   Hello World\".LTrim = \"Hello World\" "},
    {u".Mid(0,0)", u".Mid(0,0): Returns middle x number of characters.  Example: \"Hello World\".Mid(7,3) = \"Wor\" "},
    {u".Replace(Search,Replace)",
     u".Replace(Search,Replace): Replace string.  Example: \"Hello World\".Replace(o,xx) = \"Hellxx Wxxrld\" "},
    {u".Right(0)", u".Right(0): Returns right x number of characters.  Example: \"Hello World\".Right(2) = \"ld\" "},
    {u".Round(0)", u".Round(0): Rounds number to decimal places.  Example: 2.67.Round(0) = 3"},
    {u".RTrim", u".RTrim: Removes spaces to right of string.  Example: \"Hello World     \".RTrim = \"Hello World\" "},
    {u".Spaces(0)", u".Spaces(0): Inserts spaces between characters.  Example: \"GIS\".Spaces(3) = \"G   I   S\" "},
    {u".TCase",
     u".TCase: Sets first character of each word to upper case.  Example: \"hello world\".TCase = \"Hello World\" "},
    {u".Trim",
     u".Trim: Removes spaces from both sides of string.  Example: \"   Hello World     \".Trim = \"Hello World\" "},
    {u".UCase", u".UCase: Sets all characters to upper case.  Example: \"Hello World\".UCase = \"HELLO WORLD\" "},
}};

constexpr std::array<std::u16string_view, 9> kNumberMethods{u".Average", u".Count", u".First", u".Last", u".Maximum",
                                                           u".Minimum", u".StdDev", u".Sum", u".Variance"};
constexpr std::array<std::u16string_view, 3> kStringMethods{u".Count", u".First", u".Last"};

bool sameText(std::u16string_view a, std::u16string_view b) {
  return platform::locale::toUpper(a) == platform::locale::toUpper(b);
}

}  // namespace

std::span<const FormattingStatementEntry> formattingStatements() { return kStatements; }

std::u16string_view formattingStatementHelp(std::u16string_view entry) {
  for (const auto& s : kStatements)
    if (sameText(s.entry, entry)) return s.help;
  return {};
}

std::optional<std::u16string_view> fieldCategory(int fieldType) {
  switch (fieldType) {
    case host::FieldTypeSmallInteger:
    case host::FieldTypeInteger:
    case host::FieldTypeSingle:
    case host::FieldTypeDouble:
    case host::FieldTypeOID:
      return kNumberCategory;
    case host::FieldTypeString:
    case host::FieldTypeDate:
      return kStringCategory;
    default:
      return std::nullopt;
  }
}

std::span<const std::u16string_view> summaryMethods(std::u16string_view category) {
  if (sameText(category, kStringCategory)) return kStringMethods;
  return kNumberMethods;
}

}  // namespace dialogs
