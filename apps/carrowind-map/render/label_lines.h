#pragma once
// Labels may hold line breaks (CR LF, LF or a lone CR): legends show them
// on several lines, the table of contents on one.
#include <QString>
#include <QStringList>

#include "host/types.h"

namespace carrowind::render {

QStringList labelLines(const host::Text& label);
// The lines joined by one blank each.
QString oneLineLabel(const host::Text& label);

}  // namespace carrowind::render
