// The format-string language of automation's Format function.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

#include "platform/format/date_names.h"
#include "platform/format/value_text.h"
#include "platform/locale/user_locale.h"

namespace platform::format {
namespace {

using std::u16string;
using std::u16string_view;

char16_t lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool equalsIgnoringCase(u16string_view a, u16string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) { return lower(x) == lower(y); });
}

bool startsWithIgnoringCase(u16string_view s, std::size_t at, u16string_view prefix) {
  return s.size() - at >= prefix.size() && equalsIgnoringCase(s.substr(at, prefix.size()), prefix);
}

// Sections split at ';' outside quotes and escapes.
std::vector<u16string> sections(u16string_view f) {
  std::vector<u16string> out(1);
  for (std::size_t i = 0; i < f.size(); ++i) {
    const char16_t c = f[i];
    if (c == u'"') {
      const auto close = f.find(u'"', i + 1);
      const auto end = close == u16string_view::npos ? f.size() : close + 1;
      out.back() += f.substr(i, end - i);
      i = end - 1;
    } else if (c == u'\\' && i + 1 < f.size()) {
      out.back() += f.substr(i, 2);
      ++i;
    } else if (c == u';') {
      out.emplace_back();
    } else {
      out.back() += c;
    }
  }
  return out;
}

// ---------------------------------------------------------------- numbers

struct NumberToken {
  enum Kind { Literal, Digit, Point, Exponent } kind;
  u16string text;  // literal text; "0"/"#" for digits; "E+" etc. for exponents
};

struct NumberFormat {
  std::vector<NumberToken> tokens;
  int intZeros = 0, intPlaces = 0, fracZeros = 0, fracPlaces = 0, expZeros = 0;
  bool grouping = false, percent = false, scientific = false;
  int scale = 0;  // thousands divisions by trailing commas
};

NumberFormat parseNumber(u16string_view f) {
  NumberFormat nf;
  bool afterPoint = false, afterExponent = false;
  int pendingCommas = 0;
  auto flushCommas = [&](bool beforePointOrEnd) {
    if (pendingCommas == 0) return;
    if (beforePointOrEnd) nf.scale += pendingCommas;
    else nf.grouping = true;
    pendingCommas = 0;
  };
  for (std::size_t i = 0; i < f.size(); ++i) {
    const char16_t c = f[i];
    if (c == u'"') {
      const auto close = f.find(u'"', i + 1);
      const auto end = close == u16string_view::npos ? f.size() : close;
      nf.tokens.push_back({NumberToken::Literal, u16string(f.substr(i + 1, end - i - 1))});
      i = end;
    } else if (c == u'\\' && i + 1 < f.size()) {
      nf.tokens.push_back({NumberToken::Literal, u16string(1, f[++i])});
    } else if (c == u'0' || c == u'#') {
      if (afterExponent) {
        nf.expZeros++;
        nf.tokens.push_back({NumberToken::Digit, u16string(1, c)});
        continue;
      }
      if (!afterPoint && pendingCommas && (nf.intPlaces > 0)) flushCommas(false);
      pendingCommas = 0;
      nf.tokens.push_back({NumberToken::Digit, u16string(1, c)});
      if (afterPoint) {
        nf.fracPlaces++;
        if (c == u'0') nf.fracZeros = nf.fracPlaces;
      } else {
        nf.intPlaces++;
        if (c == u'0' || nf.intZeros > 0) nf.intZeros += c == u'0' ? 1 : 0;
      }
    } else if (c == u'.' && !afterPoint && !afterExponent) {
      flushCommas(true);
      afterPoint = true;
      nf.tokens.push_back({NumberToken::Point, u"."});
    } else if (c == u',' && !afterPoint && !afterExponent) {
      if (nf.intPlaces > 0) pendingCommas++;
    } else if (c == u'%') {
      nf.percent = true;
      nf.tokens.push_back({NumberToken::Literal, u"%"});
    } else if ((c == u'E' || c == u'e') && i + 1 < f.size() && (f[i + 1] == u'+' || f[i + 1] == u'-') && !afterExponent) {
      flushCommas(true);
      nf.scientific = afterExponent = true;
      nf.tokens.push_back({NumberToken::Exponent, u16string(f.substr(i, 2))});
      ++i;
    } else {
      nf.tokens.push_back({NumberToken::Literal, u16string(1, c)});
    }
  }
  flushCommas(true);
  return nf;
}

