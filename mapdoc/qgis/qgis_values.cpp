#include "mapdoc/qgis/qgis_values.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>

#include "mapdoc/data/qt_text.h"
#include "platform/format/ole_date.h"
#include "platform/text/utf.h"

namespace mapdoc::qgis {
namespace {

using data::ValueKind;

bool leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

bool validDay(int y, int m, int d) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y == 0 || m < 1 || m > 12 || d < 1) return false;
  return d <= days[m - 1] + (m == 2 && leap(y) ? 1 : 0);
}

struct Day {
  int year = 0, month = 0, day = 0;
};

// "YYYY-MM-DD", a day of the calendar.
std::optional<Day> isoDay(std::string_view s) {
  if (s.size() != 10 || s[4] != '-' || s[7] != '-') return std::nullopt;
  for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
    if (s[i] < '0' || s[i] > '9') return std::nullopt;
  const Day d{std::stoi(std::string(s.substr(0, 4))), std::stoi(std::string(s.substr(5, 2))),
              std::stoi(std::string(s.substr(8, 2)))};
  if (!validDay(d.year, d.month, d.day)) return std::nullopt;
  return d;
}

std::string dayText(int y, int m, int d) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", y, m, d);
  return buffer;
}

std::string clockText(long long seconds) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%02lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60, seconds % 60);
  return buffer;
}

// A moment as "YYYY-MM-DD HH:MM:SS", by way of an OLE date so that days
// roll over as the calendar does.
std::string momentText(double oleDate) {
  const auto p = platform::format::fromOleDate(oleDate);
  return dayText(p.year, p.month, p.day) + " " + clockText(p.hour * 3600LL + p.minute * 60LL + p.second);
}

// "HH:MM:SS" as Qt writes a valid time.
bool validClock(const std::string& s) {
  if (s.size() != 8 || s[2] != ':' || s[5] != ':') return false;
  for (std::size_t i : {0, 1, 3, 4, 6, 7})
    if (s[i] < '0' || s[i] > '9') return false;
  return std::stoi(s.substr(0, 2)) < 24 && std::stoi(s.substr(3, 2)) < 60 && std::stoi(s.substr(6, 2)) < 60;
}

ValueKey numberKey(double x) {
  ValueKey key;
  key.kind = ValueKey::Kind::Number;
  key.number = x;
  return key;
}

ValueKey textKey(ValueKey::Kind kind, std::string text) {
  ValueKey key;
  key.kind = kind;
  key.text = std::move(text);
  return key;
}

// A category's value matches the records whose value Qt writes as exactly
// that text; a text no record's value is written as matches nothing.
ValueKey categoryKey(const host::Text& part, int, ValueKind kind) {
  const std::string text = text::toUtf8(part);
  switch (kind) {
    case ValueKind::Integer:
    case ValueKind::Integer64: {
      long long n = 0;
      auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
      if (ec == std::errc() && end == text.data() + text.size() && std::to_string(n) == text)
        return numberKey(static_cast<double>(n));
      break;
    }
    case ValueKind::Real:
      if (const auto x = data::qtNumber(text); x && !std::isnan(*x) && data::qtNumberText(*x) == text) return numberKey(*x);
      break;
    case ValueKind::Boolean:
      if (text == "true" || text == "false") return numberKey(text == "true" ? 1 : 0);
      break;
    case ValueKind::Text: return textKey(ValueKey::Kind::Text, text);
    case ValueKind::Date:
      if (isoDay(text)) return textKey(ValueKey::Kind::Day, text);
      break;
    case ValueKind::DateTime:
      // "YYYY-MM-DDTHH:MM:SS.zzz"; records are read to the second
      if (text.size() == 23 && text[10] == 'T' && text.compare(19, 4, ".000") == 0) {
        std::string moment = text.substr(0, 19);
        moment[10] = ' ';
        if (isoDay(text.substr(0, 10)) && validClock(text.substr(11, 8)))
          return textKey(ValueKey::Kind::Moment, moment);
      }
      break;
    case ValueKind::Time:
      if (text.size() == 12 && text.compare(8, 4, ".000") == 0 && validClock(text.substr(0, 8)))
        return textKey(ValueKey::Kind::Clock, text.substr(0, 8));
      break;
    case ValueKind::Other: break;
  }
  return {};
}

std::optional<std::string> valueKeyText(const host::Value& value, int, ValueKind kind) {
  if (value.isNull() || value.isEmpty()) return std::nullopt;
  switch (kind) {
    case ValueKind::Integer:
    case ValueKind::Integer64:
    case ValueKind::Real:
    case ValueKind::Boolean:
      if (value.isBool()) return numberKey(value.toDouble() != 0 ? 1 : 0).canonical();
      if (value.isNumber()) return numberKey(value.toDouble()).canonical();
      return std::nullopt;
    case ValueKind::Text:
      if (value.isText()) return "t" + text::toUtf8(value.text());
      return std::nullopt;
    case ValueKind::Date:
      if (value.isDate()) {
        const auto p = platform::format::fromOleDate(std::trunc(value.oleDate()));
        return "d" + dayText(p.year, p.month, p.day);
      }
      return std::nullopt;
    case ValueKind::DateTime:
      if (value.isDate()) return "m" + momentText(value.oleDate());
      return std::nullopt;
    case ValueKind::Time:
      if (value.isDate()) {
        const auto p = platform::format::fromOleDate(value.oleDate());
        return "c" + clockText(p.hour * 3600LL + p.minute * 60LL + p.second);
      }
      return std::nullopt;
    case ValueKind::Other: break;
  }
  return std::nullopt;
}

}  // namespace

const KeyRules& qgisKeyRules() {
  static const KeyRules rules{categoryKey, valueKeyText};
  return rules;
}

std::optional<double> rangeNumber(const host::Value& value, ValueKind) {
  if (value.isNull() || value.isEmpty()) return std::nullopt;
  if (value.isNumber() || value.isBool()) return value.toDouble();
  // Qt's number of a text, 0 when it is none; other values have none either
  if (value.isText()) return data::qtNumber(text::toUtf8(value.text())).value_or(0.0);
  return 0.0;
}

}  // namespace mapdoc::qgis
