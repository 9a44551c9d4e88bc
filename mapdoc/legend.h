#pragma once
// A legend on the page: the layers it lists, and the size it needs for
// their current labels.
#include <vector>

#include "host/host.h"
#include "platform/com/object.h"

namespace mapdoc {

// A screen display that can measure a legend as it draws it (the map
// application's) answers for this too; without one, legends estimate.
struct ILegendMeasure : host::IUnknown {
  COM_INTERFACE("3F0C5A2E-8B71-4D6A-9E24-6C1D7B5A90E3")
  // The legend's width and height in inches; false when it cannot tell.
  virtual bool MeasureLegend(host::ILegend* legend, double& width, double& height) = 0;
};

// Frames on the page are placed to a thousandth of an inch (see
// MapSurroundFrame); a legend asks for its size rounded up to that.
inline constexpr double kFrameUnitsPerInch = 1000;

class Legend : public com::Object<host::ILegend> {
 public:
  explicit Legend(std::vector<host::Ref<host::ILayer>> layers) : layers_(std::move(layers)) {}
  host::Text Name() override { return u"Legend"; }
  void Refresh() override { ++refreshes_; }
  // Keeps the top-left corner of oldBounds. The size is the display's
  // measure when it answers ILegendMeasure; otherwise width and height
  // follow the longest label and the number of lines (a line break starts
  // a line). Either is rounded up to a thousandth of an inch.
  void QueryBounds(host::IScreenDisplay* display, host::IEnvelope* oldBounds, host::IEnvelope* newBounds) override;
  int ItemCount() override { return static_cast<int>(layers_.size()); }
  host::Ref<host::ILayer> ItemLayer(int index) override { return layers_.at(static_cast<std::size_t>(index)); }
  host::Text Title() override { return u"Legend"; }

  // Every line the legend shows: layer names, then each class's label.
  std::vector<host::Text> lines();
  int refreshes() const { return refreshes_; }
  const std::vector<host::Ref<host::ILayer>>& layers() const { return layers_; }

 private:
  std::vector<host::Ref<host::ILayer>> layers_;
  int refreshes_ = 0;
};

}  // namespace mapdoc
