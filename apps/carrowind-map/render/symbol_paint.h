#pragma once
// A class symbol as Qt draws it, and the swatch a legend shows for it.
// Widths are in points; the painter's units are points too.
#include <QBrush>
#include <QPainter>
#include <QPen>
#include <QRectF>

#include "host/renderer.h"

namespace carrowind::render {

// What kind of shapes a layer holds, for its swatches.
enum class ShapeKind { Polygon, Line, Point };
ShapeKind shapeKind(int ogrGeometryType);

QColor toQColor(const host::Color& color);
QPen outlinePen(const host::Symbol& symbol);
QPen linePen(const host::Symbol& symbol);  // a line layer's stroke, in the fill colour
QBrush fillBrush(const host::Symbol& symbol);

// The swatch of one legend class within box: a patch for polygons, a
// stroke for lines, a marker for points.
void drawSwatch(QPainter& painter, const QRectF& box, const host::Symbol& symbol, ShapeKind kind);

}  // namespace carrowind::render
