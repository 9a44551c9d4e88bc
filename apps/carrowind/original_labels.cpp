#include "apps/carrowind/original_labels.h"

#include "apps/carrowind/commands.h"
#include "apps/carrowind/document_access.h"
#include "apps/carrowind/legend_listing.h"
#include "platform/text/utf.h"

namespace carrowind::cli {
namespace {

constexpr char kMember[] = "original_labels";

mapdoc::Json& extraOf(mapdoc::MapDocument& document, host::ILayer* layer) {
  return document.layerExtra(layer->Name());
}

void writeUnique(host::IUniqueValueRenderer* unique, const std::vector<std::string>& labels) {
  auto classes = com::query<host::IRendererClasses>(unique);
  const int count = classes->ClassCount();
  for (int i = 0; i < count; ++i) {
    const host::Text label = text::fromUtf8(labels[static_cast<std::size_t>(i)]);
    if (unique->UseDefaultSymbol() && i == count - 1) unique->DefaultLabel(label);
    else unique->Label(unique->Value(i), label);
  }
}

void writeBreaks(host::IClassBreaksRenderer* breaks, const std::vector<std::string>& labels) {
  for (int i = 0; i < breaks->BreakCount(); ++i) breaks->Label(i, text::fromUtf8(labels[static_cast<std::size_t>(i)]));
}

}  // namespace

std::optional<OriginalLabels> storedOriginalLabels(mapdoc::MapDocument& document, host::ILayer* layer) {
  const auto& extra = extraOf(document, layer);
  if (!extra.is_object() || !extra.contains(kMember)) return std::nullopt;
  const auto& member = extra[kMember];
  OriginalLabels out;
  try {
    out.renderer = member.at("renderer").get<std::string>();
    out.labels = member.at("labels").get<std::vector<std::string>>();
  } catch (const mapdoc::Json::exception&) {
    throw inputError("layer \"" + layerName(layer) + "\": its \"" + kMember +
                     "\" member is not {\"renderer\": text, \"labels\": [text...]}");
  }
  return out;
}

void keepOriginalLabels(mapdoc::MapDocument& document, host::ILayer* layer, const OriginalLabels& labels) {
  auto& extra = extraOf(document, layer);
  if (extra.is_object() && extra.contains(kMember)) return;
  if (!extra.is_object()) extra = mapdoc::Json::object();
  extra[kMember] = {{"renderer", labels.renderer}, {"labels", labels.labels}};
}

void forgetOriginalLabels(mapdoc::MapDocument& document, host::ILayer* layer) {
  auto& extra = extraOf(document, layer);
  if (extra.is_object()) extra.erase(kMember);
}

void restoreOriginalLabels(host::ILayer* layer, const OriginalLabels& labels) {
  const LegendListing now = listLegend(layer);
  if (now.renderer != labels.renderer || now.classes.size() != labels.labels.size()) {
    throw CommandError(kExitFailure, "the legend of layer \"" + layerName(layer) + "\" has changed since labels were applied (" +
                     now.renderer + " with " + std::to_string(now.classes.size()) + " classes, the kept labels are for " +
                     labels.renderer + " with " + std::to_string(labels.labels.size()) + "); nothing was reset");
  }
  auto renderer = com::query<host::IGeoFeatureLayer>(layer)->Renderer();
  host::IFeatureRenderer* r = renderer.get();
  if (auto simple = com::query<host::ISimpleRenderer>(r)) {
    simple->Label(text::fromUtf8(labels.labels.front()));
  } else if (auto unique = com::query<host::IUniqueValueRenderer>(r)) {
    writeUnique(unique.get(), labels.labels);
  } else if (auto breaks = com::query<host::IClassBreaksRenderer>(r)) {
    writeBreaks(breaks.get(), labels.labels);
  } else if (auto bivariate = com::query<host::IBivariateRenderer>(r)) {
    auto main = bivariate->MainRenderer();
    if (auto u = com::query<host::IUniqueValueRenderer>(main.get())) writeUnique(u.get(), labels.labels);
    else if (auto b = com::query<host::IClassBreaksRenderer>(main.get())) writeBreaks(b.get(), labels.labels);
    bivariate->CreateLegend();
  }
}

}  // namespace carrowind::cli
