#include <charconv>

#include "engine/class_labels.h"
#include "engine/label_makers.h"
#include "engine/text_compare.h"
#include "host/renderer.h"
#include "platform/format/value_text.h"

namespace engine {
namespace {

// A break as the data source reads it: the shortest text that reads back as
// the same double, with a point whatever the user's locale. Fifteen
// significant digits would move a break such as 3142892.0976928216 below
// itself, and the record lying on it would leave its class.
std::u16string clauseNumber(double value) {
  char buffer[32];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  return std::u16string(buffer, end);
}

}  // namespace

bool MakeClassBreaksRendererLabels(LabelerFields& fields, host::ILayer* pLayer) {
  try {
    RecordSource source = resolveRecordSource(fields, pLayer);
    auto renderer = classRenderer(source.renderer);
    auto breaks = require<host::IClassBreaksRenderer>(renderer);
    const std::u16string field = fields.TableIsJoined
                                     ? fields.JoinedFieldPrefix + breaks->Field() + fields.JoinedFieldSuffix
                                     : fields.FieldPrefix + breaks->Field() + fields.FieldSuffix;
    auto classClause = [&](int i) -> std::u16string {
      const std::u16string upper = clauseNumber(breaks->Break(i));
      if (i == 0) return u"( " + field + u" <= " + upper + u" )";
      return u"( " + field + u" > " + clauseNumber(breaks->Break(i - 1)) + u" AND " + field + u" <= " + upper + u" )";
    };
    std::unique_ptr<RecordClasses> walk;
    ClassClause clause = classClause;
    if (renderer.as<host::IRendererOwnClasses>()) {
      // Classes bounded as the renderer bounds them (QGIS's ranges: a lower
      // bound of their own, gaps and overlaps): its clauses and classifier.
      auto classes = require<host::IRendererClasses>(renderer);
      clause = [classes, &source](int i) { return classes->WhereClause(i, source.table.get()); };
      if (!fields.PerClassQueries) walk = rendererClasses(renderer, source);
    } else if (!fields.PerClassQueries) {
      walk = breakClasses(*breaks, source);
    }
    makeClassLabels(
        fields, source, breaks->BreakCount(), clause,
        [&](int i, const std::u16string& content) {
          if (equalsNoCase(content, u"VALUE")) return platform::format::numberText(breaks->Break(i));
          return breaks->Label(i);
        },
        std::move(walk));
    return true;
  } catch (...) {
    return makerFailed(fields, u"MakeClassBreaksRendererLabels");
  }
}

}  // namespace engine
