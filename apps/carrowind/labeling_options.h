#pragma once
// The labeling options a command shares with the dialog: which records the
// summaries read, and the JSON object every labeling command prints.
#include <optional>
#include <string>
#include <vector>

#include "engine/labeler.h"
#include "mapdoc/json/json.h"

namespace CLI {
class App;
}

namespace carrowind::cli {

// The dialog's three option buttons; Default picks as the dialog does: the
// definition query when the layer has one, else all records.
enum class Records { Default, All, DefinitionQuery, Selection };

void addRecordsOption(CLI::App* command, Records& records);

// Sets ApplyDefinitionQuery and ApplySelectionSet. Throws an input error for
// a choice the dialog would not offer for this layer (no definition query,
// no selected feature).
void applyRecords(engine::_QVXCarrowind* labeler, host::ILayer* layer, Records records);

// {"ok", "message", "labels", "skipped", "skipped_classes", "sample_label",
// "report", "joins", "layer"};
// members left empty are left out.
struct LabelingResult {
  bool ok = false;
  std::string layer;
  std::optional<std::string> message;
  std::optional<std::vector<std::string>> labels;
  std::optional<bool> skipped;
  std::optional<std::vector<int>> skippedClasses;  // by class index, from 0
  std::optional<std::string> sampleLabel;
  std::optional<std::string> report;
  std::optional<mapdoc::Json> joins;  // JoinReport::json
};

mapdoc::Json toJson(const LabelingResult& result);

// What the layer's joins matched of its records, once the labeler has made
// its display table (counted then; nothing is read again).
struct JoinReport {
  // "joins": [{"table", "records", "matched", "layer_key", "layer_key_type",
  // "join_key", "join_key_type"}], one per join in the order they are made;
  // none for a layer without joins.
  std::optional<mapdoc::Json> json;
  // For each join that matched some of the records but not all:
  // the join of owners.csv matched 12 of 168 records of "landuse"
  std::vector<std::string> notices;
  // For the first join that matched none of them (when the layer has
  // records), "" when every join matched some: why no labels are made.
  std::string refusal;
};
JoinReport reportJoins(host::ILayer* layer);

// Prints the layer's legend after a change: as text, or as the JSON object
// with "ok", "labels", "layer" (and "skipped", "skipped_classes", "joins"
// when given).
void printChangedLegend(host::ILayer* layer, bool json, std::optional<bool> skipped = std::nullopt,
                        std::optional<std::vector<int>> skippedClasses = std::nullopt,
                        std::optional<mapdoc::Json> joins = std::nullopt);

// Message box text as a terminal shows it: CR LF becomes a line feed.
std::string terminalText(const std::u16string& text);

}  // namespace carrowind::cli
