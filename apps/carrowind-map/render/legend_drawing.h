#pragma once
// A legend as the page shows it: its title, then for every layer its name
// and one row per class (swatch, then the label, a line break in a label
// starting a new line). Units are points; the fonts are scaled for the
// device so that text measures the same on screen, paper and image.
#include <QPaintDevice>
#include <QPainter>
#include <QSizeF>

#include "host/host.h"

namespace carrowind::render {

struct LegendStyle {
  double padding = 6;
  double titleSize = 11;  // point sizes of the fonts
  double layerSize = 9;
  double labelSize = 8;
  double swatchWidth = 20;
  double swatchHeight = 12;
  double swatchGap = 6;   // between swatch and label
  double rowGap = 3;      // between classes
  double layerGap = 6;    // before each layer
};

// What the legend needs, measured for device (whose resolution sets the
// fonts' sizes).
QSizeF measureLegend(host::ILegend* legend, const QPaintDevice& device, const LegendStyle& style = {});

// Draws with its top-left corner at topLeft.
void drawLegend(QPainter& painter, const QPointF& topLeft, host::ILegend* legend, const LegendStyle& style = {});

}  // namespace carrowind::render
