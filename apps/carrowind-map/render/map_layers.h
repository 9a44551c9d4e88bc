#pragma once
// The layers the map shows, in drawing order (bottom of the table of
// contents first), each with where its data lives and its coordinate system.
#include <ogr_spatialref.h>

#include <memory>
#include <string>
#include <vector>

#include "host/host.h"
#include "mapdoc/document.h"

namespace carrowind::render {

struct MapLayer {
  host::Ref<host::ILayer> layer;
  bool raster = false;
  std::string openName;   // a file path or a connection string
  std::string layerName;  // the vector layer within it; "" for the one at layerIndex
  int layerIndex = -1;    // -1: the first
  std::vector<std::string> openOptions;  // the driver's, KEY=VALUE
  std::shared_ptr<OGRSpatialReference> crs;  // null when the data has none or cannot be opened
};

// Visible layers only; a hidden group hides its members.
std::vector<MapLayer> visibleMapLayers(mapdoc::MapDocument& document);

}  // namespace carrowind::render
