// carrowind verify: checks a label expression against a layer and shows the
// sample label, as the dialog's Verify button does.
#include <CLI/CLI.hpp>
#include <iostream>

#include "apps/carrowind/commands.h"
#include "apps/carrowind/document_access.h"
#include "apps/carrowind/document_options.h"
#include "apps/carrowind/expression_source.h"
#include "apps/carrowind/labeler_access.h"
#include "apps/carrowind/labeling_options.h"
#include "platform/messagebox/message_box.h"
#include "platform/text/utf.h"

namespace carrowind::cli {
namespace {

namespace mb = platform::messagebox;

struct VerifyOptions {
  DocumentArg document;
  std::string layer;
  ExpressionSource expression;
  Records records = Records::Default;
  bool detail = false;
  bool json = false;
};

// The labeler's own sample label, line breaks as apply's labels have them;
// the report cannot tell where a label with an empty line in it ends.
std::string sampleLabelOf(engine::_QVXCarrowind* labeler) {
  auto sample = com::ComPtr<engine::_QVXCarrowind>(labeler).as<engine::ISampleLabel>();
  return sample ? text::toUtf8(sample->SampleLabel()) : std::string();
}

// A layer that cannot be verified: the reason, as the report would be.
int refused(const VerifyOptions& o, host::ILayer* layer, const std::string& why) {
  if (o.json) {
    LabelingResult result;
    result.layer = layerName(layer);
    result.message = why;
    std::cout << toJson(result).dump(2) << '\n';
  } else {
    std::cout << why << '\n';
  }
  return kExitFailure;
}

int runVerify(const VerifyOptions& o) {
  auto document = openDocument(o.document);
  auto layer = findLayer(*document, o.layer);
  const std::u16string expression = resolveExpression(o.expression);
  if (const auto why = unlabelledReason(layer.get()); !why.empty()) return refused(o, layer.get(), why);
  auto labeler = createLabeler();
  applyRecords(labeler.get(), layer.get(), o.records);
  if (const auto why = readThroughQgis(*document, layer.get(), expression, o.records == Records::All); !why.empty())
    return refused(o, layer.get(), why);
  labeler->ShowMessages(true);

  std::vector<mb::Request> shown;
  auto previous = mb::setHandler([&shown](const mb::Request& r) {
    shown.push_back(r);
    return mb::defaultResult(r.buttons);
  });
  bool valid = false;
  {
    TerminalProgress progress("Sampling");
    valid = labeler->VerifyExpression(layer.get(), expression, true, o.detail);
  }
  mb::setHandler(std::move(previous));
  // A join that matched no record would give nulls for every joined field.
  const JoinReport joins = valid ? reportJoins(layer.get()) : JoinReport{};
  if (!joins.refusal.empty()) valid = false;

  std::string boxText;
  for (const auto& box : shown) boxText += (boxText.empty() ? "" : "\n") + terminalText(box.text);
  if (o.json) {
    LabelingResult result;
    result.ok = valid;
    result.layer = layerName(layer.get());
    result.joins = joins.json;
    if (valid) {
      result.report = boxText;
      result.sampleLabel = sampleLabelOf(labeler.get());
    } else {
      result.message = joins.refusal.empty() ? terminalText(labeler->Message()) : joins.refusal;
    }
    std::cout << toJson(result).dump(2) << '\n';
  } else if (!joins.refusal.empty()) {
    std::cout << joins.refusal << '\n';
  } else {
    std::cout << (boxText.empty() ? terminalText(labeler->Message()) : boxText) << '\n';
  }
  for (const auto& notice : joins.notices) std::cerr << notice << '\n';
  return valid ? kExitOk : kExitFailure;
}

const CommandRegistration verifyCommand{12, [](CLI::App& program) -> Runner {
  auto o = std::make_shared<VerifyOptions>();
  auto* command = program.add_subcommand(
      "verify",
      "Check a label expression against a layer and print its sample label (with --detail also the labeling "
      "instructions), or why the expression cannot be used. A join that matched only some of the layer's records "
      "is noted on stderr. Exit code 0 when it is valid, 1 when not (and when a join matched none of the records).");
  addDocumentOption(command, o->document);
  addLayerOption(command, o->layer, true);
  addExpressionOptions(command, o->expression, true);
  addRecordsOption(command, o->records);
  command->add_flag("--detail", o->detail, "also print the labeling instructions: how each part of the expression reads");
  command->add_flag("--json", o->json,
                    "print JSON: {\"ok\", \"message\" (when invalid), \"sample_label\", \"report\", \"joins\" (for a "
                    "joined layer: what each join matched), \"layer\"}");
  return [o] { return runVerify(*o); };
}};

}  // namespace
}  // namespace carrowind::cli
