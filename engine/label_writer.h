#pragma once
// Writing label collections into a layer's renderer, and capturing the
// labels that stood there before. Failures throw (host errors, a missing
// collection position); the labeler turns them into its failure result.
#include "engine/labeler_fields.h"
#include "host/layer.h"

namespace engine {

// Where a SetLabels failure happened, reported after its description.
enum class WriteStep : int {
  ReadRenderer = 10,
  SimpleCapture = 20,
  SimpleWrite = 21,
  UniqueCapture = 30,
  UniqueDefaultLabel = 31,
  UniqueValueLabel = 32,
  BreaksCapture = 40,
  BreaksWrite = 41,
  BivariateMain = 50,
  BivariateLegend = 51,
};

// Captures OriginalLabels while it is empty, then writes Labels; entries
// "$$SKIPPED" (any case) leave their class alone except on a simple
// renderer. `step` follows the work for the failure report.
void writeLabels(LabelerFields& fields, host::ILayer* layer, WriteStep& step);

// Writes OriginalLabels back, every position, the default class included.
void restoreLabels(LabelerFields& fields, host::ILayer* layer);

bool isSkippedMarker(std::u16string_view label);

}  // namespace engine
