#pragma once
// A rectangle in map units, and the transform that shows it in a frame on
// the page (map y grows upwards, the page's downwards).
#include <QRectF>
#include <QTransform>
#include <algorithm>

namespace carrowind::render {

struct MapExtent {
  double xmin = 0, ymin = 0, xmax = 0, ymax = 0;
  bool empty = true;

  void add(double x0, double y0, double x1, double y1) {
    if (empty) {
      xmin = x0, ymin = y0, xmax = x1, ymax = y1, empty = false;
      return;
    }
    xmin = std::min(xmin, x0), ymin = std::min(ymin, y0);
    xmax = std::max(xmax, x1), ymax = std::max(ymax, y1);
  }
  void add(const MapExtent& other) {
    if (!other.empty) add(other.xmin, other.ymin, other.xmax, other.ymax);
  }
  double width() const { return xmax - xmin; }
  double height() const { return ymax - ymin; }
};

// Fits the extent into frame keeping its proportions, centred; a point or
// a line-thin extent gets a square around it.
QTransform mapToFrame(const MapExtent& extent, const QRectF& frame);

}  // namespace carrowind::render
