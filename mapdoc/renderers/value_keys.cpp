#include "mapdoc/renderers/value_keys.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "mapdoc/renderers/clause_text.h"
#include "platform/format/ole_date.h"
#include "platform/text/utf.h"

namespace mapdoc {
namespace {

// -0 and 0 are one number in every dialect.
std::string numberText(double x) { return sqlNumber(x == 0 ? 0.0 : x); }

bool isoDay(const std::string& s) {
  if (s.size() != 10 || s[4] != '-' || s[7] != '-') return false;
  for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
    if (s[i] < '0' || s[i] > '9') return false;
  const int month = std::stoi(s.substr(5, 2)), day = std::stoi(s.substr(8, 2));
  return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

std::string dayText(double oleDate) {
  // The day of a date-time is its whole part (OLE dates count the time of
  // day away from zero on both sides of 1899-12-30).
  const auto p = platform::format::fromOleDate(std::trunc(oleDate));
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", p.year, p.month, p.day);
  return buffer;
}

}  // namespace

std::string ValueKey::canonical() const {
  switch (kind) {
    case Kind::Number: return "n" + numberText(number);
    case Kind::Text: return "t" + text;
    case Kind::Day: return "d" + text;
    case Kind::Moment: return "m" + text;
    case Kind::Clock: return "c" + text;
    case Kind::Nothing: break;
  }
  return {};
}

ValueKey valueKey(const host::Text& part, int fieldType) {
  ValueKey key;
  const std::string value = text::toUtf8(part);
  if (host::isNumericFieldType(fieldType)) {
    double number = 0;
    const char* end = value.data() + value.size();
    auto [ptr, ec] = std::from_chars(value.data(), end, number);
    if (!value.empty() && ec == std::errc() && ptr == end && std::isfinite(number)) {
      key.kind = ValueKey::Kind::Number;
      key.number = number;
    }
  } else if (fieldType == host::FieldTypeDate) {
    if (isoDay(value)) {
      key.kind = ValueKey::Kind::Day;
      key.text = value;
    }
  } else {
    key.kind = ValueKey::Kind::Text;
    key.text = value;
  }
  return key;
}

std::optional<std::string> recordKey(const host::Value& value, int fieldType) {
  if (host::isNumericFieldType(fieldType)) {
    if (value.isNumber() && std::isfinite(value.toDouble())) return "n" + numberText(value.toDouble());
    return std::nullopt;
  }
  if (fieldType == host::FieldTypeDate) {
    if (value.isDate()) return "d" + dayText(value.oleDate());
    return std::nullopt;
  }
  if (value.isText()) return "t" + text::toUtf8(value.text());
  return std::nullopt;
}

const KeyRules& hostKeyRules() {
  static const KeyRules rules{
      [](const host::Text& part, int fieldType, data::ValueKind) { return valueKey(part, fieldType); },
      [](const host::Value& value, int fieldType, data::ValueKind) { return recordKey(value, fieldType); }};
  return rules;
}

std::string keyClause(const std::string& ref, const ValueKey& key, data::FilterEngine filters) {
  switch (key.kind) {
    case ValueKey::Kind::Number: return ref + " = " + numberText(key.number);
    case ValueKey::Kind::Text: return ref + " = " + sqlString(key.text);
    case ValueKey::Kind::Day:
      switch (filters) {
        case data::FilterEngine::Ogr: {
          // OGR's own date comparison fails on a record with a blank date;
          // its text form starts with the day, written with slashes.
          std::string slashed = key.text;
          slashed[4] = slashed[7] = '/';
          return "CAST(" + ref + " AS CHARACTER(10)) = " + sqlString(slashed);
        }
        case data::FilterEngine::SQLite: return "substr(" + ref + ", 1, 10) = " + sqlString(key.text);
        case data::FilterEngine::PostgreSQL:
        case data::FilterEngine::Other: return "CAST(" + ref + " AS DATE) = " + sqlString(key.text);
      }
      break;
    case ValueKey::Kind::Moment:
    case ValueKey::Kind::Clock: {
      const bool moment = key.kind == ValueKey::Kind::Moment;
      switch (filters) {
        case data::FilterEngine::SQLite:
          // stored as ISO text, with or without a 'T', seconds' fraction or zone
          return std::string(moment ? "strftime('%Y-%m-%d %H:%M:%S', " : "strftime('%H:%M:%S', ") + ref +
                 ") = " + sqlString(key.text);
        case data::FilterEngine::PostgreSQL:
          return ref + " = " + (moment ? "TIMESTAMP " : "TIME ") + sqlString(key.text);
        case data::FilterEngine::Ogr:
        case data::FilterEngine::Other: {
          // OGR's text of a date-time starts "YYYY/MM/DD HH:MM:SS"
          std::string text = key.text;
          if (moment) text[4] = text[7] = '/';
          return "CAST(" + ref + " AS CHARACTER(" + std::to_string(text.size()) + ")) = " + sqlString(text);
        }
      }
      break;
    }
    case ValueKey::Kind::Nothing: break;
  }
  return "1 = 0";
}

}  // namespace mapdoc
