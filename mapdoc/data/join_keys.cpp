#include "mapdoc/data/join_keys.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "mapdoc/data/qt_text.h"
#include "platform/format/ole_date.h"
#include "platform/text/utf.h"

namespace mapdoc::data {
namespace {

// Our documents' keys: by value, numbers in full precision so that keys
// differing in the seventh decimal stay apart; "" for no key.
std::string numberKey(char kind, double x) {
  char buffer[32];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, x == 0 ? 0.0 : x).ptr;
  return kind + std::string(buffer, end);
}

std::string valueKey(const host::Value& v) {
  if (v.isNull() || v.isEmpty()) return {};
  if (v.isNumber()) return numberKey('n', v.toDouble());
  if (v.isText()) return "t" + text::toUtf8(v.text());
  if (v.isDate()) return numberKey('d', v.oleDate());
  return {};
}

// The number a text key of our documents' joins stands for, as QGIS's
// expressions read one ("012", " 12", "12.0" and "1.2e1" are 12); none for
// "nan" and "inf", which are words rather than keys.
std::optional<double> textNumber(const host::Value& v) {
  if (!v.isText()) return std::nullopt;
  const auto number = qtNumber(text::toUtf8(v.text()));
  if (!number || !std::isfinite(*number)) return std::nullopt;
  return *number == 0 ? 0.0 : *number;
}

// A field typed by the host alone (no finer kind known) is read by its value.
ValueKind kindOf(const host::Value& v, ValueKind kind) {
  if (kind != ValueKind::Other) return kind;
  if (v.isNumber()) return ValueKind::Real;
  if (v.isText()) return ValueKind::Text;
  if (v.isDate()) return ValueKind::DateTime;
  return ValueKind::Other;
}

bool isNumberKind(ValueKind kind) {
  return kind == ValueKind::Integer || kind == ValueKind::Integer64 || kind == ValueKind::Real;
}

// The text SQLite compares a text column with when QGIS's lookup names the
// number as Qt wrote it: an integer literal as it is, any other as a real
// ("%!.15g": 1e+06 is "1000000.0").
std::string sqliteText(const std::string& literal) {
  if (literal.find_first_not_of("-0123456789") == std::string::npos) return literal;
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%.15g", std::stod(literal));
  std::string out = buffer;
  if (out.find_first_of(".ni") != std::string::npos) return out;  // a point, inf or nan
  const auto e = out.find('e');
  out.insert(e == std::string::npos ? out.size() : e, ".0");
  return out;
}

std::string twoDigits(int n) { return (n < 10 ? "0" : "") + std::to_string(n); }

}  // namespace

std::string qtText(const host::Value& value, ValueKind kind) {
  kind = kindOf(value, kind);
  if (value.isNull() || value.isEmpty()) {
    if (isNumberKind(kind)) return "0";
    return kind == ValueKind::Boolean ? "false" : "";
  }
  if (value.isText()) return text::toUtf8(value.text());
  if (value.isDate() && kind != ValueKind::Integer && kind != ValueKind::Integer64 && kind != ValueKind::Real) {
    const auto p = platform::format::fromOleDate(value.oleDate());
    const std::string day = std::to_string(p.year) + "-" + twoDigits(p.month) + "-" + twoDigits(p.day);
    const std::string time = twoDigits(p.hour) + ":" + twoDigits(p.minute) + ":" + twoDigits(p.second) + ".000";
    if (kind == ValueKind::Date) return day;
    if (kind == ValueKind::Time) return time;
    return day + "T" + time;
  }
  if (!value.isNumber() && !value.isBool()) return {};
  const double x = value.isBool() ? (value.boolean() ? 1 : 0) : value.toDouble();
  switch (kind) {
    case ValueKind::Integer:
    case ValueKind::Integer64: return std::to_string(static_cast<long long>(x));
    case ValueKind::Boolean: return x != 0 ? "true" : "false";
    default: return qtNumberText(x);
  }
}