// |value| rounded half away from zero to `decimals` places, as digit strings.
void decimalDigits(double value, int decimals, std::string& whole, std::string& fraction) {
  char buffer[400];
  auto end = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::fixed).ptr;
  std::string text(buffer, end);
  auto point = text.find('.');
  whole = text.substr(0, point);
  fraction = point == std::string::npos ? "" : text.substr(point + 1);
  if (fraction.size() > static_cast<std::size_t>(decimals)) {
    const bool up = fraction[static_cast<std::size_t>(decimals)] >= '5';
    fraction.resize(static_cast<std::size_t>(decimals));
    if (up) {
      std::string all = whole + fraction;
      int k = static_cast<int>(all.size()) - 1;
      for (; k >= 0; --k) {
        if (all[static_cast<std::size_t>(k)] == '9') all[static_cast<std::size_t>(k)] = '0';
        else {
          all[static_cast<std::size_t>(k)]++;
          break;
        }
      }
      if (k < 0) all.insert(all.begin(), '1');
      whole = all.substr(0, all.size() - fraction.size());
      fraction = all.substr(all.size() - fraction.size());
    }
  }
  fraction.resize(static_cast<std::size_t>(decimals), '0');
  whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
}

u16string widen(const std::string& s) { return u16string(s.begin(), s.end()); }

u16string group(const std::string& digits, const u16string& separator) {
  u16string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i && (digits.size() - i) % 3 == 0) out += separator;
    out += static_cast<char16_t>(digits[i]);
  }
  return out;
}

// Renders |value| by one section; the caller adds any sign.
u16string renderNumber(const NumberFormat& nf, double value) {
  if (nf.percent) value *= 100;
  value /= std::pow(1000.0, nf.scale);
  int exponent = 0;
  if (nf.scientific && value != 0) {
    const int lead = std::max(nf.intPlaces, 1);
    exponent = static_cast<int>(std::floor(std::log10(std::fabs(value)))) - (lead - 1);
    value /= std::pow(10.0, exponent);
    std::string w, f;
    decimalDigits(value, nf.fracPlaces, w, f);
    if (w.size() > static_cast<std::size_t>(lead)) {  // rounding reached the next power of ten
      value /= 10;
      ++exponent;
    }
  }
  std::string whole, fraction;
  decimalDigits(value, nf.fracPlaces, whole, fraction);
  // trailing digits of '#' places are dropped
  while (static_cast<int>(fraction.size()) > nf.fracZeros && !fraction.empty() && fraction.back() == '0') fraction.pop_back();
  if (static_cast<int>(whole.size()) < nf.intZeros) whole.insert(0, static_cast<std::size_t>(nf.intZeros) - whole.size(), '0');

  const u16string decimal = locale::decimalSeparator();
  const u16string grouping = locale::groupingSeparator();
  u16string out;
  // integer places fill from the right; the first takes what is left over
  std::vector<std::size_t> intSlots;
  for (std::size_t t = 0; t < nf.tokens.size(); ++t) {
    if (nf.tokens[t].kind == NumberToken::Point || nf.tokens[t].kind == NumberToken::Exponent) break;
    if (nf.tokens[t].kind == NumberToken::Digit) intSlots.push_back(t);
  }
  std::vector<u16string> slotText(nf.tokens.size());
  if (!intSlots.empty()) {
    if (nf.grouping) {
      slotText[intSlots.front()] = group(whole, grouping);
    } else {
      std::size_t remaining = whole.size();
      for (std::size_t k = intSlots.size(); k-- > 0;) {
        if (k == 0) slotText[intSlots[k]] = widen(whole.substr(0, remaining));
        else if (remaining > 0) slotText[intSlots[k]] = widen(whole.substr(--remaining, 1));
      }
    }
  }
  bool afterPoint = false, afterExponent = false;
  std::size_t fracIndex = 0, expIndex = 0;
  std::string expDigits = std::to_string(std::abs(exponent));
  if (static_cast<int>(expDigits.size()) < nf.expZeros) expDigits.insert(0, static_cast<std::size_t>(nf.expZeros) - expDigits.size(), '0');
  for (std::size_t t = 0; t < nf.tokens.size(); ++t) {
    const auto& tok = nf.tokens[t];
    switch (tok.kind) {
      case NumberToken::Literal: out += tok.text; break;
      case NumberToken::Point:
        afterPoint = true;
        out += decimal;  // even with no digits after it ("5."), as automation writes it
        break;
      case NumberToken::Exponent:
        afterExponent = true;
        out += tok.text[0];
        if (exponent < 0) out += u'-';
        else if (tok.text[1] == u'+') out += u'+';
        break;
      case NumberToken::Digit:
        if (afterExponent) {
          if (expIndex++ == 0) out += widen(expDigits);
        } else if (afterPoint) {
          if (fracIndex < fraction.size()) out += static_cast<char16_t>(fraction[fracIndex]);
          ++fracIndex;
        } else {
          out += slotText[t];
        }
        break;
    }
  }
  return out;
}

