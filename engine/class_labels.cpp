#include "engine/class_labels.h"

#include "engine/class_walk.h"
#include "engine/label_makers.h"
#include "platform/progress/progress.h"

namespace engine {

namespace {

// One query per class, with the class's clause inside the definition query.
std::vector<SummarySet> summariseClassByClass(LabelerFields& fields, const RecordSource& source, int count,
                                              const ClassClause& clause, const std::vector<std::u16string>& names) {
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
    summariseClass(source, filter.get(), names, -1, true, summaries[static_cast<std::size_t>(i)]);
    platform::progress::report(i + 1, count);
  }
  return summaries;
}

}  // namespace

void makeClassLabels(LabelerFields& fields, const RecordSource& source, int classCount, const ClassClause& clause,
                     const ClassLegendText& legend, std::unique_ptr<RecordClasses> walk) {
  const auto names = expressionFields(fields.ExpressionPieces);
  const int count = classCount > 0 ? classCount : 0;
  // Summaries by class position: values that differ only in case, equal
  // break texts or a field of any name never collide.
  std::vector<SummarySet> summaries;
  if (walk && !fields.PerClassQueries) {
    const std::u16string definition = source.definition->DefinitionExpression();
    summaries = summariseInOneWalk(source, fields.ApplyDefinitionQuery ? definition : std::u16string(), names,
                                   wantedSummaries(fields.ExpressionPieces, names), *walk, count, -1, true);
  } else {
    summaries = summariseClassByClass(fields, source, count, clause, names);
  }
  for (const auto& set : summaries)
    if (set.skipped) fields.SkippedLegendItems = true;

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
