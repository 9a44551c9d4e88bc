#pragma once
// A feature's shape, kept as well-known binary.
#include <ogr_geometry.h>

#include "host/host.h"
#include "platform/com/object.h"

namespace mapdoc::data {

class Geometry : public com::Object<host::IGeometry> {
 public:
  explicit Geometry(const OGRGeometry& geometry);
  std::vector<std::uint8_t> Wkb() override { return wkb_; }
  bool IsEmpty() override { return empty_; }
  void QueryExtent(double& xmin, double& ymin, double& xmax, double& ymax) override;

 private:
  std::vector<std::uint8_t> wkb_;
  OGREnvelope extent_;
  bool empty_;
};

}  // namespace mapdoc::data
