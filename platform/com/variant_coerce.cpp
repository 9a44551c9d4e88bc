#include "platform/com/variant_coerce.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "platform/com/error.h"
#include "platform/text/utf.h"

namespace com {
namespace {

[[noreturn]] void mismatch() { throw Error(DISP_E_TYPEMISMATCH, u"Type mismatch"); }
[[noreturn]] void overflow() { throw Error(DISP_E_OVERFLOW, u"Overflow"); }

bool equalsAsciiNoCase(std::u16string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char16_t c = a[i];
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    if (c != static_cast<unsigned char>(b[i])) return false;
  }
  return true;
}

std::u16string_view trimSpaces(std::u16string_view s) {
  while (!s.empty() && s.front() == u' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == u' ') s.remove_suffix(1);
  return s;
}

// Plain decimal text, as a program would write it; no locale.
double parseNumber(std::u16string_view text) {
  auto t = trimSpaces(text);
  std::string ascii;
  for (char16_t c : t) {
    if (c > 0x7f) mismatch();
    ascii.push_back(static_cast<char>(c));
  }
  if (!ascii.empty() && ascii.front() == '+') ascii.erase(0, 1);
  double v = 0;
  auto [end, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), v);
  if (ascii.empty() || end != ascii.data() + ascii.size()) mismatch();
  if (ec == std::errc::result_out_of_range) overflow();
  return v;
}

double asDouble(const Variant& v) {
  switch (v.kind()) {
    case Variant::Kind::Text: return parseNumber(v.text());
    case Variant::Kind::Null:
    case Variant::Kind::Object: mismatch();
    default: return v.toDouble();
  }
}

template <class Int>
Int toInteger(const Variant& v) {
  if (v.kind() == Variant::Kind::Int16) return static_cast<Int>(v.int16());
  if (v.kind() == Variant::Kind::Int32) {
    auto i = v.int32();
    if (i < std::numeric_limits<Int>::min() || i > std::numeric_limits<Int>::max()) overflow();
    return static_cast<Int>(i);
  }
  // Automation rounds to the nearest whole number, an exact half to even.
  double d = std::nearbyint(asDouble(v));
  if (!(d >= std::numeric_limits<Int>::min() && d <= std::numeric_limits<Int>::max())) overflow();
  return static_cast<Int>(d);
}

}  // namespace

bool toBool(const Variant& v) {
  switch (v.kind()) {
    case Variant::Kind::Bool: return v.boolean();
    case Variant::Kind::Text:
      if (equalsAsciiNoCase(trimSpaces(v.text()), "true")) return true;
      if (equalsAsciiNoCase(trimSpaces(v.text()), "false")) return false;
      return parseNumber(v.text()) != 0;
    default: return asDouble(v) != 0;
  }
}

std::int16_t toInt16(const Variant& v) { return toInteger<std::int16_t>(v); }
std::int32_t toInt32(const Variant& v) { return toInteger<std::int32_t>(v); }

std::u16string toString(const Variant& v) {
  switch (v.kind()) {
    case Variant::Kind::Text: return v.text();
    case Variant::Kind::Empty: return {};
    case Variant::Kind::Bool: return v.boolean() ? u"True" : u"False";
    case Variant::Kind::Int16: return text::fromUtf8(std::to_string(v.int16()));
    case Variant::Kind::Int32: return text::fromUtf8(std::to_string(v.int32()));
    case Variant::Kind::Double: {
      char buf[64];
      auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v.real());
      if (ec != std::errc()) mismatch();
      return text::fromUtf8(std::string_view(buf, static_cast<std::size_t>(end - buf)));
    }
    default: mismatch();
  }
}

ComPtr<IUnknown> toObject(const Variant& v) {
  if (v.isEmpty()) return nullptr;
  if (!v.isObject()) mismatch();
  return v.object();
}

Variant coerce(const Variant& value, Variant::Kind target) {
  switch (target) {
    case Variant::Kind::Empty: return value;
    case Variant::Kind::Bool: return Variant(toBool(value));
    case Variant::Kind::Int16: return Variant(toInt16(value));
    case Variant::Kind::Int32: return Variant(toInt32(value));
    case Variant::Kind::Double:
      if (value.kind() == Variant::Kind::Double) return value;
      return Variant(asDouble(value));
    case Variant::Kind::Text: return Variant(toString(value));
    case Variant::Kind::Object: return Variant(toObject(value));
    case Variant::Kind::Date:
      if (value.isDate()) return value;
      return Variant::date(asDouble(value));
    case Variant::Kind::Null: break;
  }
  mismatch();
}

}  // namespace com
