#pragma once
// A rectangle in page units (CLSID_Envelope).
#include "host/host.h"
#include "platform/com/object.h"

namespace mapdoc {

class Envelope : public com::Object<host::IEnvelope> {
 public:
  Envelope() = default;
  Envelope(double xmin, double ymin, double xmax, double ymax) { PutCoords(xmin, ymin, xmax, ymax); }
  double XMin() override { return xmin_; }
  double YMin() override { return ymin_; }
  double XMax() override { return xmax_; }
  double YMax() override { return ymax_; }
  double Width() override { return empty_ ? 0 : xmax_ - xmin_; }
  double Height() override { return empty_ ? 0 : ymax_ - ymin_; }
  bool IsEmpty() override { return empty_; }
  void PutCoords(double xmin, double ymin, double xmax, double ymax) override {
    xmin_ = std::min(xmin, xmax), xmax_ = std::max(xmin, xmax);
    ymin_ = std::min(ymin, ymax), ymax_ = std::max(ymin, ymax);
    empty_ = false;
  }

 private:
  double xmin_ = 0, ymin_ = 0, xmax_ = 0, ymax_ = 0;
  bool empty_ = true;
};

}  // namespace mapdoc
