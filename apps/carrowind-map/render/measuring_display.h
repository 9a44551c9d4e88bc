#pragma once
// The screen display of a page drawn by this code: legends re-fitted on
// the page (RefreshLayoutLegends asks QueryBounds) get the size they take
// when drawn, not an estimate. Install it with
// document.pageLayout()->setScreenDisplay(com::make<MeasuringDisplay>()).
// Needs a QGuiApplication for its fonts.
#include "mapdoc/legend.h"
#include "platform/com/object.h"

namespace carrowind::render {

class MeasuringDisplay : public com::Object<host::IScreenDisplay, mapdoc::ILegendMeasure> {
 public:
  explicit MeasuringDisplay(double dotsPerInch = 96) : dpi_(dotsPerInch) {}
  double DotsPerInch() override { return dpi_; }
  bool MeasureLegend(host::ILegend* legend, double& width, double& height) override;

 private:
  double dpi_;
};

}  // namespace carrowind::render
