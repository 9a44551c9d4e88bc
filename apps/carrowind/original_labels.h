#pragma once
// The labels a layer's legend showed before the command line first applied
// an expression to it, kept in the document (the layer's "original_labels"
// member) so that reset works in a later run and no label a user typed is
// lost.
#include <optional>
#include <string>
#include <vector>

#include "host/host.h"
#include "mapdoc/document.h"

namespace carrowind::cli {

struct OriginalLabels {
  std::string renderer;  // the renderer kind they were read from
  std::vector<std::string> labels;  // in class order
};

std::optional<OriginalLabels> storedOriginalLabels(mapdoc::MapDocument& document, host::ILayer* layer);

// Keeps labels unless the layer already holds originals: those are older.
void keepOriginalLabels(mapdoc::MapDocument& document, host::ILayer* layer, const OriginalLabels& labels);

void forgetOriginalLabels(mapdoc::MapDocument& document, host::ILayer* layer);

// Writes the labels back into the layer's renderer. Throws a CommandError
// when the renderer is no longer of the kind or the class count they were
// read from.
void restoreOriginalLabels(host::ILayer* layer, const OriginalLabels& labels);

}  // namespace carrowind::cli
