#include "mapdoc/qgis/legend_items.h"

#include <charconv>
#include <cstring>

namespace mapdoc::qgis {
namespace {

constexpr char kLegendItemType[] = "65642";
constexpr char kPageType[] = "65638";
constexpr char kLabelKey[] = "legend/label-";

// "x,y,mm" in inches; false when it cannot be read.
bool pair(const char* text, double& a, double& b) {
  const char* end = text + std::strlen(text);
  auto first = std::from_chars(text, end, a);
  if (first.ec != std::errc() || first.ptr == end || *first.ptr != ',') return false;
  auto second = std::from_chars(first.ptr + 1, end, b);
  if (second.ec != std::errc()) return false;
  const std::string unit = second.ptr < end && *second.ptr == ',' ? std::string(second.ptr + 1) : "mm";
  double scale = 1 / 25.4;
  if (unit == "cm") scale = 1 / 2.54;
  else if (unit == "m") scale = 1000 / 25.4;
  else if (unit == "in") scale = 1;
  else if (unit == "ft") scale = 12;
  else if (unit == "pt") scale = 1.0 / 72;
  else if (unit == "pica") scale = 1.0 / 6;
  else if (unit == "px") scale = 1.0 / 96;
  a *= scale;
  b *= scale;
  return true;
}

std::vector<host::Ref<host::ILayer>> legendLayers(
    const pugi::xml_node& tree, const std::function<host::Ref<host::ILayer>(const std::string&)>& layerOf) {
  std::vector<host::Ref<host::ILayer>> out;
  for (const auto& node : tree.select_nodes(".//layer-tree-layer"))
    if (auto layer = layerOf(node.node().attribute("id").value())) out.push_back(layer);
  return out;
}

std::string legendName(pugi::xml_node node) {
  std::string item, layout;
  for (; node; node = node.parent()) {
    if (item.empty() && std::strcmp(node.name(), "LayoutItem") == 0) item = node.attribute("uuid").value();
    if (std::strcmp(node.name(), "Layout") == 0) layout = node.attribute("name").value();
  }
  return item.empty() ? "layers panel" : layout + " " + item;
}

}  // namespace

std::vector<host::Ref<MapSurroundFrame>> layoutLegends(
    const pugi::xml_node& project, const std::function<host::Ref<host::ILayer>(const std::string&)>& layerOf,
    const std::vector<host::Ref<host::ILayer>>& shown) {
  std::vector<host::Ref<MapSurroundFrame>> out;
  for (const auto& layout : project.child("Layouts").children("Layout")) {
    double pageWidth = 8.5, pageHeight = 11;
    const auto page = layout.child("PageCollection").find_child_by_attribute("LayoutItem", "type", kPageType);
    if (page) pair(page.attribute("size").value(), pageWidth, pageHeight);
    for (const auto& item : layout.children("LayoutItem")) {
      if (std::strcmp(item.attribute("type").value(), kLegendItemType) != 0) continue;
      double x = 0, y = 0, width = 0, height = 0;
      pair(item.attribute("positionOnPage").value(), x, y);
      pair(item.attribute("size").value(), width, height);
      // A legend without a tree of its own follows the layers panel.
      const auto tree = item.child("layer-tree-group");
      auto layers = tree ? legendLayers(tree, layerOf) : shown;
      out.push_back(com::make<MapSurroundFrame>(com::make<Legend>(std::move(layers)), x, pageHeight - y - height,
                                                 width, height));
    }
  }
  return out;
}

std::vector<LegendOverride> legendOverrides(const pugi::xml_node& project, const std::string& text) {
  std::vector<LegendOverride> out;
  for (const auto& found : project.select_nodes(".//layer-tree-layer")) {
    const auto node = found.node();
    const auto properties = node.child("customproperties");
    auto add = [&](const pugi::xml_node& property, const char* key) {
      const std::string name = key;
      if (name.rfind(kLabelKey, 0) != 0) return;
      int index = -1;
      const char* digits = name.c_str() + std::strlen(kLabelKey);
      auto [end, ec] = std::from_chars(digits, name.c_str() + name.size(), index);
      if (ec != std::errc() || *end != '\0' || index < 0 || !property.attribute("value")) return;
      out.push_back({node.attribute("id").value(), legendName(node), index,
                     {attributeSpan(text, property, "value"), property.attribute("value").value()}});
    };
    // QGIS 3.20 and later write an option map, earlier ones <property> elements.
    for (const auto& option : properties.child("Option").children("Option")) add(option, option.attribute("name").value());
    for (const auto& property : properties.children("property")) add(property, property.attribute("key").value());
  }
  return out;
}

}  // namespace mapdoc::qgis
