#include "engine/class_labels.h"
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
    RecordSource source = resolveRecordSource(fields, pLayer);
    auto breaks = require<host::IClassBreaksRenderer>(classRenderer(source.renderer));
    const std::u16string field = fields.TableIsJoined
                                     ? fields.JoinedFieldPrefix + breaks->Field() + fields.JoinedFieldSuffix
                                     : fields.FieldPrefix + breaks->Field() + fields.FieldSuffix;
    auto classClause = [&](int i) -> std::u16string {
      const std::u16string upper = clauseNumber(breaks->Break(i));
      if (i == 0) return u"( " + field + u" <= " + upper + u" )";
      return u"( " + field + u" > " + clauseNumber(breaks->Break(i - 1)) + u" AND " + field + u" <= " + upper + u" )";
    };
    makeClassLabels(fields, source, breaks->BreakCount(), classClause, [&](int i, const std::u16string& content) {
      if (equalsNoCase(content, u"VALUE")) return platform::format::numberText(breaks->Break(i));
      return breaks->Label(i);
    });
    return true;
  } catch (...) {
    return makerFailed(fields, u"MakeClassBreaksRendererLabels");
  }
}

}  // namespace engine
