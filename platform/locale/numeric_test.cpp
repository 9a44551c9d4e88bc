// The locale-aware number test, also the parser of numeric text.
#include <charconv>
#include <string>

#include "platform/locale/number_symbols.h"
#include "platform/locale/user_locale.h"

namespace platform::locale {
namespace {

bool isSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\u00A0' || c == u'\u202F'; }

class Scanner {
 public:
  Scanner(std::u16string_view text, std::size_t begin, std::size_t end) : s_(text), i_(begin), end_(end) {}

  bool atEnd() const { return i_ >= end_; }
  char16_t peek() const { return atEnd() ? 0 : s_[i_]; }
  void skipSpaces() {
    while (!atEnd() && isSpace(s_[i_])) ++i_;
  }
  bool take(std::u16string_view token) {
    if (token.empty() || end_ - i_ < token.size() || s_.substr(i_, token.size()) != token) return false;
    i_ += token.size();
    return true;
  }
  bool takeSign(bool& negative) {
    if (peek() == u'+' || peek() == u'-') {
      negative = peek() == u'-';
      ++i_;
      return true;
    }
    return false;
  }
  // Trailing tokens are taken off the end.
  bool takeFromEnd(std::u16string_view token) {
    if (token.empty() || end_ - i_ < token.size() || s_.substr(end_ - token.size(), token.size()) != token) return false;
    end_ -= token.size();
    return true;
  }
  void skipSpacesFromEnd() {
    while (end_ > i_ && isSpace(s_[end_ - 1])) --end_;
  }
  bool takeSignFromEnd(bool& negative) {
    if (end_ > i_ && (s_[end_ - 1] == u'+' || s_[end_ - 1] == u'-')) {
      negative = s_[end_ - 1] == u'-';
      --end_;
      return true;
    }
    return false;
  }
  std::size_t& position() { return i_; }

 private:
  std::u16string_view s_;
  std::size_t i_, end_;
};

bool spaceLike(const std::u16string& separator) { return separator.size() == 1 && isSpace(separator[0]); }

}  // namespace

bool isNumeric(std::u16string_view text, double* value) {
  const NumberSymbols& numeric = numberSymbols(localeName(Category::Numeric));
  const std::u16string& currency = numberSymbols(localeName(Category::Monetary)).currency;

  std::size_t begin = 0, end = text.size();
  while (begin < end && isSpace(text[begin])) ++begin;
  while (end > begin && isSpace(text[end - 1])) --end;
  if (begin == end) return false;

  // "(5)" is minus five, as in accounting formats; no other sign inside.
  bool parentheses = false;
  if (text[begin] == u'(' && text[end - 1] == u')' && end - begin >= 2) {
    parentheses = true;
    ++begin;
    --end;
  }
  Scanner in(text, begin, end);
  in.skipSpaces();
  in.skipSpacesFromEnd();

  bool negative = false, signSeen = false, currencySeen = false;
  signSeen = in.takeSign(negative);
  in.skipSpaces();
  if (in.take(currency)) {
    currencySeen = true;
    in.skipSpaces();
    if (!signSeen) signSeen = in.takeSign(negative);
    in.skipSpaces();
  }
  if (!signSeen) {
    signSeen = in.takeSignFromEnd(negative);
    in.skipSpacesFromEnd();
  }
  if (!currencySeen && in.takeFromEnd(currency)) {
    in.skipSpacesFromEnd();
    if (!signSeen) signSeen = in.takeSignFromEnd(negative);
    in.skipSpacesFromEnd();
  }
  if (parentheses && signSeen) return false;
  negative = negative || parentheses;

  std::string digits = negative ? "-" : "";
  bool anyDigit = false, pointSeen = false;
  const bool spaceGrouping = spaceLike(numeric.grouping);
  while (!in.atEnd()) {
    const char16_t c = in.peek();
    if (c >= u'0' && c <= u'9') {
      digits += static_cast<char>(c);
      anyDigit = true;
      ++in.position();
    } else if (!pointSeen && in.take(numeric.decimal)) {
      digits += '.';
      pointSeen = true;
    } else if (!pointSeen && anyDigit && (in.take(numeric.grouping) || (spaceGrouping && in.take(u" ")))) {
      // grouping anywhere in the whole part, as automation accepts it
    } else {
      break;
    }
  }
  if (!anyDigit) return false;
  const char16_t e = in.peek();
  if (e == u'E' || e == u'e' || e == u'D' || e == u'd') {
    ++in.position();
    std::string exponent = "e";
    bool expNegative = false;
    if (in.takeSign(expNegative) && expNegative) exponent += '-';
    bool expDigit = false;
    while (in.peek() >= u'0' && in.peek() <= u'9') {
      exponent += static_cast<char>(in.peek());
      ++in.position();
      expDigit = true;
    }
    if (!expDigit) return false;
    digits += exponent;
  }
  if (!in.atEnd()) return false;
  double parsed = 0;
  auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), parsed);
  if (ec != std::errc() || ptr != digits.data() + digits.size()) return false;
  if (value) *value = parsed;
  return true;
}

}  // namespace platform::locale
