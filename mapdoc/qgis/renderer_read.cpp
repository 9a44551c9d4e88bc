#include "mapdoc/qgis/renderer_read.h"

#include <charconv>
#include <map>
#include <optional>
#include <stdexcept>

#include "mapdoc/json/json_reader.h"
#include "mapdoc/qgis/categorized_renderer.h"
#include "mapdoc/qgis/graduated_renderer.h"
#include "mapdoc/qgis/rule_renderer.h"
#include "mapdoc/qgis/symbol_read.h"
#include "mapdoc/renderers/renderer_json.h"
#include "mapdoc/renderers/unsupported_renderer.h"
#include "platform/text/utf.h"

namespace mapdoc::qgis {
namespace {

// The renderers QGIS 3 itself writes that have no classes to label.
const std::map<std::string, std::string>& otherKinds() {
  static const std::map<std::string, std::string> kinds{
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

constexpr char kSupported[] = "Carrowind labels single symbol, categorized, graduated and rule-based renderers";

RendererRead unsupported(const std::string& type, const std::string& reason) {
  RendererRead out;
  out.renderer = com::make<UnsupportedRenderer>(type, Json{{"type", type}}, reason);
  return out;
}

double number(const pugi::xml_attribute& attribute, const char* what) {
  const std::string text = attribute.value();
  double value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size())
    throw JsonProblem("", std::string("a range's ") + what + " value \"" + text + "\" is not a number");
  return value;
}

SymbolSlot symbolOf(const pugi::xml_node& symbols, const pugi::xml_node& item) {
  SymbolSlot slot;
  Json symbol = symbolJson(symbols, item.attribute("symbol").value());
  if (symbol.is_discarded()) {
    slot.absent = true;
    return slot;
  }
  slot = readSymbol(JsonReader(symbol, "symbol"));
  return slot;
}

QgisClass qgisClass(const pugi::xml_node& symbols, const pugi::xml_node& item, int legendItem) {
  return {text::fromUtf8(item.attribute("label").value()), symbolOf(symbols, item), legendItem};
}

// The field named by "attr", or the expression it is.
struct Classified {
  host::Text field;
  std::string expression;
};

Classified classified(const pugi::xml_node& element) {
  const std::string attr = element.attribute("attr").value();
  const std::string field = plainField(attr);
  if (field.empty()) return {{}, attr};
  return {text::fromUtf8(field), {}};
}

RendererRead categorized(const pugi::xml_node& element) {
  RendererRead out;
  std::vector<CategorizedRenderer::Category> categories;
  std::optional<QgisClass> allOther;
  pugi::xml_node allOtherElement;
  int index = 0;
  const auto symbols = element.child("symbols");
  for (const auto& category : element.child("categories").children("category")) {
    std::vector<host::Text> values;
    for (const auto& v : category.children("val")) values.push_back(text::fromUtf8(v.attribute("value").value()));
    const bool list = !values.empty();
    if (!list) values.push_back(text::fromUtf8(category.attribute("value").value()));
    QgisClass item = qgisClass(symbols, category, index++);
    if (!list && values.front().empty()) {
      if (allOther) throw JsonProblem("", "two categories hold the empty value (\"all other values\")");
      allOther = std::move(item);
      allOtherElement = category;
      continue;
    }
    out.labelElements.push_back(category);
    out.legendIndex.push_back(item.legendItem);
    categories.push_back({std::move(values), std::move(item)});
  }
  if (allOther) {
    out.labelElements.push_back(allOtherElement);
    out.legendIndex.push_back(allOther->legendItem);
  }
  const auto on = classified(element);
  try {
    out.renderer = com::make<CategorizedRenderer>(on.field, on.expression, std::move(categories), std::move(allOther));
  } catch (const std::runtime_error& e) {
    throw JsonProblem("", e.what());
  }
  return out;
}

RendererRead graduated(const pugi::xml_node& element) {
  RendererRead out;
  std::vector<GraduatedRenderer::Range> ranges;
  int index = 0;
  const auto symbols = element.child("symbols");
  for (const auto& range : element.child("ranges").children("range")) {
    GraduatedRenderer::Range r;
    r.lower = number(range.attribute("lower"), "lower");
    r.upper = number(range.attribute("upper"), "upper");
    r.qgis = qgisClass(symbols, range, index++);
    out.labelElements.push_back(range);
    out.legendIndex.push_back(r.qgis.legendItem);
    ranges.push_back(std::move(r));
  }
  if (ranges.empty()) throw JsonProblem("", "the graduated renderer has no ranges");
  const auto on = classified(element);
  out.renderer = com::make<GraduatedRenderer>(on.field, on.expression, std::move(ranges));
  return out;
}

// Every rule below the root, depth first: the order of QGIS's legend items.
void collectRules(const pugi::xml_node& parent, const pugi::xml_node& symbols, RendererRead& out,
                  std::vector<RuleRenderer::Rule>& rules) {
  for (const auto& rule : parent.children("rule")) {
    RuleRenderer::Rule r;
    r.filter = rule.attribute("filter").value();
    r.qgis = qgisClass(symbols, rule, static_cast<int>(rules.size()));
    out.labelElements.push_back(rule);
    out.legendIndex.push_back(r.qgis.legendItem);
    rules.push_back(std::move(r));
    collectRules(rule, symbols, out, rules);
  }
}

RendererRead ruleBased(const pugi::xml_node& element) {
  RendererRead out;
  std::vector<RuleRenderer::Rule> rules;
  collectRules(element.child("rules"), element.child("symbols"), out, rules);
  if (rules.empty()) throw JsonProblem("", "the rule-based renderer has no rules");
  out.renderer = com::make<RuleRenderer>(std::move(rules));
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
    if (type == "categorizedSymbol") return categorized(element);
    if (type == "graduatedSymbol") return graduated(element);
    if (type == "RuleRenderer") return ruleBased(element);
  } catch (const JsonProblem& p) {
    return unsupported(type, "QGIS's " + type + " renderer cannot be read: " + p.problem());
  }
  if (auto known = otherKinds().find(type); known != otherKinds().end())
    return unsupported(type, "QGIS's " + known->second + " renderer (" + type + ") has no classes to label; " + kSupported);
  return unsupported(type.empty() ? "unknown" : type,
                     "the renderer type \"" + type + "\" is not one QGIS writes itself; " + kSupported);
}

}  // namespace mapdoc::qgis
