#include "mapdoc/data/qt_text.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace mapdoc::data {
namespace {

// Qt trims what QChar::isSpace calls a space: ASCII blanks and the Unicode
// spaces, of which no-break (U+00A0) and next-line (U+0085) turn up in data.
bool asciiSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool latinSpace(unsigned char lead, unsigned char c) { return lead == 0xC2 && (c == 0xA0 || c == 0x85); }

std::string_view trimmed(std::string_view s) {
  auto at = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  while (!s.empty()) {
    if (asciiSpace(at(0))) s.remove_prefix(1);
    else if (s.size() >= 2 && latinSpace(at(0), at(1))) s.remove_prefix(2);
    else break;
  }
  while (!s.empty()) {
    const std::size_t n = s.size();
    if (asciiSpace(at(n - 1))) s.remove_suffix(1);
    else if (n >= 2 && latinSpace(at(n - 2), at(n - 1))) s.remove_suffix(2);
    else break;
  }
  return s;
}

bool digitsOnly(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace

std::optional<double> qtNumber(std::string_view text) {
  std::string_view s = trimmed(text);
  if (s == "nan") return std::numeric_limits<double>::quiet_NaN();
  if (s == "inf" || s == "+inf") return std::numeric_limits<double>::infinity();
  if (s == "-inf") return -std::numeric_limits<double>::infinity();
  std::string_view body = s;
  if (!body.empty() && (body.front() == '+' || body.front() == '-')) body.remove_prefix(1);
  // digits, a point, digits (one side at least), then an exponent
  std::size_t i = 0, digits = 0;
  while (i < body.size() && body[i] >= '0' && body[i] <= '9') ++i, ++digits;
  if (i < body.size() && body[i] == '.') {
    ++i;
    while (i < body.size() && body[i] >= '0' && body[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (i < body.size() && (body[i] == 'e' || body[i] == 'E')) {
    ++i;
    if (i < body.size() && (body[i] == '+' || body[i] == '-')) ++i;
    if (!digitsOnly(body.substr(i))) return std::nullopt;
    i = body.size();
  }
  if (i != body.size()) return std::nullopt;
  // from_chars takes no '+', and reads the exponent's sign itself
  std::string plain(s.front() == '+' ? s.substr(1) : s);
  double x = 0;
  auto [end, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), x);
  if (ec != std::errc() || end != plain.data() + plain.size() || !std::isfinite(x)) return std::nullopt;
  return x;
}

std::string qtNumberText(double x) {
  if (std::isnan(x)) return "nan";
  if (std::isinf(x)) return x > 0 ? "inf" : "-inf";
  if (x == 0) return "0";  // -0 too
  // The shortest digits that read back as x, and where the point goes.
  char buffer[64];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(x), std::chars_format::scientific).ptr;
  const std::string sci(buffer, end);
  const auto e = sci.find('e');
  std::string digits;
  for (char c : sci.substr(0, e))
    if (c != '.') digits += c;
  const int decpt = std::stoi(sci.substr(e + 1)) + 1;
  const int length = static_cast<int>(digits.size());
  // Qt takes the shorter of the two forms (QLocaleData::doubleToString).
  int cutoff = 6;
  if (decpt > 0) {
    cutoff = length + 4 + (decpt <= 10 ? 1 : decpt > 100 ? 2 : 1);
    if (length > decpt) ++cutoff;
  }
  std::string out = x < 0 ? "-" : "";
  if (decpt - 1 < -4 || decpt - 1 >= cutoff) {
    out += digits.substr(0, 1);
    if (length > 1) out += "." + digits.substr(1);
    const int exponent = decpt - 1;
    const std::string power = std::to_string(std::abs(exponent));
    out += std::string("e") + (exponent < 0 ? "-" : "+") + (power.size() < 2 ? "0" : "") + power;
  } else if (decpt <= 0) {
    out += "0." + std::string(static_cast<std::size_t>(-decpt), '0') + digits;
  } else if (decpt >= length) {
    out += digits + std::string(static_cast<std::size_t>(decpt - length), '0');
  } else {
    out += digits.substr(0, static_cast<std::size_t>(decpt)) + "." + digits.substr(static_cast<std::size_t>(decpt));
  }
  return out;
}

}  // namespace mapdoc::data
