#include "engine/class_summaries.h"
#include "engine/label_makers.h"
#include "engine/text_compare.h"
#include "host/renderer.h"
#include "platform/format/value_text.h"
#include "platform/locale/user_locale.h"

namespace engine {
namespace {

// A break as the data source reads it: the number text with a point for
// the decimal separator whatever the user's locale, so "2,5" never reaches
// a where clause.
std::u16string clauseNumber(double value) {
  std::u16string text = platform::format::numberText(value);
  const std::u16string separator = platform::locale::decimalSeparator();
  if (separator != u".") text = replaceNoCase(text, separator, u".");
  return text;
}

}  // namespace

bool MakeClassBreaksRendererLabels(LabelerFields& fields, host::ILayer* pLayer) {
  try {
    const auto names = expressionFields(fields.ExpressionPieces);
    RecordSource source = resolveRecordSource(fields, pLayer);
    auto breaks = require<host::IClassBreaksRenderer>(classRenderer(source.renderer));
    const int count = breaks->BreakCount();
    const std::u16string field = fields.TableIsJoined
                                     ? fields.JoinedFieldPrefix + breaks->Field() + fields.JoinedFieldSuffix
                                     : fields.FieldPrefix + breaks->Field() + fields.FieldSuffix;

    // Summaries by class position, so equal break texts never collide.
    std::vector<SummarySet> summaries(static_cast<std::size_t>(count > 0 ? count : 0));
    for (int i = 0; i < count; ++i) {
      const std::u16string upper = clauseNumber(breaks->Break(i));
      const std::u16string definition = source.definition->DefinitionExpression();
      const std::u16string classClause =
          i == 0 ? u"( " + field + u" <= " + upper + u" )"
                 : u"( " + field + u" > " + clauseNumber(breaks->Break(i - 1)) + u" AND " + field +
                       u" <= " + upper + u" )";
      std::u16string where = classClause;
      if (!definition.empty() && fields.ApplyDefinitionQuery) {
        where = u"( " + definition + u") AND ( " + classClause + u" )";
      }
      auto filter = newQueryFilter(where);
      auto& set = summaries[static_cast<std::size_t>(i)];
      summariseClass(source, filter.get(), names, -1, true, set);
      if (set.skipped) fields.SkippedLegendItems = true;
    }

    fields.Labels = com::make<StringCollection>();
    for (int i = 0; i < count; ++i) {
      const auto& set = summaries[static_cast<std::size_t>(i)];
      if (set.skipped) {
        fields.Labels->Add(u"$$SKIPPED");
        continue;
      }
      std::u16string text = composeLabel(fields.ExpressionPieces, set, [&](const std::u16string& content) {
        if (equalsNoCase(content, u"VALUE")) return platform::format::numberText(breaks->Break(i));
        return breaks->Label(i);
      });
      fields.Labels->Add(finishLabel(text, fields.WrapTextIfLongerThan));
    }
    return true;
  } catch (...) {
    return makerFailed(fields, u"MakeClassBreaksRendererLabels");
  }
}

}  // namespace engine
