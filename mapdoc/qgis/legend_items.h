#pragma once
// The legends of a QGIS project's print layouts as the page layout's legend
// frames, and the labels legend items give a layer's classes of their own
// ("legend/label-N" custom properties of a legend's layer nodes, in a
// layout or in the layers panel).
#include <functional>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "mapdoc/page_layout.h"
#include "mapdoc/qgis/qgis_store.h"

namespace mapdoc::qgis {

// layerOf: the document's layer for a QGIS layer id (null when it has
// none); shown: the layers a legend that follows the layers panel lists.
std::vector<host::Ref<MapSurroundFrame>> layoutLegends(
    const pugi::xml_node& project, const std::function<host::Ref<host::ILayer>(const std::string&)>& layerOf,
    const std::vector<host::Ref<host::ILayer>>& shown);

// text: what project was parsed from. They are the user's; they are read
// so that a reset gives back those an earlier version replaced.
std::vector<LegendOverride> legendOverrides(const pugi::xml_node& project, const std::string& text);

}  // namespace mapdoc::qgis
