#pragma once
// A feature layer's shapes, each with the legend class that draws it, and
// their drawing onto the page.
#include <ogr_geometry.h>

#include <QPainter>
#include <QTransform>
#include <cstdint>
#include <vector>

#include "apps/carrowind-map/render/class_symbols.h"
#include "apps/carrowind-map/render/map_extent.h"
#include "apps/carrowind-map/render/symbol_paint.h"
#include "host/host.h"

namespace carrowind::render {

struct ClassedShape {
  int classIndex;  // into FeatureShapes::classes
  OGRGeometryUniquePtr geometry;
  std::int32_t oid = -1;  // the record's object ID, for picking and selection
  // A multi-attribute renderer's variation: the variation class's place
  // from 0 (first) to 1 (last); -1 when there is none.
  double variation = -1;
};

// The class symbol varied for a place from 0 to 1 among the variation's
// classes: polygons darken (up to half again as dark), lines and point
// markers grow (up to twice their size). Unchanged at 0 or without one.
host::Symbol variedSymbol(const host::Symbol& symbol, double variation, ShapeKind kind);

struct FeatureShapes {
  std::vector<RenderClass> classes;  // at least one: unclassed kinds get the neutral symbol
  ShapeKind kind = ShapeKind::Polygon;
  std::vector<ClassedShape> shapes;  // in the table's order

  MapExtent extent() const;
  // Into another coordinate system; shapes that cannot be brought there are dropped.
  void transform(OGRCoordinateTransformation& toMap);
};

// The records the layer shows (definition query and definition selection
// applied), each in the class its renderer's classifier gives (the first
// class whose where clause selects it); records of no class are not drawn,
// as the renderer would not draw them.
// Throws host::HostError when the data cannot be read.
FeatureShapes readFeatureShapes(host::ILayer* layer);

// mapToPage takes map units to the painter's units (points).
void drawFeatureShapes(QPainter& painter, const QTransform& mapToPage, const FeatureShapes& shapes);

// The shapes whose object IDs are in selected (sorted), outlined in pen
// over what is drawn; points get a ring.
void drawSelectedShapes(QPainter& painter, const QTransform& mapToPage, const FeatureShapes& shapes,
                        const std::vector<std::int32_t>& selected, const QPen& pen);

}  // namespace carrowind::render
