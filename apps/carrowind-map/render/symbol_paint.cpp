#include "apps/carrowind-map/render/symbol_paint.h"

#include <ogr_core.h>

#include <algorithm>

namespace carrowind::render {

ShapeKind shapeKind(int ogrGeometryType) {
  switch (wkbFlatten(static_cast<OGRwkbGeometryType>(ogrGeometryType))) {
    case wkbPoint:
    case wkbMultiPoint:
      return ShapeKind::Point;
    case wkbLineString:
    case wkbMultiLineString:
    case wkbCircularString:
    case wkbCompoundCurve:
    case wkbMultiCurve:
      return ShapeKind::Line;
    default:
      return ShapeKind::Polygon;
  }
}

QColor toQColor(const host::Color& color) { return QColor(color.r, color.g, color.b, color.a); }

QPen outlinePen(const host::Symbol& symbol) {
  if (symbol.outlineWidth <= 0 || symbol.outline.a == 0) return QPen(Qt::NoPen);
  QPen pen(toQColor(symbol.outline), symbol.outlineWidth);
  pen.setJoinStyle(Qt::RoundJoin);
  pen.setCosmetic(false);
  return pen;
}

QPen linePen(const host::Symbol& symbol) {
  QPen pen(toQColor(symbol.fill), std::max(symbol.lineWidth, 0.1));
  pen.setJoinStyle(Qt::RoundJoin);
  pen.setCapStyle(Qt::RoundCap);
  return pen;
}

QBrush fillBrush(const host::Symbol& symbol) {
  if (symbol.fill.a == 0) return QBrush(Qt::NoBrush);
  return QBrush(toQColor(symbol.fill));
}

void drawSwatch(QPainter& painter, const QRectF& box, const host::Symbol& symbol, ShapeKind kind) {
  painter.save();
  switch (kind) {
    case ShapeKind::Polygon:
      painter.setPen(outlinePen(symbol));
      painter.setBrush(fillBrush(symbol));
      painter.drawRect(box);
      break;
    case ShapeKind::Line:
      painter.setPen(linePen(symbol));
      painter.drawLine(QPointF(box.left(), box.center().y()), QPointF(box.right(), box.center().y()));
      break;
    case ShapeKind::Point: {
      const double size = std::min({symbol.markerSize, box.width(), box.height()});
      painter.setPen(outlinePen(symbol));
      painter.setBrush(fillBrush(symbol));
      painter.drawEllipse(box.center(), size / 2, size / 2);
      break;
    }
  }
  painter.restore();
}

}  // namespace carrowind::render
