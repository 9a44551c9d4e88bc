#include "apps/carrowind-map/render/feature_picking.h"

#include <unordered_set>

namespace carrowind::render {

std::vector<std::int32_t> shapesTouching(const FeatureShapes& shapes, const MapExtent& rectangle) {
  std::vector<std::int32_t> out;
  if (rectangle.empty) return out;
  OGRPolygon box;
  {
    OGRLinearRing ring;
    ring.addPoint(rectangle.xmin, rectangle.ymin);
    ring.addPoint(rectangle.xmax, rectangle.ymin);
    ring.addPoint(rectangle.xmax, rectangle.ymax);
    ring.addPoint(rectangle.xmin, rectangle.ymax);
    ring.closeRings();
    box.addRing(&ring);
  }
  std::unordered_set<std::int32_t> seen;
  for (const auto& s : shapes.shapes) {
    if (s.oid < 0 || seen.count(s.oid) || s.geometry->IsEmpty()) continue;
    OGREnvelope env;
    s.geometry->getEnvelope(&env);
    // The envelope test is cheap and rules out most shapes.
    if (env.MaxX < rectangle.xmin || env.MinX > rectangle.xmax || env.MaxY < rectangle.ymin ||
        env.MinY > rectangle.ymax)
      continue;
    if (!s.geometry->Intersects(&box)) continue;
    seen.insert(s.oid);
    out.push_back(s.oid);
  }
  return out;
}

}  // namespace carrowind::render
