#pragma once
// A QGIS symbol (<symbol> of a renderer) as a symbol of our documents: the
// colours and widths of its first symbol layer, so that the map shows a
// QGIS project in roughly its own colours.
#include <pugixml.hpp>

#include "mapdoc/json/json.h"

namespace mapdoc::qgis {

// {"fill", "outline", "outline_width", ...} for the symbol named name
// within symbols (a <symbols> element); a discarded value (no symbol, the
// default is drawn) when there is none.
Json symbolJson(const pugi::xml_node& symbols, const char* name);

}  // namespace mapdoc::qgis
