#pragma once
// Our UTF-16 text in Qt's widgets, and the class tokens a field list shows.
#include <QString>

#include <string>
#include <string_view>

#include "platform/locale/user_locale.h"

namespace dialogs {

inline QString q(std::u16string_view s) { return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size())); }

// "$$VALUE" and "$$LABEL" in any case: a class's own value and label, not a field.
inline bool isClassToken(const QString& entry) {
  const std::u16string upper = platform::locale::toUpper(entry.toStdU16String());
  return upper == u"$$LABEL" || upper == u"$$VALUE";
}

}  // namespace dialogs
