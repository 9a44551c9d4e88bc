#include "engine/class_labels.h"

#include "engine/label_makers.h"
#include "platform/progress/progress.h"

namespace engine {

void makeClassLabels(LabelerFields& fields, const RecordSource& source, int classCount, const ClassClause& clause,
                     const ClassLegendText& legend) {
  const auto names = expressionFields(fields.ExpressionPieces);
  const int count = classCount > 0 ? classCount : 0;
  // Summaries by class position: values that differ only in case, equal
  // break texts or a field of any name never collide.
  std::vector<SummarySet> summaries(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const std::u16string definition = source.definition->DefinitionExpression();
    const std::u16string classClause = clause(i);
    std::u16string where = classClause;
    if (!definition.empty() && fields.ApplyDefinitionQuery) {
      // The class clause in parentheses: a default-class clause ending in
      // "OR ... IS NULL" must not escape the definition.
      where = classClause.empty() ? definition : u"( " + definition + u") AND ( " + classClause + u" )";
    }
    auto filter = newQueryFilter(where);
    auto& set = summaries[static_cast<std::size_t>(i)];
    summariseClass(source, filter.get(), names, -1, true, set);
    if (set.skipped) fields.SkippedLegendItems = true;
    platform::progress::report(i + 1, count);
  }

  fields.Labels = com::make<StringCollection>();
  for (int i = 0; i < count; ++i) {
    const auto& set = summaries[static_cast<std::size_t>(i)];
    if (set.skipped) {
      fields.Labels->Add(u"$$SKIPPED");
      continue;
    }
    std::u16string text = composeLabel(fields.ExpressionPieces, set,
                                       [&](const std::u16string& content) { return legend(i, content); });
    fields.Labels->Add(finishLabel(text, fields.WrapTextIfLongerThan));
  }
}

}  // namespace engine
