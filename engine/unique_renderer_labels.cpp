#include "engine/class_labels.h"
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
    RecordSource source = resolveRecordSource(fields, pLayer);
    auto renderer = classRenderer(source.renderer);
    auto unique = require<host::IUniqueValueRenderer>(renderer);
    auto classes = require<host::IRendererClasses>(renderer);
    const int count = classes->ClassCount();
    const bool useDefault = unique->UseDefaultSymbol();
    auto isDefaultClass = [&](int i) { return useDefault && i == count - 1; };
    // A renderer that knows its own classes is asked on a joined table too.
    const bool joinedClauses = fields.TableIsJoined && !renderer.as<host::IRendererOwnClasses>();

    std::u16string allOtherValuesClause;
    auto classClause = [&](int i) -> std::u16string {
      if (!joinedClauses) return classes->WhereClause(i, source.table.get());
      if (isDefaultClass(i)) {
        // With no value class there is nothing to exclude: every record
        // belongs to the default class.
        return allOtherValuesClause.size() >= 2 ? u"NOT (" + allOtherValuesClause.substr(2) + u")" : u"";
      }
      const std::u16string name = unique->Field(0);
      const int type = source.fieldType(source.fieldPosition(name));
      const std::u16string value = unique->Value(i);
      const std::u16string field = fields.JoinedFieldPrefix + name + fields.JoinedFieldSuffix;
      std::u16string clause = type == host::FieldTypeString ? field + u" = " + quoted(value) : field + u" = " + value;
      allOtherValuesClause += u"OR (" + clause + u") ";
      return clause;
    };
    std::unique_ptr<RecordClasses> walk;
    if (!fields.PerClassQueries)
      walk = joinedClauses ? joinedValueClasses(*unique, count, source) : rendererClasses(renderer, source);
    makeClassLabels(
        fields, source, count, classClause,
        [&](int i, const std::u16string& content) {
          if (equalsNoCase(content, u"VALUE")) return isDefaultClass(i) ? std::u16string(kAllOtherValues) : unique->Value(i);
          return classes->Class(i);
        },
        std::move(walk));
    return true;
  } catch (...) {
    return makerFailed(fields, u"MakeUniqueRendererLabels");
  }
}

}  // namespace engine
