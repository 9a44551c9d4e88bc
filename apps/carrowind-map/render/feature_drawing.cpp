#include "apps/carrowind-map/render/feature_drawing.h"

#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "mapdoc/data/query_filter.h"

namespace carrowind::render {
namespace {

// The records the layer shows (definition query, definition selection set),
// read once with just the fields the classifiers need.
template <class F>
void eachShownRow(host::ITable* table, host::ISelectionSet* definitionSet, const host::Text& query,
                  const host::Text& fields, F&& f) {
  auto filter = com::make<mapdoc::data::QueryFilter>();
  filter->WhereClause(query);
  filter->SubFields(fields);
  host::Ref<host::ICursor> cursor;
  if (definitionSet) definitionSet->Search(filter.get(), true, cursor);
  else cursor = table->Search(filter.get(), true);
  if (!cursor) return;
  for (auto row = cursor->NextRow(); row; row = cursor->NextRow())
    if (row->HasOID()) f(*row);
}

// The renderer's classifier for the table, and the fields it reads.
host::Ref<host::IRecordClassifier> classifierFor(host::IFeatureRenderer* renderer, host::ITable* table,
                                                 std::vector<host::Text>& fields) {
  auto classifying = com::query<host::IRendererClassifier>(renderer);
  if (!classifying) return nullptr;
  for (auto& f : classifying->ClassifierFields()) fields.push_back(f);
  return classifying->Classifier(table);
}

host::Text fieldList(const std::vector<host::Text>& fields) {
  host::Text out;
  for (const auto& f : fields) out += (out.empty() ? u"" : u",") + f;
  return out.empty() ? host::Text(u"*") : out;
}

void addRing(const OGRLineString& ring, QPainterPath& path, bool close) {
  const int n = ring.getNumPoints();
  if (n == 0) return;
  path.moveTo(ring.getX(0), ring.getY(0));
  for (int i = 1; i < n; ++i) path.lineTo(ring.getX(i), ring.getY(i));
  if (close) path.closeSubpath();
}

// Polygons and lines as one path in map units; points are listed apart.
void addGeometry(const OGRGeometry& g, QPainterPath& path, std::vector<QPointF>& points) {
  switch (wkbFlatten(g.getGeometryType())) {
    case wkbPoint: {
      const auto& p = *g.toPoint();
      if (!p.IsEmpty()) points.emplace_back(p.getX(), p.getY());
      break;
    }
    case wkbLineString:
      addRing(*g.toLineString(), path, false);
      break;
    case wkbPolygon:
      for (const auto* ring : *g.toPolygon()) addRing(*ring, path, true);
      break;
    case wkbMultiPoint:
    case wkbMultiLineString:
    case wkbMultiPolygon:
    case wkbGeometryCollection:
      for (const auto* part : *g.toGeometryCollection()) addGeometry(*part, path, points);
      break;
    default:
      if (g.hasCurveGeometry()) {
        OGRGeometryUniquePtr linear(g.getLinearGeometry());
        if (linear) addGeometry(*linear, path, points);
      }
      break;
  }
}

}  // namespace

host::Symbol variedSymbol(const host::Symbol& symbol, double variation, ShapeKind kind) {
  if (!(variation > 0)) return symbol;
  const double t = std::min(variation, 1.0);
  host::Symbol out = symbol;
  switch (kind) {
    case ShapeKind::Polygon: {
      const QColor darker = toQColor(symbol.fill).darker(100 + static_cast<int>(std::lround(50 * t)));
      out.fill = {static_cast<std::uint8_t>(darker.red()), static_cast<std::uint8_t>(darker.green()),
                  static_cast<std::uint8_t>(darker.blue()), symbol.fill.a};
      break;
    }
    case ShapeKind::Line:
      out.lineWidth = symbol.lineWidth * (1 + t);
      break;
    case ShapeKind::Point:
      out.markerSize = symbol.markerSize * (1 + t);
      break;
  }
  return out;
}

MapExtent FeatureShapes::extent() const {
  MapExtent e;
  for (const auto& s : shapes) {
    if (s.geometry->IsEmpty()) continue;
    OGREnvelope env;
    s.geometry->getEnvelope(&env);
    e.add(env.MinX, env.MinY, env.MaxX, env.MaxY);
  }
  return e;
}

void FeatureShapes::transform(OGRCoordinateTransformation& toMap) {
  std::erase_if(shapes, [&](ClassedShape& s) { return s.geometry->transform(&toMap) != OGRERR_NONE; });
}

FeatureShapes readFeatureShapes(host::ILayer* layer) {
  FeatureShapes out;
  auto featureLayer = com::query<host::IFeatureLayer>(layer);
  auto featureClass = featureLayer ? featureLayer->FeatureClass() : nullptr;
  if (!featureClass) return out;
  out.kind = shapeKind(featureClass->ShapeType());

  auto geo = com::query<host::IGeoFeatureLayer>(layer);
  auto renderer = geo ? geo->Renderer() : nullptr;
  out.classes = renderClasses(renderer.get());
  const bool byClause = classesByClause(renderer.get()) && !out.classes.empty();
  if (out.classes.empty()) out.classes.push_back({u"", neutralSymbol()});

  auto definition = com::query<host::IFeatureLayerDefinition>(layer);
  const host::Text query = definition ? definition->DefinitionExpression() : host::Text();
  auto definitionSet = definition ? definition->DefinitionSelectionSet() : nullptr;
  auto display = com::query<host::IDisplayTable>(layer);
  auto table = display ? display->DisplayTable() : com::query<host::ITable>(featureClass.get());
  if (!table) return out;

  // Every record in the class its renderer's classifier gives: the same
  // code the labeler summarises classes with.
  std::vector<host::Text> fields;
  host::Ref<host::IRecordClassifier> classifier = byClause ? classifierFor(renderer.get(), table.get(), fields) : nullptr;
  if (byClause && !classifier) return out;
  host::Ref<host::IRecordClassifier> variation;
  int variationCount = 0;
  if (auto bivariate = com::query<host::IBivariateRenderer>(renderer.get())) {
    auto second = bivariate->VariationRenderer();
    auto classes = com::query<host::IRendererClasses>(second.get());
    variationCount = classes ? classes->ClassCount() : 0;
    if (variationCount > 0) variation = classifierFor(second.get(), table.get(), fields);
  }
  std::unordered_map<std::int32_t, int> classOf;
  std::unordered_map<std::int32_t, double> variationOf;
  eachShownRow(table.get(), definitionSet.get(), query, fieldList(fields), [&](host::IRow& row) {
    const int c = classifier ? classifier->ClassOf(&row) : 0;
    if (c < 0) return;
    classOf.emplace(row.OID(), c);
    // The variation class's place among the variation's classes.
    const int v = variation ? variation->ClassOf(&row) : -1;
    if (v >= 0) variationOf.emplace(row.OID(), variationCount > 1 ? static_cast<double>(v) / (variationCount - 1) : 0);
  });
  if (classOf.empty()) return out;

  // Shapes come from the layer's own table: a joined table's rows have none.
  auto own = com::query<host::ITable>(featureClass.get());
  auto cursor = own->Search(nullptr, true);
  for (auto row = cursor->NextRow(); row; row = cursor->NextRow()) {
    auto found = classOf.find(row->OID());
    if (found == classOf.end()) continue;
    auto feature = com::query<host::IFeature>(row.get());
    auto shape = feature ? feature->Shape() : nullptr;
    if (!shape || shape->IsEmpty()) continue;
    const auto wkb = shape->Wkb();
    OGRGeometry* geometry = nullptr;
    if (OGRGeometryFactory::createFromWkb(wkb.data(), nullptr, &geometry, wkb.size()) != OGRERR_NONE || !geometry) continue;
    auto varied = variationOf.find(row->OID());
    out.shapes.push_back({found->second, OGRGeometryUniquePtr(geometry), row->OID(),
                          varied == variationOf.end() ? -1.0 : varied->second});
  }
  return out;
}

void drawFeatureShapes(QPainter& painter, const QTransform& mapToPage, const FeatureShapes& shapes) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  for (const auto& s : shapes.shapes) {
    const host::Symbol symbol =
        variedSymbol(shapes.classes.at(static_cast<std::size_t>(s.classIndex)).symbol, s.variation, shapes.kind);
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    std::vector<QPointF> points;
    addGeometry(*s.geometry, path, points);
    // Mapped before stroking, so outline widths stay in points at any scale.
    const QPainterPath onPage = mapToPage.map(path);
    if (!path.isEmpty()) {
      if (shapes.kind == ShapeKind::Line) {
        painter.setPen(linePen(symbol));
        painter.setBrush(Qt::NoBrush);
      } else {
        painter.setPen(outlinePen(symbol));
        painter.setBrush(fillBrush(symbol));
      }
      painter.drawPath(onPage);
    }
    if (!points.empty()) {
      painter.setPen(outlinePen(symbol));
      painter.setBrush(fillBrush(symbol));
      const double r = symbol.markerSize / 2;
      for (const auto& p : points) painter.drawEllipse(mapToPage.map(p), r, r);
    }
  }
  painter.restore();
}

void drawSelectedShapes(QPainter& painter, const QTransform& mapToPage, const FeatureShapes& shapes,
                        const std::vector<std::int32_t>& selected, const QPen& pen) {
  if (selected.empty()) return;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  for (const auto& s : shapes.shapes) {
    if (!std::binary_search(selected.begin(), selected.end(), s.oid)) continue;
    QPainterPath path;
    std::vector<QPointF> points;
    addGeometry(*s.geometry, path, points);
    if (!path.isEmpty()) painter.drawPath(mapToPage.map(path));
    const double r = shapes.classes.at(static_cast<std::size_t>(s.classIndex)).symbol.markerSize / 2 + 2;
    for (const auto& p : points) painter.drawEllipse(mapToPage.map(p), r, r);
  }
  painter.restore();
}

}  // namespace carrowind::render
