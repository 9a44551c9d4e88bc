#include "apps/carrowind-map/render/measuring_display.h"

#include <QGuiApplication>
#include <QImage>
#include <cmath>

#include "apps/carrowind-map/render/legend_drawing.h"

namespace carrowind::render {

bool MeasuringDisplay::MeasureLegend(host::ILegend* legend, double& width, double& height) {
  if (!legend || !QGuiApplication::instance()) return false;
  QImage probe(1, 1, QImage::Format_RGB32);
  const int dotsPerMeter = static_cast<int>(std::lround(dpi_ / 0.0254));
  probe.setDotsPerMeterX(dotsPerMeter);
  probe.setDotsPerMeterY(dotsPerMeter);
  const QSizeF points = measureLegend(legend, probe);
  width = points.width() / 72.0;
  height = points.height() / 72.0;
  return true;
}

}  // namespace carrowind::render
