// carrowind reset: puts back the labels a layer's legend showed before the
// first "carrowind apply", from the copy apply kept in the document.
#include <CLI/CLI.hpp>
#include <iostream>

#include "apps/carrowind/commands.h"
#include "apps/carrowind/document_access.h"
#include "apps/carrowind/document_options.h"
#include "apps/carrowind/labeling_options.h"
#include "apps/carrowind/legend_listing.h"
#include "apps/carrowind/original_labels.h"

namespace carrowind::cli {
namespace {

struct ResetOptions {
  DocumentArg document;
  std::string layer;
  std::string output;
  bool force = false;
  bool json = false;
};

int runReset(const ResetOptions& o) {
  const auto locks = lockForWriting(o.document, o.output);
  auto document = openDocument(o.document);
  checkWritable(*document, o.output, o.force);
  auto layer = findLayer(*document, o.layer);
  featureLayer(layer.get());
  auto original = storedOriginalLabels(*document, layer.get());
  if (!original)
    throw CommandError(kExitFailure, "layer \"" + layerName(layer.get()) +
                                         "\" holds no labels to reset: carrowind apply has not labelled it");
  restoreOriginalLabels(layer.get(), *original);
  forgetOriginalLabels(*document, layer.get());
  labelsChanged(*document);
  saveDocument(*document, o.output, o.force);
  printChangedLegend(layer.get(), o.json);
  return kExitOk;
}

const CommandRegistration resetCommand{16, [](CLI::App& program) -> Runner {
  auto o = std::make_shared<ResetOptions>();
  auto* command = program.add_subcommand(
      "reset",
      "Restore the labels a layer's legend showed before the first \"carrowind apply\" and print the legend. "
      "Exit code 1 when there is nothing to restore or the legend's classes have changed since.");
  addDocumentOption(command, o->document);
  addLayerOption(command, o->layer, true);
  command->add_option("-o,--output", o->output, "write the document here instead of over DOCUMENT");
  addForceOption(command, o->force);
  command->add_flag("--json", o->json, "print JSON: {\"ok\", \"message\" (on failure), \"labels\", \"layer\"}");
  return [o] { return runReset(*o); };
}};

}  // namespace
}  // namespace carrowind::cli
