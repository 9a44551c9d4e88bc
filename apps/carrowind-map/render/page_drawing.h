#pragma once
// The page layout as printed: a white page of the layout's size, the map
// frame with the visible layers, and the legend frames at their bounds.
#include <QPainter>
#include <QRectF>
#include <QSizeF>
#include <string>
#include <vector>

#include "mapdoc/document.h"

namespace carrowind::render {

// The page in inches.
QSizeF pageSizeInches(mapdoc::MapDocument& document);

// The map frame on the page, in points from the top-left corner: the page
// within half-inch margins.
QRectF mapFrameRect(mapdoc::MapDocument& document);

// A legend frame's bounds (inches from the page's lower left) in points
// from the page's top-left corner.
QRectF pageRectOf(double pageHeightInches, double x, double y, double width, double height);

// Draws onto a painter whose device units are pixels at dpi, the page's
// top-left corner at the device's origin. Layers whose data cannot be
// read are left out; what went wrong is returned, one line each.
std::vector<std::string> drawPage(QPainter& painter, mapdoc::MapDocument& document, double dpi);

}  // namespace carrowind::render
