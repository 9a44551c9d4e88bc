#include "apps/carrowind-map/render/page_drawing.h"

#include <ogr_spatialref.h>

#include <memory>
#include <optional>

#include "apps/carrowind-map/render/feature_drawing.h"
#include "apps/carrowind-map/render/legend_drawing.h"
#include "apps/carrowind-map/render/map_layers.h"
#include "apps/carrowind-map/render/raster_drawing.h"
#include "platform/text/utf.h"

namespace carrowind::render {
namespace {

constexpr double kPoints = 72.0;  // points per inch
constexpr double kMapMargin = 0.5;  // inches around the map frame

struct DrawnLayer {
  std::optional<FeatureShapes> features;
  std::optional<RasterImage> raster;
  bool countsForExtent = true;
};

bool sameCrs(const OGRSpatialReference* a, const OGRSpatialReference* b) {
  if (!a || !b) return true;  // data without a system is taken to be in the map's
  return a->IsSame(b) != 0;
}

// The map shows its layers in the system of the topmost layer that has one;
// other layers are brought there. The extent is that of the layers already
// in that system, so a world layer under a town plan does not shrink it to
// a dot.
std::vector<DrawnLayer> readLayers(mapdoc::MapDocument& document, MapExtent& extent, std::vector<std::string>& problems) {
  const auto layers = visibleMapLayers(document);
  const OGRSpatialReference* mapCrs = nullptr;
  for (auto it = layers.rbegin(); it != layers.rend() && !mapCrs; ++it) mapCrs = it->crs.get();

  std::vector<DrawnLayer> out;
  MapExtent all;
  for (const auto& l : layers) {
    DrawnLayer drawn;
    const bool same = sameCrs(l.crs.get(), mapCrs);
    drawn.countsForExtent = same;
    try {
      if (l.raster) {
        // Rasters are not reprojected.
        if (!same) continue;
        drawn.raster = readRaster(l.openName);
        if (!drawn.raster) {
          problems.push_back("layer \"" + text::toUtf8(l.layer->Name()) + "\": the raster cannot be drawn");
          continue;
        }
      } else {
        drawn.features = readFeatureShapes(l.layer.get());
        if (!same) {
          std::unique_ptr<OGRCoordinateTransformation> toMap(OGRCreateCoordinateTransformation(l.crs.get(), mapCrs));
          if (!toMap) {
            problems.push_back("layer \"" + text::toUtf8(l.layer->Name()) + "\": cannot be shown in the map's coordinate system");
            continue;
          }
          drawn.features->transform(*toMap);
        }
      }
    } catch (const std::exception& e) {
      problems.push_back("layer \"" + text::toUtf8(l.layer->Name()) + "\": " + e.what());
      continue;
    }
    const MapExtent e = drawn.raster ? drawn.raster->extent : drawn.features->extent();
    all.add(e);
    if (drawn.countsForExtent) extent.add(e);
    out.push_back(std::move(drawn));
  }
  if (extent.empty) extent = all;
  return out;
}

void drawMapFrame(QPainter& painter, mapdoc::MapDocument& document, std::vector<std::string>& problems) {
  const QRectF frame = mapFrameRect(document);
  MapExtent extent;
  const auto layers = readLayers(document, extent, problems);
  // A little room so outlines at the edge of the data are not cut.
  const QTransform toPage = mapToFrame(extent, frame.adjusted(4, 4, -4, -4));
  painter.save();
  painter.setClipRect(frame);
  for (const auto& l : layers) {
    if (l.raster) drawRaster(painter, toPage, *l.raster);
    if (l.features) drawFeatureShapes(painter, toPage, *l.features);
  }
  painter.restore();
  painter.save();
  painter.setPen(QPen(Qt::black, 0.75));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(frame);
  painter.restore();
}

void drawLegendFrames(QPainter& painter, mapdoc::MapDocument& document) {
  const double pageHeight = pageSizeInches(document).height();
  for (const auto& frame : document.pageLayout()->frames()) {
    auto legend = com::query<host::ILegend>(frame->MapSurround().get());
    if (!legend) continue;
    auto g = frame->Geometry();
    const QRectF box = pageRectOf(pageHeight, g->XMin(), g->YMin(), g->Width(), g->Height());
    painter.save();
    painter.setPen(QPen(QColor(80, 80, 80), 0.5));
    painter.setBrush(Qt::white);
    painter.drawRect(box);
    painter.setClipRect(box);
    // A legend larger than its frame (labels grew, nobody re-fitted it) is
    // shrunk into it rather than spilling over the map.
    const QSizeF need = measureLegend(legend.get(), *painter.device());
    double scale = 1;
    if (need.width() > box.width() || need.height() > box.height())
      scale = std::min(box.width() / std::max(need.width(), 1e-9), box.height() / std::max(need.height(), 1e-9));
    painter.translate(box.topLeft());
    painter.scale(scale, scale);
    drawLegend(painter, QPointF(0, 0), legend.get());
    painter.restore();
  }
}

}  // namespace

QSizeF pageSizeInches(mapdoc::MapDocument& document) {
  auto page = document.PageLayout();
  return QSizeF(page->PageWidth(), page->PageHeight());
}

QRectF mapFrameRect(mapdoc::MapDocument& document) {
  const QSizeF page = pageSizeInches(document);
  return QRectF(kMapMargin * kPoints, kMapMargin * kPoints, (page.width() - 2 * kMapMargin) * kPoints,
                (page.height() - 2 * kMapMargin) * kPoints);
}

QRectF pageRectOf(double pageHeightInches, double x, double y, double width, double height) {
  return QRectF(x * kPoints, (pageHeightInches - y - height) * kPoints, width * kPoints, height * kPoints);
}

std::vector<std::string> drawPage(QPainter& painter, mapdoc::MapDocument& document, double dpi) {
  std::vector<std::string> problems;
  const QSizeF page = pageSizeInches(document);
  painter.save();
  painter.scale(dpi / kPoints, dpi / kPoints);
  painter.fillRect(QRectF(0, 0, page.width() * kPoints, page.height() * kPoints), Qt::white);
  drawMapFrame(painter, document, problems);
  drawLegendFrames(painter, document);
  painter.restore();
  return problems;
}

}  // namespace carrowind::render
