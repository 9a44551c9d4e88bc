// carrowind legend: what each layer's legend shows now.
#include <CLI/CLI.hpp>
#include <iostream>

#include "apps/carrowind/commands.h"
#include "apps/carrowind/document_access.h"
#include "apps/carrowind/document_options.h"
#include "apps/carrowind/legend_listing.h"

namespace carrowind::cli {
namespace {

struct LegendOptions {
  DocumentArg document;
  std::string layer;
  bool json = false;
};

int runLegend(const LegendOptions& options) {
  auto document = openDocument(options.document);
  std::vector<host::Ref<host::ILayer>> layers;
  if (!options.layer.empty()) layers.push_back(findLayer(*document, options.layer));
  else layers = document->layers();

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

const CommandRegistration registration{10, [](CLI::App& program) -> Runner {
  auto options = std::make_shared<LegendOptions>();
  auto* command = program.add_subcommand(
      "legend",
      "Print each layer's renderer kind and its legend classes (value or upper break, then label).\n"
      "Layers without a feature renderer (raster, group) show as \"none\".");
  addDocumentOption(command, options->document);
  addLayerOption(command, options->layer, false, "only this layer (its name as the document has it)");
  command->add_flag("--json", options->json,
                    "print JSON: {\"layer\", \"renderer\", \"values\", \"labels\"} for --layer, else a list of them; "
                    "breaks are numbers, the default class's value is null");
  return [options] { return runLegend(*options); };
}};

}  // namespace
}  // namespace carrowind::cli
