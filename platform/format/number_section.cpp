#include "platform/format/number_section.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "platform/format/format_scan.h"
#include "platform/locale/user_locale.h"

namespace platform::format {
namespace {

using std::u16string;
using std::u16string_view;

// Tokens point into the section's text, which outlives them: a format of a
// million codes keeps no string per code.
struct Token {
  enum Kind { Literal, Digit, Point, Exponent } kind;
  u16string_view text;  // the literal; "0"/"#" for a digit place; "E+", "e-", ... for an exponent
};

struct Section {
  std::vector<Token> tokens;
  int intPlaces = 0, intZeros = 0;  // places before the point; places that always show a digit
  int fracPlaces = 0, fracZeros = 0;
  int expZeros = 0;
  bool grouping = false, percent = false, scientific = false;
  int scale = 0;  // divisions by 1000 from commas after the last integer place
};

Section parse(u16string_view f) {
  Section s;
  bool afterPoint = false, afterExponent = false;
  int pendingCommas = 0, firstIntZero = -1;
  auto scaleByPendingCommas = [&] {
    s.scale += pendingCommas;
    pendingCommas = 0;
  };
  for (std::size_t i = 0; i < f.size(); ++i) {
    const char16_t c = f[i];
    if (c == u'"') {
      std::size_t close = 0;
      s.tokens.push_back({Token::Literal, scan::quoted(f, i, close)});
      i = close;
    } else if (c == u'\\' && i + 1 < f.size()) {
      ++i;
      s.tokens.push_back({Token::Literal, f.substr(i, 1)});
    } else if (c == u'0' || c == u'#') {
      s.tokens.push_back({Token::Digit, f.substr(i, 1)});
      if (afterExponent) {
        if (c == u'0') ++s.expZeros;
      } else if (afterPoint) {
        pendingCommas = 0;  // a comma between decimal places does nothing
        ++s.fracPlaces;
        if (c == u'0') s.fracZeros = s.fracPlaces;
      } else {
        if (pendingCommas) s.grouping = true;  // a comma between digit places
        pendingCommas = 0;
        if (c == u'0' && firstIntZero < 0) firstIntZero = s.intPlaces;
        ++s.intPlaces;
      }
    } else if (c == u'.' && !afterPoint && !afterExponent) {
      scaleByPendingCommas();
      afterPoint = true;
      s.tokens.push_back({Token::Point, u"."});
    } else if (c == u',' && !afterExponent) {
      // after the last digit place (also after decimals: "0.0,,"): scaling
      if (s.intPlaces > 0 || s.fracPlaces > 0) ++pendingCommas;
    } else if (c == u'%') {
      s.percent = true;
      s.tokens.push_back({Token::Literal, u"%"});
    } else if ((c == u'E' || c == u'e') && !afterExponent && i + 1 < f.size() && (f[i + 1] == u'+' || f[i + 1] == u'-')) {
      scaleByPendingCommas();
      s.scientific = afterExponent = true;
      s.tokens.push_back({Token::Exponent, f.substr(i, 2)});
      ++i;
    } else {
      s.tokens.push_back({Token::Literal, f.substr(i, 1)});
    }
  }
  scaleByPendingCommas();
  if (firstIntZero >= 0) s.intZeros = s.intPlaces - firstIntZero;
  return s;
}

// |value| as decimal digits d0 d1 d2 ... with value = d0.d1d2... x 10^exponent,
// from the shortest text that reads back as the same double: percent and
// thousands scaling then shift the decimal point without binary noise.
struct Decimal {
  std::string digits = "0";
  int exponent = 0;
};

Decimal decimalOf(double value) {
  Decimal d;
  if (value == 0 || !std::isfinite(value)) return d;
  char buffer[64];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific).ptr;
  const std::string text(buffer, end);
  const auto e = text.find('e');
  d.digits.clear();
  for (std::size_t i = 0; i < e; ++i)
    if (text[i] != '.') d.digits += text[i];
  d.exponent = std::atoi(text.c_str() + e + 1);
  return d;
}

// Rounds whole.fraction to `decimals` places, half away from zero.
void roundTo(std::string& whole, std::string& fraction, int decimals) {
  const auto keep = static_cast<std::size_t>(decimals);
  if (fraction.size() > keep) {
    const bool up = fraction[keep] >= '5';
    fraction.resize(keep);
    if (up) {
      std::string all = whole + fraction;
      std::size_t k = all.size();
      while (k > 0 && all[k - 1] == '9') all[--k] = '0';
      if (k == 0) all.insert(all.begin(), '1');
      else ++all[k - 1];
      whole = all.substr(0, all.size() - keep);
      fraction = all.substr(all.size() - keep);
    }
  }
  fraction.resize(keep, '0');
  whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
}

// The digits of d with the point after `lead` digits, rounded to `decimals`.
void split(const Decimal& d, int pointAt, int decimals, std::string& whole, std::string& fraction) {
  if (pointAt <= 0) {
    whole.clear();
    fraction = std::string(static_cast<std::size_t>(-pointAt), '0') + d.digits;
  } else if (static_cast<std::size_t>(pointAt) >= d.digits.size()) {
    whole = d.digits + std::string(static_cast<std::size_t>(pointAt) - d.digits.size(), '0');
    fraction.clear();
  } else {
    whole = d.digits.substr(0, static_cast<std::size_t>(pointAt));
    fraction = d.digits.substr(static_cast<std::size_t>(pointAt));
  }
  roundTo(whole, fraction, decimals);
}

struct Laid {
  std::string whole, fraction;
  int exponent = 0;
};

Laid lay(const Section& s, double magnitude) {
  Decimal d = decimalOf(magnitude);
  if (d.digits != "0") d.exponent += (s.percent ? 2 : 0) - 3 * std::min(s.scale, 1000);
  // so far right of the point that nothing shows: zero, and no string of
  // a million zeros for a format with a million commas
  if (!s.scientific && d.exponent < -(s.fracPlaces + 1)) {
    d = Decimal{};
  }
  Laid out;
  const bool zero = d.digits == "0";
  if (s.scientific) {
    const int lead = std::max(s.intPlaces, 1);
    out.exponent = zero ? 0 : d.exponent - (lead - 1);
    split(d, lead, s.fracPlaces, out.whole, out.fraction);
    if (static_cast<int>(out.whole.size()) > lead) {  // rounding reached the next power of ten
      ++out.exponent;
      out.fraction.insert(0, 1, out.whole.back());
      out.whole.pop_back();
      out.fraction.pop_back();
    }
    if (zero) out.whole.clear();
  } else {
    split(d, zero ? 1 : d.exponent + 1, s.fracPlaces, out.whole, out.fraction);
  }
  return out;
}

u16string group(const std::string& digits, const u16string& separator) {
  u16string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i && (digits.size() - i) % 3 == 0) out += separator;
    out += static_cast<char16_t>(digits[i]);
  }
  return out;
}

