#pragma once
// A feature layer's shapes, each with the legend class that draws it, and
// their drawing onto the page.
#include <ogr_geometry.h>

#include <QPainter>
#include <QTransform>
#include <vector>

#include "apps/carrowind-map/render/class_symbols.h"
#include "apps/carrowind-map/render/map_extent.h"
#include "apps/carrowind-map/render/symbol_paint.h"
#include "host/host.h"

namespace carrowind::render {

struct ClassedShape {
  int classIndex;  // into FeatureShapes::classes
  OGRGeometryUniquePtr geometry;
};

struct FeatureShapes {
  std::vector<RenderClass> classes;  // at least one: unclassed kinds get the neutral symbol
  ShapeKind kind = ShapeKind::Polygon;
  std::vector<ClassedShape> shapes;  // in the table's order

  MapExtent extent() const;
  // Into another coordinate system; shapes that cannot be brought there are dropped.
  void transform(OGRCoordinateTransformation& toMap);
};

// The records the layer shows (definition query and definition selection
// applied), each in the first class whose where clause selects it; records
// of no class are not drawn, as the renderer would not draw them.
// Throws host::HostError when the data cannot be read.
FeatureShapes readFeatureShapes(host::ILayer* layer);

// mapToPage takes map units to the painter's units (points).
void drawFeatureShapes(QPainter& painter, const QTransform& mapToPage, const FeatureShapes& shapes);

}  // namespace carrowind::render
