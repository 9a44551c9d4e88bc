#include "engine/class_summaries.h"
#include "engine/class_walk.h"
#include "engine/failure_text.h"
#include "engine/label_makers.h"
#include "engine/text_compare.h"
#include "host/renderer.h"
#include "platform/format/value_text.h"

namespace engine {

bool makerFailed(LabelerFields& fields, const char16_t* makerName) {
  try {
    fields.Message = describeFailure(std::current_exception(), makerName);
  } catch (...) {
    fields.Message.clear();
  }
  fields.LabelsValid = false;
  return false;
}

host::Ref<host::IFeatureRenderer> classRenderer(const host::Ref<host::IFeatureRenderer>& renderer) {
  if (auto bivariate = renderer.as<host::IBivariateRenderer>()) return bivariate->MainRenderer();
  return renderer;
}

namespace {

std::u16string sampleLegend(const host::Ref<host::IFeatureRenderer>& renderer, const std::u16string& content) {
  const bool label = equalsNoCase(content, u"LABEL");
  if (auto simple = renderer.as<host::ISimpleRenderer>()) return label ? simple->Label() : std::u16string();
  if (auto unique = renderer.as<host::IUniqueValueRenderer>()) {
    return label ? require<host::IRendererClasses>(renderer)->Class(0) : unique->Value(0);
  }
  if (auto breaks = renderer.as<host::IClassBreaksRenderer>()) {
    return label ? require<host::IRendererClasses>(renderer)->Class(0)
                 : platform::format::numberText(breaks->Break(0));
  }
  return {};
}

}  // namespace

bool MakeSimpleRendererLabel(LabelerFields& fields, host::ILayer* pLayer, std::int32_t pSampleRate,
                             bool pMakeSampleLabel) {
  try {
    const auto names = expressionFields(fields.ExpressionPieces);
    RecordSource source = resolveRecordSource(fields, pLayer);
    const std::u16string where = fields.ApplyDefinitionQuery ? source.definition->DefinitionExpression() : u"";
    SummarySet set;
    if (fields.PerClassQueries) {
      auto filter = newQueryFilter(where);
      summariseClass(source, filter.get(), names, pSampleRate, false, set);
    } else {
      auto one = allInOneClass();
      set = std::move(summariseInOneWalk(source, where, names, wantedSummaries(fields.ExpressionPieces, names), *one, 1,
                                         pSampleRate, false)
                          .front());
    }

    host::Ref<host::ISimpleRenderer> simple;
    if (!pMakeSampleLabel) simple = require<host::ISimpleRenderer>(source.renderer);
    std::u16string text = composeLabel(fields.ExpressionPieces, set, [&](const std::u16string& content) {
      if (pMakeSampleLabel) return sampleLegend(source.renderer, content);
      return equalsNoCase(content, u"LABEL") ? simple->Label() : std::u16string();
    });
    text = finishLabel(text, fields.WrapTextIfLongerThan);

    fields.Labels = com::make<StringCollection>();
    if (pMakeSampleLabel) {
      fields.SampleLabel = text;
    } else {
      fields.Labels->Add(text);
    }
    return true;
  } catch (...) {
    return makerFailed(fields, u"MakeSimpleRendererLabel");
  }
}

}  // namespace engine
