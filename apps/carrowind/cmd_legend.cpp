// carrowind legend: what each layer's legend shows now.
#include <CLI/CLI.hpp>
#include <iostream>

#include "apps/carrowind/commands.h"
#include "apps/carrowind/document_access.h"
#include "apps/carrowind/document_options.h"
#include "apps/carrowind/legend_listing.h"
#include "host/renderer.h"
#include "mapdoc/layers/feature_layer.h"
#include "mapdoc/qgis/qgis_evaluation.h"
#include "platform/text/utf.h"

namespace carrowind::cli {
namespace {

struct LegendOptions {
  DocumentArg document;
  std::string layer;
  bool json = false;
};

// A renderer field the table the layer shows lacks, in the words apply,
// verify and export-layout use; "" when every one is there, and when the
// data cannot be read or only QGIS can (the legend itself comes from the
// document alone, and the labelling commands say what is wrong then).
std::string missingRendererField(mapdoc::MapDocument& document, host::ILayer* layer) {
  auto* own = dynamic_cast<mapdoc::FeatureLayer*>(layer);
  if (!own || !own->Renderer() || !own->problem().empty()) return {};
  auto classifying = com::query<host::IRendererClassifier>(own->Renderer().get());
  if (!classifying || mapdoc::qgis::qgisNeeds(document, layer, {}).any()) return {};
  try {
    auto table = com::query<host::IClass>(own->DisplayTable().get());
    for (const auto& name : classifying->ClassifierFields())
      if (!name.empty() && table && table->FindField(name) < 0)
        return "the renderer's field \"" + text::toUtf8(name) + "\" is not in the table";
  } catch (const host::HostError&) {
    // a join that cannot be made
  }
  return {};
}

int runLegend(const LegendOptions& options) {
  auto document = openDocument(options.document);
  std::vector<host::Ref<host::ILayer>> layers;
  if (!options.layer.empty()) layers.push_back(findLayer(*document, options.layer));
  else layers = document->layers();
  for (const auto& layer : layers)
    if (const auto why = missingRendererField(*document, layer.get()); !why.empty())
      std::cerr << "carrowind legend: layer \"" << layerName(layer.get()) << "\": " << why << '\n';

  if (options.json) {
    if (!options.layer.empty()) {
      std::cout << toJson(listLegend(layers.front().get())).dump(2) << '\n';
    } else {
      mapdoc::Json all = mapdoc::Json::array();
      for (const auto& layer : layers) all.push_back(toJson(listLegend(layer.get())));
      std::cout << all.dump(2) << '\n';
    }
    return kExitOk;
  }
  for (const auto& layer : layers) std::cout << toText(listLegend(layer.get()));
  return kExitOk;
}

const CommandRegistration legendCommand{10, [](CLI::App& program) -> Runner {
  auto options = std::make_shared<LegendOptions>();
  auto* command = program.add_subcommand(
      "legend",
      "Print each layer's renderer kind and its legend classes (value or upper break, then label).\n"
      "Layers without a feature renderer (raster, group) show as \"none\". A renderer field that the layer's\n"
      "table lacks is noted on stderr; the legend is printed all the same.");
  addDocumentOption(command, options->document);
  addLayerOption(command, options->layer, false, "only this layer (its name as the document has it)");
  command->add_flag("--json", options->json,
                    "print JSON: {\"layer\", \"renderer\", \"values\", \"labels\"} for --layer, else a list of them; "
                    "breaks are numbers, the default class's value is null; a failure prints {\"ok\": false, \"message\"}");
  return [options] { return runLegend(*options); };
}};

}  // namespace
}  // namespace carrowind::cli
