#pragma once
// The label makers, one per renderer kind. Each reads the parsed expression
// and the layer facts that verification left in the fields, and replaces
// Labels with one entry per legend class ("$$SKIPPED" for a class without
// records). None throws or shows a message box: a failure is a false
// result with Message set and LabelsValid false.
#include <cstdint>

#include "engine/labeler_fields.h"
#include "host/layer.h"

namespace engine {

// The whole layer as one class. In sample mode the label goes to
// SampleLabel (Labels is left empty) and legend tokens show the renderer's
// first class, whatever its kind.
bool MakeSimpleRendererLabel(LabelerFields& fields, host::ILayer* pLayer, std::int32_t pSampleRate,
                             bool pMakeSampleLabel);
bool MakeUniqueRendererLabels(LabelerFields& fields, host::ILayer* pLayer);
bool MakeClassBreaksRendererLabels(LabelerFields& fields, host::ILayer* pLayer);
bool MakeBivariateRendererLabels(LabelerFields& fields, host::ILayer* pLayer);

// Ends a maker that trapped a failure (call inside the handler).
bool makerFailed(LabelerFields& fields, const char16_t* makerName);

// The main renderer of a multi-attribute renderer, else the renderer itself.
host::Ref<host::IFeatureRenderer> classRenderer(const host::Ref<host::IFeatureRenderer>& renderer);

}  // namespace engine
