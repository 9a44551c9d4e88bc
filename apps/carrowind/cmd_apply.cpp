// carrowind apply: makes a label for every legend class of a layer from one
// expression and writes them into the document, as the dialog's Apply
// button does.
#include <CLI/CLI.hpp>
#include <cmath>
#include <iostream>

#include "apps/carrowind/commands.h"
#include "apps/carrowind/document_access.h"
#include "apps/carrowind/document_options.h"
#include "apps/carrowind/expression_source.h"
#include "apps/carrowind/labeler_access.h"
#include "apps/carrowind/labeling_options.h"
#include "apps/carrowind/legend_listing.h"
#include "apps/carrowind/original_labels.h"
#include "platform/text/utf.h"

namespace carrowind::cli {
namespace {

struct ApplyOptions {
  DocumentArg document;
  std::string layer;
  ExpressionSource expression;
  Records records = Records::Default;
  std::optional<double> wrap;
  bool noAllOtherValues = false;
  bool dryRun = false;
  std::string output;
  bool force = false;
  bool json = false;
};

// The dialog's rule: a length below 1 means no wrapping.
std::int16_t wrapLength(const std::optional<double>& wrap) {
  if (!wrap) return 0;
  const double n = std::nearbyint(*wrap);
  if (!(n >= 1)) return 0;
  if (n > 32767) throw inputError("--wrap: at most 32767 characters");
  return static_cast<std::int16_t>(n);
}

constexpr char kAutoRefreshNotice[] =
    "IMPORTANT: The resulting labels do not \"Auto Refresh\" when the Layer changes!  You must re-apply the "
    "labeling expression whenever changes affecting labels are made to the Layer's legend or data source.";
constexpr char kSkippedNotice[] = "Some legend symbols had no corresponding values in Layer's table and were skipped!";

int failed(const ApplyOptions& o, host::ILayer* layer, const char* title, const std::u16string& message,
           std::optional<mapdoc::Json> joins = std::nullopt) {
  if (o.json) {
    LabelingResult result;
    result.layer = layerName(layer);
    result.message = terminalText(message);
    result.joins = std::move(joins);
    std::cout << toJson(result).dump(2) << '\n';
  }
  std::cerr << title << ' ' << terminalText(message) << '\n';
  return kExitFailure;
}

// Why no class gets a label, when none does because no record was found
// for any class apply labels (the "<all other values>" class is not one of
// them with --no-all-other-values); "" when some class gets one.
std::string nothingLabelled(engine::_QVXCarrowind* labeler, const LegendListing& legend, bool noAllOtherValues) {
  auto made = labeler->Labels();
  if (!made || made->Count() == 0) return {};
  for (int i = 1; i <= made->Count(); ++i) {
    const auto index = static_cast<std::size_t>(i - 1);
    const bool allOtherValues =
        index < legend.classes.size() && !legend.classes[index].value && !legend.classes[index].upperBound;
    if (noAllOtherValues && allOtherValues) continue;
    if (text::toUtf8(made->Item(i)) != "$$SKIPPED") return {};
  }
  return "No labels were made: no record was found for any legend class, so every class keeps its label.";
}

int runApply(const ApplyOptions& o) {
  const auto locks = o.dryRun ? std::vector<mapdoc::DocumentLock>{} : lockForWriting(o.document, o.output);
  auto document = openDocument(o.document);
  if (!o.dryRun) checkWritable(*document, o.output, o.force);
  auto layer = findLayer(*document, o.layer);
  const std::u16string expression = resolveExpression(o.expression);
  auto labeler = createLabeler();
  applyRecords(labeler.get(), layer.get(), o.records);
  if (const auto why = readThroughQgis(*document, layer.get(), expression, o.records == Records::All); !why.empty())
    return failed(o, layer.get(), "Error Generating Labels!", text::fromUtf8(why));
  featureLayer(layer.get());
  if (const auto why = unlabelledReason(layer.get()); !why.empty())
    return failed(o, layer.get(), "Error Generating Labels!", text::fromUtf8(why));
  labeler->WrapTextIfLongerThan(wrapLength(o.wrap));
  labeler->ShowMessages(false);
  labeler->UpdateAllOtherValues(!o.noAllOtherValues);

  const LegendListing before = listLegend(layer.get());
  bool made = false;
  {
    TerminalProgress progress("Labelling");
    made = labeler->MakeLabels(layer.get(), expression);
  }
  if (!made) return failed(o, layer.get(), "Error Generating Labels!", labeler->Message());
  // A join that matched no record would label every class with nulls.
  const JoinReport joins = reportJoins(layer.get());
  if (!joins.refusal.empty())
    return failed(o, layer.get(), "Error Generating Labels!", text::fromUtf8(joins.refusal), joins.json);
  if (const auto why = nothingLabelled(labeler.get(), before, o.noAllOtherValues); !why.empty())
    return failed(o, layer.get(), "Error Generating Labels!", text::fromUtf8(why));
  if (!labeler->SetLabels(layer.get())) return failed(o, layer.get(), "Error Setting Legend Labels!", labeler->Message());

  labelsChanged(*document);

  const bool skipped = labeler->SkippedLegendItems();
  // Which classes kept their label: none of their records were found.
  std::vector<int> skippedClasses;
  if (auto made = labeler->Labels())
    for (int i = 1; i <= made->Count(); ++i)
      if (text::toUtf8(made->Item(i)) == "$$SKIPPED") skippedClasses.push_back(i - 1);
  if (!o.dryRun) {
    keepOriginalLabels(*document, layer.get(), {before.renderer, labelsOf(before)});
    saveDocument(*document, o.output, o.force);
  }

  printChangedLegend(layer.get(), o.json, skipped, std::move(skippedClasses), joins.json);
  for (const auto& notice : joins.notices) std::cerr << notice << '\n';
  std::cerr << kAutoRefreshNotice << '\n';
  if (skipped) std::cerr << kSkippedNotice << '\n';
  return kExitOk;
}

const CommandRegistration applyCommand{14, [](CLI::App& program) -> Runner {
  auto o = std::make_shared<ApplyOptions>();
  auto* command = program.add_subcommand(
      "apply",
      "Make a label for every legend class of a layer from one expression, write the labels into the document "
      "(atomically) and print the new legend. The labels the legend showed before the first apply are kept in "
      "the document for \"carrowind reset\". Notices go to stderr (a join that matched only some records too). "
      "Exit code 1 when no labels could be made (the expression cannot be used on the layer, or no record was found "
      "for any class it labels, as in a layer without records; classes without records keep their labels), and "
      "when a join matched none of the layer's records.");
  addDocumentOption(command, o->document);
  addLayerOption(command, o->layer, true);
  addExpressionOptions(command, o->expression, true);
  addRecordsOption(command, o->records);
  command->add_option("--wrap", o->wrap, "wrap label text longer than N characters (below 1: no wrapping)");
  command->add_flag("--no-all-other-values", o->noAllOtherValues,
                    "leave the label of the \"<all other values>\" class as it is");
  auto* dryRun = command->add_flag("--dry-run", o->dryRun, "print the labels the legend would get; write nothing");
  command->add_option("-o,--output", o->output, "write the labelled document here instead of over DOCUMENT")
      ->excludes(dryRun);
  addForceOption(command, o->force);
  command->add_flag("--json", o->json,
                    "print JSON: {\"ok\", \"message\" (on failure), \"labels\", \"skipped\", \"skipped_classes\" (the "
                    "classes, from 0, that kept their label: no record was found for them), \"joins\" (for a joined "
                    "layer: what each join matched), \"layer\"}");
  return [o] { return runApply(*o); };
}};

}  // namespace
}  // namespace carrowind::cli
