#include "mapdoc/json/symbol_json.h"

#include <cstdio>

namespace mapdoc {
namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

host::Color readColor(const JsonReader& reader) {
  const std::string t = reader.text();
  if ((t.size() != 7 && t.size() != 9) || t[0] != '#')
    reader.fail("expected a colour \"#RRGGBB\" or \"#RRGGBBAA\", found \"" + t + "\"");
  std::uint8_t parts[4] = {0, 0, 0, 255};
  for (std::size_t i = 1, k = 0; i < t.size(); i += 2, ++k) {
    int hi = hexDigit(t[i]), lo = hexDigit(t[i + 1]);
    if (hi < 0 || lo < 0) reader.fail("expected a colour \"#RRGGBB\" or \"#RRGGBBAA\", found \"" + t + "\"");
    parts[k] = static_cast<std::uint8_t>(hi * 16 + lo);
  }
  return {parts[0], parts[1], parts[2], parts[3]};
}

double readSize(const JsonReader& reader) {
  double v = reader.number();
  if (v < 0) reader.fail("a size cannot be negative");
  return v;
}

}  // namespace

std::string colorText(const host::Color& c) {
  char buf[16];
  if (c.a == 255)
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X", c.r, c.g, c.b);
  else
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X%02X", c.r, c.g, c.b, c.a);
  return buf;
}

Json SymbolSlot::toJson() const {
  if (absent) return Json(Json::value_t::discarded);
  return source.is_null() ? symbolToJson(symbol) : source;
}

SymbolSlot readSymbol(const JsonReader& reader) {
  reader.requireObject();
  SymbolSlot slot;
  slot.source = reader.json();
  if (auto v = reader.optional("fill")) slot.symbol.fill = readColor(*v);
  if (auto v = reader.optional("outline")) slot.symbol.outline = readColor(*v);
  if (auto v = reader.optional("outline_width")) slot.symbol.outlineWidth = readSize(*v);
  if (auto v = reader.optional("marker_size")) slot.symbol.markerSize = readSize(*v);
  if (auto v = reader.optional("line_width")) slot.symbol.lineWidth = readSize(*v);
  return slot;
}

SymbolSlot readSymbolMember(const JsonReader& object, const char* key) {
  if (auto s = object.optional(key)) return readSymbol(*s);
  SymbolSlot slot;
  slot.absent = true;
  return slot;
}

Json symbolToJson(const host::Symbol& s) {
  Json j = Json::object();
  j["fill"] = colorText(s.fill);
  j["outline"] = colorText(s.outline);
  j["outline_width"] = s.outlineWidth;
  j["marker_size"] = s.markerSize;
  j["line_width"] = s.lineWidth;
  return j;
}

}  // namespace mapdoc