// Renders a magnitude by one section; the caller adds any sign.
u16string render(const Section& s, double magnitude) {
  Laid n = lay(s, magnitude);
  while (static_cast<int>(n.fraction.size()) > s.fracZeros && n.fraction.back() == '0') n.fraction.pop_back();
  if (static_cast<int>(n.whole.size()) < s.intZeros) n.whole.insert(0, static_cast<std::size_t>(s.intZeros) - n.whole.size(), '0');

  // Integer places: all the digits, grouped, in the first; otherwise filled
  // from the right with the leftmost taking what is left over.
  std::size_t intPlaces = 0;
  for (const Token& tok : s.tokens) {
    if (tok.kind == Token::Point || tok.kind == Token::Exponent) break;
    if (tok.kind == Token::Digit) ++intPlaces;
  }
  const u16string whole = s.grouping ? group(n.whole, locale::groupingSeparator()) : scan::widen(n.whole);
  std::string expDigits = std::to_string(std::abs(n.exponent));
  if (static_cast<int>(expDigits.size()) < s.expZeros) expDigits.insert(0, static_cast<std::size_t>(s.expZeros) - expDigits.size(), '0');

  u16string out;
  bool afterPoint = false, afterExponent = false, expWritten = false;
  std::size_t fracIndex = 0, intIndex = 0;
  for (std::size_t t = 0; t < s.tokens.size(); ++t) {
    const Token& tok = s.tokens[t];
    switch (tok.kind) {
      case Token::Literal: out += tok.text; break;
      case Token::Point:
        afterPoint = true;
        out += locale::decimalSeparator();  // even with no digit after it ("5." for "#.##"), as automation writes it
        break;
      case Token::Exponent:
        afterExponent = true;
        out += tok.text[0];
        if (n.exponent < 0) out += u'-';
        else if (tok.text[1] == u'+') out += u'+';
        break;
      case Token::Digit:
        if (afterExponent) {
          if (!expWritten) out += scan::widen(expDigits);
          expWritten = true;
        } else if (afterPoint) {
          if (fracIndex < n.fraction.size()) out += static_cast<char16_t>(n.fraction[fracIndex]);
          ++fracIndex;
        } else if (s.grouping) {
          if (intIndex++ == 0) out += whole;
        } else {
          out += scan::filledFromRight(u16string_view(whole), intPlaces, intIndex++);
        }
        break;
    }
  }
  return out;
}

bool showsOnlyZeros(const Section& s, double magnitude) {
  const Laid n = lay(s, magnitude);
  return n.whole.find_first_not_of('0') == std::string::npos && n.fraction.find_first_not_of('0') == std::string::npos;
}

}  // namespace

std::optional<u16string> formatNumberSections(double value, const std::vector<u16string>& sections, bool isNull) {
  if (isNull) return sections.size() >= 4 ? std::optional(render(parse(sections[3]), 0)) : std::nullopt;
  if (!std::isfinite(value)) return std::nullopt;
  if (value < 0 && sections.size() >= 2 && !sections[1].empty()) return render(parse(sections[1]), -value);
  if (value == 0 && sections.size() >= 3 && !sections[2].empty()) return render(parse(sections[2]), 0);
  const Section first = parse(sections[0]);
  // no minus before a value that shows as zero ("-0.001" with "0.00")
  if (value < 0 && !showsOnlyZeros(first, -value)) return u"-" + render(first, -value);
  return render(first, std::fabs(value));
}

}  // namespace platform::format
