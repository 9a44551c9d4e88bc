#include "apps/carrowind-map/ui/layout_view.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "apps/carrowind-map/render/page_drawing.h"

namespace carrowind::map {
namespace {

constexpr double kDeskMargin = 16;  // pixels of desk around the page
const QColor kDesk(0xB8, 0xBC, 0xC2);

}  // namespace

LayoutView::LayoutView(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("LayoutView"));
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(200, 200);
}

void LayoutView::setDocument(host::Ref<mapdoc::MapDocument> document) {
  document_ = std::move(document);
  invalidate();
}

void LayoutView::invalidate() {
  valid_ = false;
  update();
}

QRectF LayoutView::pageRect() const {
  if (!document_) return {};
  const QSizeF inches = render::pageSizeInches(*document_);
  const double scale = std::max(0.0, std::min((width() - 2 * kDeskMargin) / inches.width(),
                                              (height() - 2 * kDeskMargin) / inches.height()));
  const QSizeF size = inches * scale;
  return QRectF(QPointF((width() - size.width()) / 2, (height() - size.height()) / 2), size);
}

QImage LayoutView::page() {
  const QRectF where = pageRect();
  if (valid_ || !document_ || where.width() < 1 || where.height() < 1) return page_;
  const qreal ratio = devicePixelRatioF();
  const QSize pixels = (where.size() * ratio).toSize();
  QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const double dpi = pixels.width() / render::pageSizeInches(*document_).width();
    render::drawPage(painter, *document_, dpi);
  }
  image.setDevicePixelRatio(ratio);
  page_ = image;
  valid_ = true;
  return page_;
}

void LayoutView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), kDesk);
  if (!document_) return;
  const QRectF where = pageRect();
  const QImage image = page();
  painter.fillRect(where.translated(4, 4), QColor(0, 0, 0, 60));  // the page's shadow
  painter.drawImage(where.topLeft(), image);
  painter.setPen(QColor(0x60, 0x60, 0x60));
  painter.drawRect(where.adjusted(-0.5, -0.5, 0.5, 0.5));
}

void LayoutView::resizeEvent(QResizeEvent*) { invalidate(); }

}  // namespace carrowind::map
