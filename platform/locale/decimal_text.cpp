// The plain decimal test shared by the settings store and the dialog, so
// that what the dialog accepts is what the store keeps as a number.
#include <charconv>
#include <cmath>
#include <string>

#include "platform/locale/user_locale.h"

namespace platform::locale {
namespace {

bool isBlank(char16_t c) { return c == u' ' || c == u'\t'; }
bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

}  // namespace

bool isDecimalText(std::u16string_view text, double* value) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  const std::u16string separator = decimalSeparator();
  // Rebuilt in the C form that from_chars reads.
  std::string c;
  std::size_t i = 0;
  auto at = [&](std::size_t k) { return k < text.size() ? text[k] : u'\0'; };
  if (at(i) == u'+' || at(i) == u'-') c += static_cast<char>(text[i++]);
  int digits = 0;
  while (isDigit(at(i))) c += static_cast<char>(text[i++]), ++digits;
  if (!separator.empty() && text.substr(i).starts_with(separator)) {
    c += '.';
    i += separator.size();
  } else if (at(i) == u'.') {
    c += '.';
    ++i;
  }
  while (isDigit(at(i))) c += static_cast<char>(text[i++]), ++digits;
  if (digits == 0) return false;
  if (at(i) == u'e' || at(i) == u'E') {
    std::string exponent = "e";
    std::size_t k = i + 1;
    if (at(k) == u'+' || at(k) == u'-') exponent += static_cast<char>(text[k++]);
    int expDigits = 0;
    while (isDigit(at(k))) exponent += static_cast<char>(text[k++]), ++expDigits;
    if (expDigits == 0) return false;
    c += exponent;
    i = k;
  }
  if (i != text.size()) return false;
  // from_chars, unlike strtod, does not follow the C library's locale.
  double v = 0;
  const char* first = c.c_str();
  if (*first == '+') ++first;
  auto [end, ec] = std::from_chars(first, c.c_str() + c.size(), v);
  if (ec != std::errc() || end != c.c_str() + c.size() || !std::isfinite(v)) return false;
  if (value) *value = v;
  return true;
}

}  // namespace platform::locale
