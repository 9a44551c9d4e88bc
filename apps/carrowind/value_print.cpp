#include "apps/carrowind/value_print.h"

#include <charconv>
#include <cstdio>

#include "platform/format/ole_date.h"
#include "platform/text/utf.h"

namespace carrowind::cli {
namespace {

std::string isoDate(double oleDate) {
  const auto p = platform::format::fromOleDate(oleDate);
  char buffer[40];
  if (p.hour == 0 && p.minute == 0 && p.second == 0)
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", p.year, p.month, p.day);
  else
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02d", p.year, p.month, p.day, p.hour, p.minute,
                  p.second);
  return buffer;
}

}  // namespace

std::string shortestNumber(double value) {
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return {buffer, result.ptr};
}

std::string printable(const host::Value& value) {
  using Kind = host::Value::Kind;
  switch (value.kind()) {
    case Kind::Empty:
    case Kind::Null: return "<null>";
    case Kind::Int16: return std::to_string(value.int16());
    case Kind::Int32: return std::to_string(value.int32());
    case Kind::Double: return shortestNumber(value.real());
    case Kind::Date: return isoDate(value.oleDate());
    case Kind::Bool: return value.boolean() ? "True" : "False";
    case Kind::Text: return text::toUtf8(value.text());
    case Kind::Object: return "<object>";
  }
  return {};
}

mapdoc::Json toJson(const host::Value& value) {
  using Kind = host::Value::Kind;
  switch (value.kind()) {
    case Kind::Int16: return value.int16();
    case Kind::Int32: return value.int32();
    case Kind::Double: return value.real();
    case Kind::Bool: return value.boolean();
    case Kind::Empty:
    case Kind::Null:
    case Kind::Object: return nullptr;
    default: return printable(value);
  }
}

}  // namespace carrowind::cli
