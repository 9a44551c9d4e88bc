#include "mapdoc/qgis/renderer_read.h"

#include <charconv>
#include <map>

#include "mapdoc/json_reader.h"
#include "mapdoc/qgis/symbol_read.h"
#include "mapdoc/renderer_json.h"
#include "mapdoc/unsupported_renderer.h"

namespace mapdoc::qgis {
namespace {

// The renderers QGIS 3 itself writes that have no classes to label.
const std::map<std::string, std::string>& otherKinds() {
  static const std::map<std::string, std::string> kinds{
      {"RuleRenderer", "rule-based"},
      {"pointDisplacement", "point displacement"},
      {"pointCluster", "point cluster"},
      {"invertedPolygonRenderer", "inverted polygon"},
      {"heatmapRenderer", "heatmap"},
      {"25dRenderer", "2.5 D"},
      {"nullSymbol", "no symbols"},
      {"embeddedSymbol", "embedded symbols"},
      {"mergedFeatureRenderer", "merged features"},
  };
  return kinds;
}

constexpr char kSupported[] = "Carrowind labels single symbol, categorized and graduated renderers on a field";

RendererRead unsupported(const std::string& type, const std::string& reason) {
  RendererRead out;
  out.renderer = com::make<UnsupportedRenderer>(type, Json{{"type", type}}, reason);
  return out;
}

void putSymbol(Json& object, const pugi::xml_node& symbols, const pugi::xml_node& item) {
  Json symbol = symbolJson(symbols, item.attribute("symbol").value());
  if (!symbol.is_discarded()) object["symbol"] = std::move(symbol);
}

double number(const pugi::xml_attribute& attribute, const char* what) {
  const std::string text = attribute.value();
  double value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size())
    throw JsonProblem("", std::string("a range's ") + what + " value \"" + text + "\" is not a number");
  return value;
}

RendererRead categorized(const pugi::xml_node& element, const std::string& field) {
  RendererRead out;
  Json classes = Json::array();
  std::optional<Json> fallback;
  pugi::xml_node fallbackElement;
  int fallbackIndex = -1, index = 0;
  const auto symbols = element.child("symbols");
  for (const auto& category : element.child("categories").children("category")) {
    Json values = Json::array();
    for (const auto& v : category.children("val")) values.push_back(v.attribute("value").value());
    if (values.empty()) values.push_back(category.attribute("value").value());
    Json item = {{"label", category.attribute("label").value()}};
    putSymbol(item, symbols, category);
    if (values.size() == 1 && values.front() == "" && !category.child("val")) {
      if (fallback) throw JsonProblem("", "two categories hold the empty value (\"all other values\")");
      fallback = std::move(item);
      fallbackElement = category;
      fallbackIndex = index++;
      continue;
    }
    item["values"] = std::move(values);
    classes.push_back(std::move(item));
    out.labelElements.push_back(category);
    out.legendIndex.push_back(index++);
  }
  Json json = {{"type", "unique_values"}, {"fields", {field}}, {"classes", classes}};
  if (fallback) {
    json["default"] = *fallback;
    out.labelElements.push_back(fallbackElement);
    out.legendIndex.push_back(fallbackIndex);
  }
  out.renderer = mapdoc::readRenderer(JsonReader(json, "renderer"));
  return out;
}

RendererRead graduated(const pugi::xml_node& element, const std::string& field) {
  RendererRead out;
  Json breaks = Json::array();
  std::optional<double> lowest;
  int index = 0;
  const auto symbols = element.child("symbols");
  for (const auto& range : element.child("ranges").children("range")) {
    const double lower = number(range.attribute("lower"), "lower");
    if (!lowest) lowest = lower;
    Json item = {{"upper", number(range.attribute("upper"), "upper")}, {"label", range.attribute("label").value()}};
    putSymbol(item, symbols, range);
    breaks.push_back(std::move(item));
    out.labelElements.push_back(range);
    out.legendIndex.push_back(index++);
  }
  if (breaks.empty()) throw JsonProblem("", "the graduated renderer has no ranges");
  Json json = {{"type", "class_breaks"}, {"field", field}, {"min_break", *lowest}, {"breaks", breaks}};
  out.renderer = mapdoc::readRenderer(JsonReader(json, "renderer"));
  return out;
}

RendererRead simple(const pugi::xml_node& element) {
  Json json = {{"type", "simple"}, {"label", ""}};
  if (const auto symbols = element.child("symbols"))
    if (Json symbol = symbolJson(symbols, "0"); !symbol.is_discarded()) json["symbol"] = std::move(symbol);
  RendererRead out;
  out.renderer = mapdoc::readRenderer(JsonReader(json, "renderer"));
  return out;
}

}  // namespace

std::string plainField(const std::string& attr) {
  if (attr.size() >= 2 && attr.front() == '"' && attr.back() == '"') {
    std::string name;
    for (std::size_t i = 1; i + 1 < attr.size(); ++i) {
      if (attr[i] == '"') {
        if (attr[i + 1] != '"' || i + 2 >= attr.size()) return {};
        ++i;
      }
      name += attr[i];
    }
    return name;
  }
  if (attr.empty() || attr.front() == ' ' || attr.back() == ' ') return {};
  if (attr.find_first_of("()\"'+-*/|<>=!,%^") != std::string::npos) return {};
  return attr;
}

RendererRead readRenderer(const pugi::xml_node& element) {
  if (!element) return unsupported("none", "the project gives the layer no renderer");
  const std::string type = element.attribute("type").value();
  try {
    if (type == "singleSymbol") return simple(element);
    if (type == "categorizedSymbol" || type == "graduatedSymbol") {
      const std::string attr = element.attribute("attr").value();
      const std::string field = plainField(attr);
      const std::string kind = type == "categorizedSymbol" ? "categorized" : "graduated";
      if (field.empty())
        return unsupported(type, "the " + kind + " renderer classifies the expression " + attr + ", not a field; " +
                                     kSupported);
      return type == "categorizedSymbol" ? categorized(element, field) : graduated(element, field);
    }
  } catch (const JsonProblem& p) {
    return unsupported(type, "QGIS's " + type + " renderer cannot be read: " + p.problem());
  }
  if (auto known = otherKinds().find(type); known != otherKinds().end())
    return unsupported(type, "QGIS's " + known->second + " renderer (" + type + ") has no classes to label; " + kSupported);
  return unsupported(type.empty() ? "unknown" : type,
                     "the renderer type \"" + type + "\" is not one QGIS writes itself; " + kSupported);
}

}  // namespace mapdoc::qgis
