#include "engine/formatting_statements.h"

#include <unicode/utf16.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>

#include "engine/text_compare.h"
#include "platform/format/value_text.h"
#include "platform/locale/user_locale.h"

namespace engine {
namespace {

namespace fmt = platform::format;
namespace loc = platform::locale;
using Kind = com::Variant::Kind;

// Results beyond this many UTF-16 units are not labels any legend can show;
// a statement that would make one is treated as one that can't be done
// rather than exhausting memory.
constexpr std::size_t kMaxResultUnits = std::size_t{1} << 20;

// Thrown inside a statement that can not be carried out; the caller turns it
// into "leave the value as it was".
struct CannotApply {};

std::u16string asText(const com::Variant& v) { return fmt::toText(v); }

std::int32_t intArgument(const com::Variant& arg) {
  switch (arg.kind()) {
    case Kind::Int16: return arg.int16();
    case Kind::Int32: return arg.int32();
    case Kind::Bool: return arg.boolean() ? -1 : 0;
    case Kind::Double:
    case Kind::Text: {
      double d = 0;
      if (arg.isText()) {
        if (!loc::isNumeric(arg.text(), &d)) throw CannotApply{};
      } else {
        d = arg.real();
      }
      d = std::nearbyint(d);
      if (!(d >= std::numeric_limits<std::int32_t>::min() && d <= std::numeric_limits<std::int32_t>::max()))
        throw CannotApply{};
      return static_cast<std::int32_t>(d);
    }
    default: throw CannotApply{};
  }
}

std::u16string textArgument(const com::Variant& arg) {
  if (arg.isText()) return arg.text();
  if (arg.isNull() || arg.isObject()) throw CannotApply{};
  return asText(arg);
}

std::u16string trimLeft(std::u16string s) {
  s.erase(0, s.find_first_not_of(u' ') == std::u16string::npos ? s.size() : s.find_first_not_of(u' '));
  return s;
}
std::u16string trimRight(std::u16string s) {
  auto last = s.find_last_not_of(u' ');
  s.erase(last == std::u16string::npos ? 0 : last + 1);
  return s;
}

bool isWordSeparator(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

// First letter of every word up, the rest down; words end at white space only.
std::u16string titleCase(std::u16string_view s) {
  std::u16string out;
  std::size_t i = 0;
  while (i < s.size()) {
    if (isWordSeparator(s[i])) {
      out.push_back(s[i++]);
      continue;
    }
    std::size_t end = i;
    while (end < s.size() && !isWordSeparator(s[end])) ++end;
    std::size_t firstEnd = i;
    U16_FWD_1(s.data(), firstEnd, end);
    out += loc::toUpper(s.substr(i, firstEnd - i));
    out += loc::toLower(s.substr(firstEnd, end - firstEnd));
    i = end;
  }
  return out;
}

// n spaces after every character; a surrogate pair is one character.
std::u16string spaced(std::u16string_view s, std::int32_t n) {
  std::size_t characters = 0;
  for (std::size_t i = 0; i < s.size(); ++characters) U16_FWD_1(s.data(), i, s.size());
  if (characters != 0 && static_cast<std::size_t>(n) > (kMaxResultUnits - s.size()) / characters) throw CannotApply{};
  std::u16string out;
  out.reserve(s.size() + characters * static_cast<std::size_t>(n));
  for (std::size_t i = 0; i < s.size();) {
    std::size_t next = i;
    U16_FWD_1(s.data(), next, s.size());
    out.append(s.substr(i, next - i));
    out.append(static_cast<std::size_t>(n), u' ');
    i = next;
  }
  return out;
}

com::Variant absolute(const com::Variant& v, double d) {
  switch (v.kind()) {
    case Kind::Int16:
      if (v.int16() == std::numeric_limits<std::int16_t>::min()) throw CannotApply{};  // overflows its type
      return static_cast<std::int16_t>(std::abs(v.int16()));
    case Kind::Int32:
      if (v.int32() == std::numeric_limits<std::int32_t>::min()) throw CannotApply{};
      return static_cast<std::int32_t>(std::abs(v.int32()));
    case Kind::Bool:
    case Kind::Empty: return static_cast<std::int16_t>(std::abs(static_cast<int>(d)));
    default: return std::fabs(d);
  }
}

com::Variant rounded(const com::Variant& v, double d, std::int32_t places) {
  if (places < 0) throw CannotApply{};
  switch (v.kind()) {
    case Kind::Int16:
    case Kind::Int32: return v;  // whole numbers already
    case Kind::Bool:
    case Kind::Empty: return static_cast<std::int16_t>(d);
    default: {
      double r = fmt::roundHalfEven(d, places);
      if (!std::isfinite(r)) throw CannotApply{};
      return r;
    }
  }
}

com::Variant apply(const com::Variant& value, std::u16string_view name, const com::Variant& arg1,
                   const com::Variant& arg2) {
  auto is = [&](std::u16string_view n) { return equalsNoCase(name, n); };

  // Statements that only work on numbers.
  if (is(u"Abs") || is(u"FormatCurrency") || is(u"FormatNumber") || is(u"Round")) {
    double d = 0;
    if (!isNumericValue(value, &d)) return value;
    if (is(u"Abs")) return absolute(value, d);
    if (is(u"FormatCurrency")) return fmt::formatCurrency(d);
    if (is(u"FormatNumber")) {
      auto text = fmt::formatNumber(d, intArgument(arg1));
      if (!text) throw CannotApply{};
      return *text;
    }
    return rounded(value, d, intArgument(arg1));
  }

  if (is(u"Format")) {
    auto text = fmt::format(value, textArgument(arg1), fmt::FirstDayOfWeek::Sunday, fmt::FirstWeekOfYear::Jan1);
    if (!text) throw CannotApply{};
    // Null stays null unless the instructions give it a text of its own.
    if (value.isNull() && text->empty()) return value;
    return *text;
  }

  static constexpr std::u16string_view kTextStatements[] = {u"LCase", u"Left",  u"LTrim",  u"Mid",
                                                            u"Replace", u"Right", u"RTrim", u"Spaces",
                                                            u"TCase", u"Trim",  u"UCase"};
  bool textStatement = false;
  for (auto n : kTextStatements) textStatement = textStatement || is(n);
  if (!textStatement) return value;
  // Null adds nothing to a label and stays null through the text statements.
  if (value.isNull()) return value;
  if (value.isObject()) throw CannotApply{};
  const std::u16string text = asText(value);

  if (is(u"LCase")) return loc::toLower(text);
  if (is(u"UCase")) return loc::toUpper(text);
  if (is(u"TCase")) return titleCase(text);
  if (is(u"LTrim")) return trimLeft(text);
  if (is(u"RTrim")) return trimRight(text);
  if (is(u"Trim")) return trimLeft(trimRight(text));
  if (is(u"Left") || is(u"Right")) {
    std::int32_t n = intArgument(arg1);
    if (n < 0) throw CannotApply{};
    auto count = std::min(text.size(), static_cast<std::size_t>(n));
    return is(u"Left") ? text.substr(0, count) : text.substr(text.size() - count);
  }
  if (is(u"Mid")) {
    std::int32_t start = intArgument(arg1), length = intArgument(arg2);
    if (start < 1 || length < 0) throw CannotApply{};
    auto from = static_cast<std::size_t>(start - 1);
    if (from >= text.size()) return std::u16string();
    return text.substr(from, static_cast<std::size_t>(length));
  }
  if (is(u"Replace")) {
    std::u16string search = textArgument(arg1);
    if (search.empty()) return value;
    return replaceNoCase(text, search, textArgument(arg2));
  }
  // Spaces
  std::int32_t n = intArgument(arg1);
  if (n <= 0) return text;
  return spaced(text, n);
}

}  // namespace

bool isNumericValue(const com::Variant& value, double* number) {
  double d = 0;
  switch (value.kind()) {
    case Kind::Int16:
    case Kind::Int32:
    case Kind::Double:
    case Kind::Bool:
    case Kind::Empty: d = value.toDouble(); break;
    case Kind::Text:
      if (!loc::isNumeric(value.text(), &d)) return false;
      break;
    default: return false;
  }
  if (number) *number = d;
  return true;
}

com::Variant ApplyFormattingStatement(const com::Variant& value, std::u16string_view name, const com::Variant& arg1,
                                      const com::Variant& arg2) {
  try {
    com::Variant r = apply(value, name, arg1, arg2);
    if (r.isText() && r.text().size() > kMaxResultUnits) return value;
    return r;
  } catch (...) {
    // Whatever can not be done leaves the value as it was, without a message.
    return value;
  }
}

}  // namespace engine
