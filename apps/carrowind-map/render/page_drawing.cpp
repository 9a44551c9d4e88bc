#include "apps/carrowind-map/render/page_drawing.h"

#include "apps/carrowind-map/render/legend_drawing.h"
#include "apps/carrowind-map/render/map_contents.h"

namespace carrowind::render {
namespace {

constexpr double kPoints = 72.0;  // points per inch
constexpr double kMapMargin = 0.5;  // inches around the map frame

void drawMapFrame(QPainter& painter, mapdoc::MapDocument& document, std::vector<std::string>& problems) {
  const QRectF frame = mapFrameRect(document);
  MapContents contents = readMapContents(document);
  problems.insert(problems.end(), contents.problems.begin(), contents.problems.end());
  // A little room so outlines at the edge of the data are not cut.
  const QTransform toPage = mapToFrame(contents.extent, frame.adjusted(4, 4, -4, -4));
  painter.save();
  painter.setClipRect(frame);
  drawMapContents(painter, toPage, contents);
  painter.restore();
  painter.save();
  painter.setPen(QPen(Qt::black, 0.75));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(frame);
  painter.restore();
}

void drawLegendFrames(QPainter& painter, mapdoc::MapDocument& document) {
  const double pageHeight = pageSizeInches(document).height();
  for (const auto& frame : document.pageLayout()->frames()) {
    auto legend = com::query<host::ILegend>(frame->MapSurround().get());
    if (!legend) continue;
    auto g = frame->Geometry();
    const QRectF box = pageRectOf(pageHeight, g->XMin(), g->YMin(), g->Width(), g->Height());
    painter.save();
    painter.setPen(QPen(QColor(80, 80, 80), 0.5));
    painter.setBrush(Qt::white);
    painter.drawRect(box);
    painter.setClipRect(box);
    // A legend larger than its frame (labels grew, nobody re-fitted it) is
    // shrunk into it rather than spilling over the map.
    const QSizeF need = measureLegend(legend.get(), *painter.device());
    double scale = 1;
    if (need.width() > box.width() || need.height() > box.height())
      scale = std::min(box.width() / std::max(need.width(), 1e-9), box.height() / std::max(need.height(), 1e-9));
    painter.translate(box.topLeft());
    painter.scale(scale, scale);
    drawLegend(painter, QPointF(0, 0), legend.get());
    painter.restore();
  }
}

}  // namespace

QSizeF pageSizeInches(mapdoc::MapDocument& document) {
  auto page = document.PageLayout();
  return QSizeF(page->PageWidth(), page->PageHeight());
}

QRectF mapFrameRect(mapdoc::MapDocument& document) {
  const QSizeF page = pageSizeInches(document);
  return QRectF(kMapMargin * kPoints, kMapMargin * kPoints, (page.width() - 2 * kMapMargin) * kPoints,
                (page.height() - 2 * kMapMargin) * kPoints);
}

QRectF pageRectOf(double pageHeightInches, double x, double y, double width, double height) {
  return QRectF(x * kPoints, (pageHeightInches - y - height) * kPoints, width * kPoints, height * kPoints);
}

std::vector<std::string> drawPage(QPainter& painter, mapdoc::MapDocument& document, double dpi) {
  std::vector<std::string> problems;
  const QSizeF page = pageSizeInches(document);
  painter.save();
  painter.scale(dpi / kPoints, dpi / kPoints);
  painter.fillRect(QRectF(0, 0, page.width() * kPoints, page.height() * kPoints), Qt::white);
  drawMapFrame(painter, document, problems);
  drawLegendFrames(painter, document);
  painter.restore();
  return problems;
}

}  // namespace carrowind::render