bool roundsToZero(const NumberFormat& nf, double value) {
  std::string w, f;
  double v = std::fabs(value) * (nf.percent ? 100 : 1) / std::pow(1000.0, nf.scale);
  if (nf.scientific) return v == 0;
  decimalDigits(v, nf.fracPlaces, w, f);
  return w.empty() && f.find_first_not_of('0') == std::string::npos;
}

std::optional<u16string> formatNumberSections(double value, const std::vector<u16string>& s, bool isNull) {
  if (isNull) {
    if (s.size() >= 4) return renderNumber(parseNumber(s[3]), 0);
    return std::nullopt;
  }
  const NumberFormat first = parseNumber(s[0]);
  if (value < 0 && s.size() >= 2 && !s[1].empty()) return renderNumber(parseNumber(s[1]), -value);
  if (value == 0 && s.size() >= 3 && !s[2].empty()) return renderNumber(parseNumber(s[2]), 0);
  if (value < 0 && !roundsToZero(first, value)) return u"-" + renderNumber(first, -value);
  return renderNumber(first, std::fabs(value));
}

// ---------------------------------------------------------------- dates

int weekOfYear(const DateParts& p, FirstDayOfWeek firstDay, FirstWeekOfYear firstWeek) {
  const int dayOfYear = static_cast<int>(toOleDate({p.year, p.month, p.day, 0, 0, 0}) - toOleDate({p.year, 1, 1, 0, 0, 0})) + 1;
  const int jan1 = (weekday({p.year, 1, 1, 0, 0, 0}) - static_cast<int>(firstDay) + 7) % 7;  // 0: a first day
  int week = (dayOfYear - 1 + jan1) / 7 + 1;
  if (firstWeek == FirstWeekOfYear::FirstFourDays && jan1 > 3) --week;
  if (firstWeek == FirstWeekOfYear::FirstFullWeek && jan1 > 0) --week;
  return week < 1 ? 52 : week;  // a date before the first week belongs to the previous year's last week
}

u16string twoDigits(int n) {
  char b[8];
  std::snprintf(b, sizeof b, "%02d", n % 100);
  return widen(b);
}

u16string num(int n) { return widen(std::to_string(n)); }

