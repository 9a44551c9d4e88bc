#include "mapdoc/data/geometry.h"

namespace mapdoc::data {

Geometry::Geometry(const OGRGeometry& geometry) : empty_(geometry.IsEmpty()) {
  wkb_.resize(geometry.WkbSize());
  geometry.exportToWkb(wkbNDR, wkb_.data(), wkbVariantIso);
  geometry.getEnvelope(&extent_);
}

void Geometry::QueryExtent(double& xmin, double& ymin, double& xmax, double& ymax) {
  xmin = extent_.MinX;
  ymin = extent_.MinY;
  xmax = extent_.MaxX;
  ymax = extent_.MaxY;
}

}  // namespace mapdoc::data
