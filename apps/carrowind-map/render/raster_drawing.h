#pragma once
// A raster layer as an image over its extent: three or more bands as red,
// green and blue, one band in grey stretched from its minimum to its
// maximum, no-data cells transparent. Rotated rasters are not drawn.
#include <QImage>
#include <QPainter>
#include <optional>
#include <string>

#include "apps/carrowind-map/render/map_extent.h"

namespace carrowind::render {

struct RasterImage {
  QImage image;
  MapExtent extent;
};

// Large rasters are read reduced to at most maxSide cells a side. Empty
// when the file cannot be read as a north-up raster.
std::optional<RasterImage> readRaster(const std::string& path, int maxSide = 2048);

void drawRaster(QPainter& painter, const QTransform& mapToPage, const RasterImage& raster);

}  // namespace carrowind::render
