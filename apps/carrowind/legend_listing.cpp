#include "apps/carrowind/legend_listing.h"

#include <algorithm>
#include <sstream>

#include "apps/carrowind/value_print.h"
#include "mapdoc/qgis/graduated_renderer.h"
#include "mapdoc/data/qt_text.h"
#include "platform/text/utf.h"

namespace carrowind::cli {
namespace {

using text::toUtf8;

void listUniqueValues(host::IUniqueValueRenderer* unique, host::IRendererClasses* classes, LegendListing& out) {
  std::string fields;
  for (int f = 0; f < unique->FieldCount(); ++f) fields += (f ? ", " : "") + toUtf8(unique->Field(f));
  if (!fields.empty()) out.detail = "on " + fields;  // rules name none
  const int count = classes->ClassCount();
  const bool withDefault = unique->UseDefaultSymbol();
  for (int i = 0; i < count; ++i) {
    LegendClass entry;
    if (!(withDefault && i == count - 1)) entry.value = toUtf8(unique->Value(i));
    entry.label = toUtf8(classes->Class(i));
    out.classes.push_back(std::move(entry));
  }
}

void listClassBreaks(host::IClassBreaksRenderer* breaks, LegendListing& out) {
  out.detail = "on " + toUtf8(breaks->Field());
  if (auto norm = breaks->NormField(); !norm.empty()) out.detail += " / " + toUtf8(norm);
  // QGIS's ranges have lower bounds of their own
  if (auto* ranges = dynamic_cast<mapdoc::qgis::GraduatedRenderer*>(breaks)) {
    for (const auto& r : ranges->ranges())
      out.classes.push_back({mapdoc::data::qtNumberText(r.lower) + " - " + mapdoc::data::qtNumberText(r.upper), {}, toUtf8(r.qgis.label)});
    return;
  }
  for (int i = 0; i < breaks->BreakCount(); ++i) out.classes.push_back({{}, breaks->Break(i), toUtf8(breaks->Label(i))});
}

void listRenderer(host::IFeatureRenderer* renderer, LegendListing& out) {
  if (auto simple = com::query<host::ISimpleRenderer>(renderer)) {
    out.classes.push_back({std::string{}, {}, toUtf8(simple->Label())});
  } else if (auto unique = com::query<host::IUniqueValueRenderer>(renderer)) {
    listUniqueValues(unique.get(), com::query<host::IRendererClasses>(renderer).get(), out);
  } else if (auto breaks = com::query<host::IClassBreaksRenderer>(renderer)) {
    listClassBreaks(breaks.get(), out);
  } else if (auto bivariate = com::query<host::IBivariateRenderer>(renderer)) {
    auto main = bivariate->MainRenderer();
    if (main) {
      listRenderer(main.get(), out);
      out.detail = "main renderer " + toUtf8(main->RendererType()) + (out.detail.empty() ? "" : " " + out.detail);
    }
  }
}

// Columns line up by characters, not bytes.
std::size_t displayWidth(const std::string& s) {
  return static_cast<std::size_t>(std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

}  // namespace

LegendListing listLegend(host::ILayer* layer) {
  LegendListing out;
  out.layer = toUtf8(layer->Name());
  out.renderer = "none";
  auto geo = com::query<host::IGeoFeatureLayer>(layer);
  if (!geo) return out;
  auto renderer = geo->Renderer();
  if (!renderer) return out;
  out.renderer = toUtf8(renderer->RendererType());
  listRenderer(renderer.get(), out);
  return out;
}

std::vector<std::string> labelsOf(const LegendListing& listing) {
  std::vector<std::string> out;
  for (const auto& c : listing.classes) out.push_back(c.label);
  return out;
}

mapdoc::Json toJson(const LegendListing& listing) {
  mapdoc::Json values = mapdoc::Json::array(), labels = mapdoc::Json::array();
  for (const auto& c : listing.classes) {
    if (c.upperBound) values.push_back(*c.upperBound);
    else if (c.value) values.push_back(*c.value);
    else values.push_back(nullptr);
    labels.push_back(c.label);
  }
  return {{"ok", true}, {"layer", listing.layer}, {"renderer", listing.renderer}, {"values", values}, {"labels", labels}};
}

std::string toText(const LegendListing& listing) {
  std::ostringstream out;
  out << listing.layer << ": " << listing.renderer;
  if (!listing.detail.empty()) out << ' ' << listing.detail;
  if (listing.renderer != "none" && listing.renderer != "simple")
    out << ", " << listing.classes.size() << (listing.classes.size() == 1 ? " class" : " classes");
  out << '\n';
  std::vector<std::string> shown;
  std::size_t width = 0;
  for (const auto& c : listing.classes) {
    std::string value = c.upperBound ? "<= " + shortestNumber(*c.upperBound) : c.value ? *c.value : "<all other values>";
    width = std::max(width, displayWidth(value));
    shown.push_back(std::move(value));
  }
  for (std::size_t i = 0; i < listing.classes.size(); ++i) {
    if (listing.renderer == "simple" || (listing.renderer == "bivariate" && shown[i].empty())) {
      out << "  " << listing.classes[i].label << '\n';
      continue;
    }
    out << "  " << shown[i] << std::string(width - displayWidth(shown[i]) + 2, ' ') << listing.classes[i].label << '\n';
  }
  return out.str();
}

}  // namespace carrowind::cli
