#include "apps/carrowind/labeling_options.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <map>

#include "apps/carrowind/commands.h"
#include "apps/carrowind/document_access.h"
#include "apps/carrowind/legend_listing.h"
#include "mapdoc/layers/feature_layer.h"
#include "platform/text/utf.h"

namespace carrowind::cli {

void addRecordsOption(CLI::App* command, Records& records) {
  const std::map<std::string, Records> choices{
      {"all", Records::All}, {"definition-query", Records::DefinitionQuery}, {"selection", Records::Selection}};
  command
      ->add_option("--records", records,
                   "the records the summaries read: all, definition-query (the layer's definition query) or "
                   "selection (the layer's selected features); by default the definition query when the layer has "
                   "one, else all")
      ->transform(CLI::CheckedTransformer(choices));
}

void applyRecords(engine::_QVXCarrowind* labeler, host::ILayer* layer, Records records) {
  auto definition = com::query<host::IFeatureLayerDefinition>(layer);
  const bool hasDefinition = definition && !definition->DefinitionExpression().empty();
  if (records == Records::Default) records = hasDefinition ? Records::DefinitionQuery : Records::All;
  if (records == Records::DefinitionQuery && !hasDefinition)
    throw inputError("layer \"" + layerName(layer) + "\" has no definition query");
  if (records == Records::Selection) {
    auto selection = com::query<host::IFeatureSelection>(layer);
    if (!selection || selection->SelectionSet()->Count() < 1)
      throw inputError("layer \"" + layerName(layer) + "\" has no selected features");
  }
  labeler->ApplyDefinitionQuery(records == Records::DefinitionQuery);
  labeler->ApplySelectionSet(records == Records::Selection);
}

JoinReport reportJoins(host::ILayer* layer) {
  JoinReport report;
  auto* own = dynamic_cast<mapdoc::FeatureLayer*>(layer);
  const auto outcomes = own ? own->joinOutcomes() : std::vector<mapdoc::JoinOutcome>{};
  if (outcomes.empty()) return report;
  report.json = mapdoc::Json::array();
  for (const auto& [table, c] : outcomes) {
    report.json->push_back({{"table", table},
                            {"records", c.records},
                            {"matched", c.matched},
                            {"layer_key", c.layerKey},
                            {"layer_key_type", c.layerKeyType},
                            {"join_key", c.joinKey},
                            {"join_key_type", c.joinKeyType}});
    const std::string records = std::to_string(c.records) + (c.records == 1 ? " record" : " records");
    if (c.matched == 0 && c.records > 0 && report.refusal.empty()) {
      report.refusal = "the join of " + table + " matched none of the " + records + " of \"" + c.layerTable +
                       "\": " + c.layerKey + " (" + c.layerKeyType + ") and " + c.joinKey + " (" + c.joinKeyType +
                       ") hold no value in common";
    } else if (c.matched < c.records && c.matched > 0) {
      report.notices.push_back("the join of " + table + " matched " + std::to_string(c.matched) + " of " + records +
                               " of \"" + c.layerTable + "\"");
    }
  }
  return report;
}

mapdoc::Json toJson(const LabelingResult& r) {
  mapdoc::Json out = {{"ok", r.ok}};
  if (r.message) out["message"] = *r.message;
  if (r.labels) out["labels"] = *r.labels;
  if (r.skipped) out["skipped"] = *r.skipped;
  if (r.skippedClasses) out["skipped_classes"] = *r.skippedClasses;
  if (r.sampleLabel) out["sample_label"] = *r.sampleLabel;
  if (r.report) out["report"] = *r.report;
  if (r.joins) out["joins"] = *r.joins;
  out["layer"] = r.layer;
  return out;
}

void printChangedLegend(host::ILayer* layer, bool json, std::optional<bool> skipped,
                        std::optional<std::vector<int>> skippedClasses, std::optional<mapdoc::Json> joins) {
  const LegendListing after = listLegend(layer);
  if (!json) {
    std::cout << toText(after);
    return;
  }
  LabelingResult result;
  result.ok = true;
  result.layer = after.layer;
  result.labels = labelsOf(after);
  result.skipped = skipped;
  result.skippedClasses = std::move(skippedClasses);
  result.joins = std::move(joins);
  std::cout << toJson(result).dump(2) << '\n';
}

std::string terminalText(const std::u16string& text) {
  std::string out = text::toUtf8(text);
  std::string::size_type at = 0;
  while ((at = out.find("\r\n", at)) != std::string::npos) out.erase(at, 1);
  return out;
}

}  // namespace carrowind::cli
