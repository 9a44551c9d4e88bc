#include "apps/carrowind-map/render/map_extent.h"

namespace carrowind::render {

QTransform mapToFrame(const MapExtent& extent, const QRectF& frame) {
  if (extent.empty || frame.isEmpty()) return QTransform();
  double w = extent.width(), h = extent.height();
  double cx = (extent.xmin + extent.xmax) / 2, cy = (extent.ymin + extent.ymax) / 2;
  const double side = std::max({w, h, 1e-9});
  if (w <= side * 1e-6) w = side;
  if (h <= side * 1e-6) h = side;
  const double scale = std::min(frame.width() / w, frame.height() / h);
  QTransform t;
  t.translate(frame.center().x(), frame.center().y());
  t.scale(scale, -scale);
  t.translate(-cx, -cy);
  return t;
}

}  // namespace carrowind::render