std::optional<u16string> formatDate(double oleDate, u16string_view f, FirstDayOfWeek firstDay, FirstWeekOfYear firstWeek) {
  const DateParts p = fromOleDate(oleDate);
  // 12-hour clock when the section names AM/PM
  const bool twelve = startsWithIgnoringCase(f, 0, u"") &&
                      (f.find(u"AM/PM") != u16string_view::npos || f.find(u"am/pm") != u16string_view::npos ||
                       f.find(u"A/P") != u16string_view::npos || f.find(u"a/p") != u16string_view::npos ||
                       f.find(u"AMPM") != u16string_view::npos || f.find(u"ampm") != u16string_view::npos);
  const int hour = twelve ? (p.hour % 12 == 0 ? 12 : p.hour % 12) : p.hour;
  u16string out;
  bool lastWasHour = false;
  for (std::size_t i = 0; i < f.size();) {
    const char16_t c = f[i];
    auto run = [&](char16_t ch) {
      std::size_t n = 0;
      while (i + n < f.size() && lower(f[i + n]) == ch) ++n;
      return n;
    };
    if (c == u'"') {
      const auto close = f.find(u'"', i + 1);
      const auto end = close == u16string_view::npos ? f.size() : close;
      out += f.substr(i + 1, end - i - 1);
      i = end + 1;
      continue;
    }
    if (c == u'\\' && i + 1 < f.size()) {
      out += f[i + 1];
      i += 2;
      continue;
    }
    if (startsWithIgnoringCase(f, i, u"AM/PM")) {
      const bool upper = f[i] == u'A';
      out += p.hour < 12 ? (upper ? u"AM" : u"am") : (upper ? u"PM" : u"pm");
      i += 5;
      continue;
    }
    if (startsWithIgnoringCase(f, i, u"A/P")) {
      const bool upper = f[i] == u'A';
      out += p.hour < 12 ? (upper ? u"A" : u"a") : (upper ? u"P" : u"p");
      i += 3;
      continue;
    }
    if (startsWithIgnoringCase(f, i, u"AMPM")) {
      out += amPm(p.hour >= 12);
      i += 4;
      continue;
    }
    const char16_t l = lower(c);
    bool hourToken = false;
    if (l == u'd') {
      const auto n = run(u'd');
      if (n == 1) out += num(p.day);
      else if (n == 2) out += twoDigits(p.day);
      else if (n == 3) out += dayName(weekday(p), true);
      else if (n == 4) out += dayName(weekday(p), false);
      else if (n == 5) out += datePattern(p, u"yMd");
      else out += datePattern(p, u"yMMMMEEEEd");
      i += n;
    } else if (l == u'm') {
      const auto n = run(u'm');
      if (lastWasHour && n <= 2) out += n == 1 ? num(p.minute) : twoDigits(p.minute);
      else if (n == 1) out += num(p.month);
      else if (n == 2) out += twoDigits(p.month);
      else if (n == 3) out += monthName(p.month, true);
      else out += monthName(p.month, false);
      i += n;
    } else if (l == u'y') {
      const auto n = run(u'y');
      if (n == 1) out += num(static_cast<int>(toOleDate({p.year, p.month, p.day, 0, 0, 0}) - toOleDate({p.year, 1, 1, 0, 0, 0})) + 1);
      else if (n <= 3) out += twoDigits(p.year);
      else out += num(p.year);
      i += n;
    } else if (l == u'h') {
      const auto n = run(u'h');
      out += n == 1 ? num(hour) : twoDigits(hour);
      i += n;
      hourToken = true;
    } else if (l == u'n') {
      const auto n = run(u'n');
      out += n == 1 ? num(p.minute) : twoDigits(p.minute);
      i += n;
    } else if (l == u's') {
      const auto n = run(u's');
      out += n == 1 ? num(p.second) : twoDigits(p.second);
      i += n;
    } else if (l == u'w') {
      const auto n = run(u'w');
      if (n == 1) out += num((weekday(p) - static_cast<int>(firstDay) + 7) % 7 + 1);
      else out += num(weekOfYear(p, firstDay, firstWeek));
      i += n;
    } else if (l == u'q') {
      out += num((p.month - 1) / 3 + 1);
      i += 1;
    } else if (l == u't' && run(u't') >= 5) {
      out += datePattern(p, u"jms");
      i += 5;
    } else if (l == u'c') {
      out += dateText(oleDate);
      i += 1;
    } else if (c == u'/') {
      out += dateSeparator();
      i += 1;
    } else if (c == u':') {
      out += timeSeparator();
      i += 1;
      continue;  // a minute after "h:" is still a minute
    } else {
      out += c;
      i += 1;
      if (c == u' ') continue;
    }
    lastWasHour = hourToken;
  }
  return out;
}

// ---------------------------------------------------------------- text

std::optional<u16string> formatText(const u16string& text, u16string_view f) {
  int places = 0;
  bool leftToRight = false, upper = false, lowerCase = false;
  for (std::size_t i = 0; i < f.size(); ++i) {
    if (f[i] == u'@' || f[i] == u'&') ++places;
    else if (f[i] == u'!') leftToRight = true;
    else if (f[i] == u'<') lowerCase = true;
    else if (f[i] == u'>') upper = true;
    else if (f[i] == u'\\') ++i;
  }
  u16string value = text;
  if (upper) value = locale::toUpper(value);
  else if (lowerCase) value = locale::toLower(value);
  // characters for each placeholder, in the fill direction
  std::vector<u16string> slot(static_cast<std::size_t>(places));
  const std::size_t n = value.size();
  if (places > 0) {
    if (leftToRight) {
      for (std::size_t k = 0; k < slot.size(); ++k)
        if (k < n) slot[k] = value.substr(k, k + 1 == slot.size() ? u16string::npos : 1);
    } else {
      std::size_t remaining = n;
      for (std::size_t k = slot.size(); k-- > 0;) {
        if (k == 0) slot[k] = value.substr(0, remaining);
        else if (remaining > 0) slot[k] = value.substr(--remaining, 1);
      }
    }
  }
  u16string out;
  std::size_t k = 0;
  for (std::size_t i = 0; i < f.size(); ++i) {
    const char16_t c = f[i];
    if (c == u'@' || c == u'&') {
      const auto& s = slot[k++];
      out += s.empty() && c == u'@' ? u" " : s;
    } else if (c == u'!' || c == u'<' || c == u'>') {
    } else if (c == u'\\' && i + 1 < f.size()) {
      out += f[++i];
    } else if (c == u'"') {
      const auto close = f.find(u'"', i + 1);
      const auto end = close == u16string_view::npos ? f.size() : close;
      out += f.substr(i + 1, end - i - 1);
      i = end;
    } else {
      out += c;
    }
  }
  if (places == 0) out += value;
  return out;
}

