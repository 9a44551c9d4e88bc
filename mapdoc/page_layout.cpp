#include "mapdoc/page_layout.h"

#include <algorithm>
#include <cmath>

namespace mapdoc {

namespace {

// A rectangle given by corner and size, answering both as given.
class FrameEnvelope : public com::Object<host::IEnvelope> {
 public:
  FrameEnvelope(double x, double y, double w, double h) : x_(x), y_(y), width_(w), height_(h) {}
  double XMin() override { return x_; }
  double YMin() override { return y_; }
  double XMax() override { return x_ + width_; }
  double YMax() override { return y_ + height_; }
  double Width() override { return width_; }
  double Height() override { return height_; }
  bool IsEmpty() override { return false; }
  void PutCoords(double xmin, double ymin, double xmax, double ymax) override {
    x_ = std::min(xmin, xmax), width_ = std::fabs(xmax - xmin);
    y_ = std::min(ymin, ymax), height_ = std::fabs(ymax - ymin);
  }

 private:
  double x_, y_, width_, height_;
};

// Far below a thousandth of an inch, far above the noise of arithmetic on
// numbers of a page's size.
constexpr double kUnmoved = 1e-9;

double placed(double computed, double current) {
  if (std::fabs(computed - current) <= kUnmoved) return current;
  return std::round(computed * kFrameUnitsPerInch) / kFrameUnitsPerInch;
}

}  // namespace

host::Ref<host::IEnvelope> MapSurroundFrame::Geometry() { return com::make<FrameEnvelope>(x_, y_, width_, height_); }

void MapSurroundFrame::Geometry(host::IEnvelope* envelope) {
  if (!envelope || envelope->IsEmpty()) return;
  x_ = placed(envelope->XMin(), x_);
  y_ = placed(envelope->YMin(), y_);
  width_ = placed(envelope->Width(), width_);
  height_ = placed(envelope->Height(), height_);
}

host::Ref<host::IElement> PageLayout::Next() {
  if (next_ >= frames_.size()) return nullptr;
  return frames_[next_++];
}

}  // namespace mapdoc
