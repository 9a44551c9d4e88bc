#include "apps/carrowind-map/render/label_lines.h"

namespace carrowind::render {

QStringList labelLines(const host::Text& label) {
  QString text = QString::fromStdU16String(label);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QChar(u'\r'), QChar(u'\n'));
  return text.split(QChar(u'\n'));
}

QString oneLineLabel(const host::Text& label) { return labelLines(label).join(QChar(u' ')); }

}  // namespace carrowind::render