// ---------------------------------------------------------------- kinds

bool hasAny(u16string_view f, u16string_view chars) {
  bool quoted = false;
  for (std::size_t i = 0; i < f.size(); ++i) {
    if (f[i] == u'"') quoted = !quoted;
    else if (!quoted && f[i] == u'\\') ++i;
    else if (!quoted && chars.find(f[i]) != u16string_view::npos) return true;
  }
  return false;
}

std::optional<double> numberOf(const com::Variant& v) {
  if (v.isNumber() || v.isBool()) return v.toDouble();
  if (v.isDate()) return v.oleDate();
  if (v.isText()) {
    double d = 0;
    if (locale::isNumeric(v.text(), &d)) return d;
  }
  return std::nullopt;
}

}  // namespace

std::optional<u16string> format(const com::Variant& value, u16string_view f, FirstDayOfWeek firstDay,
                                FirstWeekOfYear firstWeek) {
  if (value.isObject()) return std::nullopt;
  if (f.empty()) return toText(value);
  const auto number = numberOf(value);
  const bool isNull = value.isNull() || value.isEmpty();

  struct Named {
    const char16_t* name;
    const char16_t* pattern;
  };
  static const Named numberNames[] = {{u"Fixed", u"0.00"}, {u"Standard", u"#,##0.00"}, {u"Percent", u"0.00%"},
                                      {u"Scientific", u"0.00E+00"}};
  if (equalsIgnoringCase(f, u"General Number")) return number ? std::optional(numberText(*number)) : std::nullopt;
  if (equalsIgnoringCase(f, u"Currency")) return number ? std::optional(formatCurrency(*number)) : std::nullopt;
  for (const auto& n : numberNames)
    if (equalsIgnoringCase(f, n.name)) return number ? format(com::Variant(*number), n.pattern, firstDay, firstWeek) : std::nullopt;
  if (equalsIgnoringCase(f, u"Yes/No")) return number ? std::optional<u16string>(*number != 0 ? u"Yes" : u"No") : std::nullopt;
  if (equalsIgnoringCase(f, u"True/False")) return number ? std::optional<u16string>(*number != 0 ? u"True" : u"False") : std::nullopt;
  if (equalsIgnoringCase(f, u"On/Off")) return number ? std::optional<u16string>(*number != 0 ? u"On" : u"Off") : std::nullopt;

  static const Named dateNames[] = {{u"Long Date", u"dddddd"}, {u"Medium Date", u"dd-mmm-yy"}, {u"Short Date", u"ddddd"},
                                    {u"Long Time", u"ttttt"},  {u"Medium Time", u"hh:nn AMPM"}, {u"Short Time", u"hh:nn"}};
  if (equalsIgnoringCase(f, u"General Date")) return number ? std::optional(dateText(*number)) : std::nullopt;
  for (const auto& n : dateNames)
    if (equalsIgnoringCase(f, n.name)) return number ? formatDate(*number, n.pattern, firstDay, firstWeek) : std::nullopt;

  const auto parts = sections(f);
  if (hasAny(f, u"@&") || (!hasAny(f, u"0#%") && hasAny(f, u"<>!") && !number)) {
    if (isNull) return parts.size() >= 2 ? formatText(u"", parts[1]) : std::optional<u16string>(u"");
    const u16string text = toText(value);
    if (text.empty() && parts.size() >= 2) return formatText(u"", parts[1]);
    return formatText(text, parts[0]);
  }
  if (hasAny(f, u"0#%") || (hasAny(f, u"Ee") && !hasAny(f, u"dmyhnswqctDMYHNSWQCT"))) {
    if (isNull) return formatNumberSections(0, parts, true);
    if (!number) return value.isText() ? std::optional(value.text()) : std::nullopt;
    return formatNumberSections(*number, parts, false);
  }
  if (hasAny(f, u"dmyhnswqctDMYHNSWQCT/:")) {
    if (isNull || !number) return value.isText() ? std::optional(value.text()) : std::nullopt;
    return formatDate(*number, parts[0], firstDay, firstWeek);
  }
  // literals only
  if (isNull) return parts.size() >= 4 ? std::optional(parts[3]) : std::nullopt;
  if (number) return formatNumberSections(*number, parts, false);
  return value.isText() ? std::optional(value.text()) : std::nullopt;
}

}  // namespace platform::format
