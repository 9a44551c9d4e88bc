#include "engine/class_summaries.h"
#include "engine/label_makers.h"
#include "engine/text_compare.h"
#include "host/renderer.h"

namespace engine {
namespace {

constexpr char16_t kAllOtherValues[] = u"<all other values>";

// A text value inside single quotes, its own single quotes doubled, so
// "Women's Center" stays one literal.
std::u16string quoted(const std::u16string& value) {
  std::u16string out = u"'";
  for (char16_t c : value) {
    out += c;
    if (c == u'\'') out += u'\'';
  }
  return out + u"'";
}

}  // namespace

bool MakeUniqueRendererLabels(LabelerFields& fields, host::ILayer* pLayer) {
  try {
    const auto names = expressionFields(fields.ExpressionPieces);
    RecordSource source = resolveRecordSource(fields, pLayer);
    auto renderer = classRenderer(source.renderer);
    auto unique = require<host::IUniqueValueRenderer>(renderer);
    auto classes = require<host::IRendererClasses>(renderer);
    const int count = classes->ClassCount();
    const bool useDefault = unique->UseDefaultSymbol();
    auto isDefaultClass = [&](int i) { return useDefault && i == count - 1; };

    // Summaries by class position: values that differ only in case, or a
    // field of any name, never collide.
    std::vector<SummarySet> summaries(static_cast<std::size_t>(count > 0 ? count : 0));
    std::u16string allOtherValuesClause;
    for (int i = 0; i < count; ++i) {
      const std::u16string definition = source.definition->DefinitionExpression();
      std::u16string classClause;
      if (fields.TableIsJoined) {
        if (isDefaultClass(i)) {
          // With no value class there is nothing to exclude: every record
          // belongs to the default class.
          if (allOtherValuesClause.size() >= 2) classClause = u"NOT (" + allOtherValuesClause.substr(2) + u")";
        } else {
          const std::u16string name = unique->Field(0);
          const int type = source.fieldType(source.fieldPosition(name));
          const std::u16string value = unique->Value(i);
          const std::u16string field = fields.JoinedFieldPrefix + name + fields.JoinedFieldSuffix;
          classClause = type == host::FieldTypeString ? field + u" = " + quoted(value) : field + u" = " + value;
          allOtherValuesClause += u"OR (" + classClause + u") ";
        }
      } else {
        classClause = classes->WhereClause(i, source.table.get());
      }
      std::u16string where = classClause;
      if (!definition.empty() && fields.ApplyDefinitionQuery) {
        // The class clause in parentheses: the host's default-class clause
        // ends in "OR ... IS NULL", which must not escape the definition.
        where = classClause.empty() ? definition : u"( " + definition + u") AND ( " + classClause + u" )";
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
        if (equalsNoCase(content, u"VALUE")) return isDefaultClass(i) ? std::u16string(kAllOtherValues) : unique->Value(i);
        return classes->Class(i);
      });
      fields.Labels->Add(finishLabel(text, fields.WrapTextIfLongerThan));
    }
    return true;
  } catch (...) {
    return makerFailed(fields, u"MakeUniqueRendererLabels");
  }
}

}  // namespace engine
