#pragma once
// What the map shows, read once and drawn at any scale: the visible layers
// from the bottom of the table of contents up, each with its shapes (or its
// raster image) in the map's coordinate system, and the map's extent. The
// page's map frame and the map application's map view both draw it.
#include <QPainter>
#include <QTransform>
#include <optional>
#include <string>
#include <vector>

#include "apps/carrowind-map/render/feature_drawing.h"
#include "apps/carrowind-map/render/map_extent.h"
#include "apps/carrowind-map/render/raster_drawing.h"
#include "mapdoc/document.h"

namespace carrowind::render {

struct DrawnLayer {
  host::Ref<host::ILayer> layer;
  std::optional<FeatureShapes> features;
  std::optional<RasterImage> raster;
};

struct MapContents {
  std::vector<DrawnLayer> layers;  // drawing order: the bottom layer first
  MapExtent extent;
  std::vector<std::string> problems;  // layers left out, one line each
};

// The map is in the coordinate system of the topmost layer that has one;
// layers in another are reprojected (rasters are not: one in another system
// is left out). The extent is that of the layers already in the map's
// system, so a world layer under a town plan does not shrink the plan to a
// dot; when there are none, that of all. Layers whose data cannot be read
// are left out and named in problems.
MapContents readMapContents(mapdoc::MapDocument& document);

// mapToPage takes map units to the painter's units (points).
void drawMapContents(QPainter& painter, const QTransform& mapToPage, const MapContents& contents);

}  // namespace carrowind::render
