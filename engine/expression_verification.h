#pragma once
// Deciding whether a label expression can label a layer: layer and renderer
// checks, the table and data-source facts the makers need, parsing, the
// fields and their summary methods, and on request the sample label with
// its report box.
#include <string>
#include <string_view>

#include "engine/labeler_fields.h"
#include "host/layer.h"

namespace engine {

// The whole operation, message boxes included (only when ShowMessages).
bool verifyExpression(LabelerFields& fields, host::ILayer* pLayer, const std::u16string& pExpression,
                      bool pMakeSampleLabel, bool pShowLabelingInstructions);

// The text of the "Valid Expression" box.
std::u16string verificationReport(const LabelerFields& fields, bool pShowLabelingInstructions);

// The four field-name delimiters for a data source category.
void setDelimiters(LabelerFields& fields, std::u16string_view category);

}  // namespace engine
