#include "apps/carrowind-map/render/map_contents.h"

#include <ogr_spatialref.h>

#include <memory>

#include "apps/carrowind-map/render/map_layers.h"
#include "platform/text/utf.h"

namespace carrowind::render {
namespace {

bool sameCrs(const OGRSpatialReference* a, const OGRSpatialReference* b) {
  if (!a || !b) return true;  // data without a system is taken to be in the map's
  return a->IsSame(b) != 0;
}

std::string layerProblem(host::ILayer* layer, const std::string& what) {
  return "layer \"" + text::toUtf8(layer->Name()) + "\": " + what;
}

}  // namespace

MapContents readMapContents(mapdoc::MapDocument& document) {
  MapContents out;
  const auto layers = visibleMapLayers(document);
  const OGRSpatialReference* mapCrs = nullptr;
  for (auto it = layers.rbegin(); it != layers.rend() && !mapCrs; ++it) mapCrs = it->crs.get();

  MapExtent all;
  for (const auto& l : layers) {
    DrawnLayer drawn{l.layer, std::nullopt, std::nullopt};
    const bool same = sameCrs(l.crs.get(), mapCrs);
    try {
      if (l.raster) {
        if (!same) continue;
        drawn.raster = readRaster(l.openName);
        if (!drawn.raster) {
          out.problems.push_back(layerProblem(l.layer.get(), "the raster cannot be drawn"));
          continue;
        }
      } else {
        drawn.features = readFeatureShapes(l.layer.get());
        if (!same) {
          std::unique_ptr<OGRCoordinateTransformation> toMap(OGRCreateCoordinateTransformation(l.crs.get(), mapCrs));
          if (!toMap) {
            out.problems.push_back(layerProblem(l.layer.get(), "cannot be shown in the map's coordinate system"));
            continue;
          }
          drawn.features->transform(*toMap);
        }
      }
    } catch (const std::exception& e) {
      out.problems.push_back(layerProblem(l.layer.get(), e.what()));
      continue;
    }
    const MapExtent e = drawn.raster ? drawn.raster->extent : drawn.features->extent();
    all.add(e);
    if (same) out.extent.add(e);
    out.layers.push_back(std::move(drawn));
  }
  if (out.extent.empty) out.extent = all;
  return out;
}

void drawMapContents(QPainter& painter, const QTransform& mapToPage, const MapContents& contents) {
  for (const auto& l : contents.layers) {
    if (l.raster) drawRaster(painter, mapToPage, *l.raster);
    if (l.features) drawFeatureShapes(painter, mapToPage, *l.features);
  }
}

}  // namespace carrowind::render