JoinKeys::JoinKeys(JoinMatch match, ValueKind keyKind, FilterEngine engine)
    : match_(match), keyKind_(keyKind), engine_(engine) {}

void JoinKeys::keepFirst(std::map<double, std::size_t>& index, double key, std::size_t record) {
  if (!std::isnan(key)) index.emplace(key == 0 ? 0.0 : key, record);
}

void JoinKeys::keepFirst(std::unordered_map<std::string, std::size_t>& index, const std::string& key,
                         std::size_t record) {
  index.emplace(key, record);
}

void JoinKeys::add(const host::Value& key, std::size_t record) {
  switch (match_) {
    case JoinMatch::FirstEqual:
      if (auto k = valueKey(key); !k.empty()) keepFirst(byText_, k, record);
      if (auto number = textNumber(key)) keepFirst(byTextNumber_, *number, record);
      return;
    case JoinMatch::QgisCached:
      // QGIS keeps one record per key text, each replacing the one before.
      byText_.insert_or_assign(qtText(key, keyKind_), record);
      return;
    case JoinMatch::QgisDirect: {
      if (key.isNull() || key.isEmpty()) {
        if (!firstNull_) firstNull_ = record;
        return;
      }
      const ValueKind kind = kindOf(key, keyKind_);
      if (isNumberKind(kind) && key.isNumber()) {
        keepFirst(byNumber_, key.toDouble(), record);
        return;
      }
      const std::string text = qtText(key, kind);
      keepFirst(byText_, text, record);
      if (kind == ValueKind::Text)
        if (auto number = qtNumber(text)) keepFirst(byTextNumber_, *number, record);
      return;
    }
  }
}

std::optional<std::size_t> JoinKeys::find(const host::Value& value, ValueKind kind) const {
  auto lookup = [](const auto& index, const auto& key) -> std::optional<std::size_t> {
    const auto found = index.find(key);
    if (found == index.end()) return std::nullopt;
    return found->second;
  };
  auto earlier = [](std::optional<std::size_t> a, std::optional<std::size_t> b) {
    if (!a) return b;
    if (!b) return a;
    return std::optional<std::size_t>(std::min(*a, *b));
  };
  switch (match_) {
    case JoinMatch::FirstEqual: {
      const auto key = valueKey(value);
      if (key.empty()) return std::nullopt;
      // A number meets a text key that reads as it, and a text value a
      // number key: the first of the records either way wins.
      if (value.isNumber() && !std::isnan(value.toDouble())) {
        const double x = value.toDouble() == 0 ? 0.0 : value.toDouble();
        return earlier(lookup(byText_, key), lookup(byTextNumber_, x));
      }
      if (auto number = textNumber(value)) return earlier(lookup(byText_, key), lookup(byText_, numberKey('n', *number)));
      return lookup(byText_, key);
    }
    case JoinMatch::QgisCached: return lookup(byText_, qtText(value, kind));
    case JoinMatch::QgisDirect: break;
  }
  // QGIS looks the record up with the expression "key" = v (v IS NULL for a
  // null), numbers written bare and everything else quoted as text.
  if (value.isNull() || value.isEmpty()) return firstNull_;
  kind = kindOf(value, kind);
  if (isNumberKind(kind) && value.isNumber()) {
    const double x = value.toDouble() == 0 ? 0.0 : value.toDouble();
    if (engine_ == FilterEngine::SQLite) return earlier(lookup(byNumber_, x), lookup(byText_, sqliteText(qtText(value, kind))));
    return earlier(lookup(byNumber_, x), lookup(byTextNumber_, x));
  }
  // Text against text compares exactly, against a number by value.
  const std::string text = qtText(value, kind);
  const auto number = qtNumber(text);
  return earlier(lookup(byText_, text), number ? lookup(byNumber_, *number == 0 ? 0.0 : *number) : std::nullopt);
}

}  // namespace mapdoc::data
