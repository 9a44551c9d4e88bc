#include "mapdoc/qgis/symbol_read.h"

#include <charconv>
#include <cstring>
#include <optional>

#include "mapdoc/json/symbol_json.h"

namespace mapdoc::qgis {
namespace {

constexpr double kPointsPerMillimetre = 72.0 / 25.4;

// A symbol layer's property: <prop k= v=> (every QGIS 3 writes it) or the
// <Option name= value=> map of later ones.
std::optional<std::string> property(const pugi::xml_node& layer, const char* key) {
  if (auto p = layer.find_child_by_attribute("prop", "k", key)) return std::string(p.attribute("v").value());
  if (auto map = layer.child("Option"))
    if (auto o = map.find_child_by_attribute("Option", "name", key)) return std::string(o.attribute("value").value());
  return std::nullopt;
}

// "r,g,b,a"
std::optional<std::string> color(const pugi::xml_node& layer, const char* key) {
  const auto text = property(layer, key);
  if (!text) return std::nullopt;
  int parts[4] = {0, 0, 0, 255};
  const char* p = text->c_str();
  const char* end = p + text->size();
  for (int i = 0; i < 4 && p < end; ++i) {
    auto [next, ec] = std::from_chars(p, end, parts[i]);
    if (ec != std::errc() || parts[i] < 0 || parts[i] > 255) return std::nullopt;
    p = next < end && *next == ',' ? next + 1 : next;
  }
  host::Color c{static_cast<std::uint8_t>(parts[0]), static_cast<std::uint8_t>(parts[1]),
                static_cast<std::uint8_t>(parts[2]), static_cast<std::uint8_t>(parts[3])};
  return colorText(c);
}

std::optional<double> points(const pugi::xml_node& layer, const char* key) {
  const auto text = property(layer, key);
  if (!text) return std::nullopt;
  double mm = 0;
  auto [p, ec] = std::from_chars(text->data(), text->data() + text->size(), mm);
  if (ec != std::errc() || mm < 0) return std::nullopt;
  return mm * kPointsPerMillimetre;
}

}  // namespace

Json symbolJson(const pugi::xml_node& symbols, const char* name) {
  const auto symbol = symbols.find_child_by_attribute("symbol", "name", name);
  const auto layer = symbol.child("layer");
  if (!layer) return Json(Json::value_t::discarded);
  Json out = Json::object();
  const std::string type = symbol.attribute("type").value();
  auto put = [&](const char* member, const auto& value) {
    if (value) out[member] = *value;
  };
  if (type == "line") {
    put("outline", color(layer, "line_color"));
    put("line_width", points(layer, "line_width"));
  } else {
    put("fill", color(layer, "color"));
    put("outline", color(layer, "outline_color"));
    put("outline_width", points(layer, "outline_width"));
    if (type == "marker") put("marker_size", points(layer, "size"));
  }
  return out;
}

}  // namespace mapdoc::qgis
