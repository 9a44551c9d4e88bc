#include "apps/carrowind-map/ui/map_canvas.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "apps/carrowind-map/hosting/failure_report.h"
#include "apps/carrowind-map/render/feature_picking.h"
#include "mapdoc/data/open.h"

namespace carrowind::map {
namespace {

constexpr int kClickTolerance = 3;  // pixels around a click that it touches
constexpr int kDragThreshold = 4;   // pixels a press moves before it is a drag
constexpr std::size_t kMostIdentified = 50;
const QColor kSelectionColour(0, 255, 255);

bool sameLayer(host::ILayer* a, host::ILayer* b) { return com::identity(a) == com::identity(b); }

std::vector<std::int32_t> selectedIds(host::ILayer* layer) {
  auto selection = com::query<host::IFeatureSelection>(layer);
  if (!selection) return {};
  auto ids = selection->SelectionSet()->IDs();
  std::sort(ids.begin(), ids.end());
  return ids;
}

}  // namespace

MapCanvas::MapCanvas(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("MapView"));
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(200, 150);
  updateCursor();
}

void MapCanvas::setDocument(host::Ref<mapdoc::MapDocument> document) {
  document_ = std::move(document);
  contents_ = document_ ? render::readMapContents(*document_) : render::MapContents{};
  needsFit_ = true;
  zoomToFullExtent();
}

void MapCanvas::reload() {
  contents_ = document_ ? render::readMapContents(*document_) : render::MapContents{};
  redraw();
}

void MapCanvas::redraw() {
  cacheValid_ = false;
  update();
}

void MapCanvas::setTool(Tool tool) {
  tool_ = tool;
  updateCursor();
}

void MapCanvas::updateCursor() {
  switch (tool_) {
    case Tool::Pan:
      setCursor(Qt::OpenHandCursor);
      break;
    case Tool::Identify:
      setCursor(Qt::WhatsThisCursor);
      break;
    default:
      setCursor(Qt::CrossCursor);
      break;
  }
}

void MapCanvas::fit(const render::MapExtent& extent) {
  if (extent.empty) return;
  if (width() <= 1 || height() <= 1) {
    needsFit_ = true;  // done once the widget has a size
    return;
  }
  needsFit_ = false;
  center_ = QPointF((extent.xmin + extent.xmax) / 2, (extent.ymin + extent.ymax) / 2);
  // A little room around the data; a point or a line-thin extent gets a
  // square around it.
  double w = extent.width(), h = extent.height();
  if (w <= 0 && h <= 0) w = h = 1;
  unitsPerPixel_ = std::max(w / (width() * 0.94), h / (height() * 0.94));
  redraw();
}

void MapCanvas::zoomToFullExtent() { fit(contents_.extent); }

void MapCanvas::zoomToLayer(host::ILayer* layer) {
  // A group stands for its members.
  std::vector<host::Ref<host::ILayer>> members{host::Ref<host::ILayer>(layer)};
  for (std::size_t i = 0; i < members.size(); ++i)
    if (auto group = com::query<host::ICompositeLayer>(members[i].get()))
      for (int k = 0; k < group->Count(); ++k) members.push_back(group->Layer(k));
  render::MapExtent extent;
  for (const auto& l : contents_.layers)
    for (const auto& m : members)
      if (sameLayer(l.layer.get(), m.get())) extent.add(l.raster ? l.raster->extent : l.features->extent());
  fit(extent);
}

void MapCanvas::zoomAbout(const QPointF& widgetPoint, double factor) {
  if (!(factor > 0)) return;
  const QPointF anchor = toMap(widgetPoint);
  unitsPerPixel_ /= factor;
  center_ = QPointF(anchor.x() - (widgetPoint.x() - width() / 2.0) * unitsPerPixel_,
                    anchor.y() + (widgetPoint.y() - height() / 2.0) * unitsPerPixel_);
  redraw();
}

QPointF MapCanvas::toMap(const QPointF& p) const {
  return QPointF(center_.x() + (p.x() - width() / 2.0) * unitsPerPixel_,
                 center_.y() - (p.y() - height() / 2.0) * unitsPerPixel_);
}

QPointF MapCanvas::toWidget(const QPointF& m) const { return mapToWidget().map(m); }

QTransform MapCanvas::mapToWidget() const {
  QTransform t;
  t.translate(width() / 2.0, height() / 2.0);
  t.scale(1 / unitsPerPixel_, -1 / unitsPerPixel_);
  t.translate(-center_.x(), -center_.y());
  return t;
}

QImage MapCanvas::renderMap() const {
  const qreal ratio = devicePixelRatioF();
  QImage image((QSizeF(size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(ratio);
  image.fill(Qt::white);
  QPainter painter(&image);
  // The symbols' widths are in points, as on the page.
  const double pixelsPerPoint = logicalDpiX() / 72.0;
  painter.scale(pixelsPerPoint, pixelsPerPoint);
  const QTransform toPoints = mapToWidget() * QTransform::fromScale(1 / pixelsPerPoint, 1 / pixelsPerPoint);
  render::drawMapContents(painter, toPoints, contents_);
  const QPen highlight(kSelectionColour, 2.0);
  for (const auto& l : contents_.layers)
    if (l.features) render::drawSelectedShapes(painter, toPoints, *l.features, selectedIds(l.layer.get()), highlight);
  return image;
}

void MapCanvas::paintEvent(QPaintEvent*) {
  if (needsFit_) fit(contents_.extent);
  if (!cacheValid_ || cache_.size() != (QSizeF(size()) * devicePixelRatioF()).toSize()) {
    cache_ = renderMap();
    cacheValid_ = true;
  }
  QPainter painter(this);
  if (!panOffset_.isNull()) painter.fillRect(rect(), Qt::white);
  painter.drawImage(QPointF(panOffset_), cache_);
}

void MapCanvas::resizeEvent(QResizeEvent*) {
  if (needsFit_) fit(contents_.extent);
  redraw();
}

void MapCanvas::mousePressEvent(QMouseEvent* event) {
  pressButton_ = event->button();
  pressPosition_ = event->position().toPoint();
  panning_ = event->button() == Qt::MiddleButton || (event->button() == Qt::LeftButton && tool_ == Tool::Pan);
  if (panning_) {
    setCursor(Qt::ClosedHandCursor);
    return;
  }
  if (event->button() == Qt::LeftButton && (tool_ == Tool::Select || tool_ == Tool::ZoomIn)) {
    if (!band_) band_ = new QRubberBand(QRubberBand::Rectangle, this);
    band_->setGeometry(QRect(pressPosition_, QSize()));
    band_->show();
  }
}

void MapCanvas::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  emit mapPositionChanged(toMap(at));
  if (panning_) {
    panOffset_ = at - pressPosition_;
    update();
  } else if (band_ && band_->isVisible()) {
    band_->setGeometry(QRect(pressPosition_, at).normalized());
  }
}

void MapCanvas::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != pressButton_) return;
  pressButton_ = Qt::NoButton;
  const QPoint at = event->position().toPoint();
  if (panning_) {
    panning_ = false;
    updateCursor();
    const QPoint moved = at - pressPosition_;
    panOffset_ = QPoint();
    center_ -= QPointF(moved.x() * unitsPerPixel_, -moved.y() * unitsPerPixel_);
    redraw();
    return;
  }
  if (band_) band_->hide();
  if (event->button() != Qt::LeftButton) return;
  const QRect dragged = QRect(pressPosition_, at).normalized();
  const bool click = (at - pressPosition_).manhattanLength() < kDragThreshold;
  switch (tool_) {
    case Tool::Select: {
      const QRect area =
          click ? QRect(at - QPoint(kClickTolerance, kClickTolerance), QSize(2 * kClickTolerance + 1, 2 * kClickTolerance + 1))
                : dragged;
      guarded(u"Selecting features", [&] { selectInRectangle(area, event->modifiers() & Qt::ShiftModifier); });
      break;
    }
    case Tool::ZoomIn:
      if (click) {
        zoomAbout(at, 2);
      } else {
        render::MapExtent e = mapRectangle(dragged);
        fit(e);
      }
      break;
    case Tool::ZoomOut:
      zoomAbout(at, 0.5);
      break;
    case Tool::Identify: {
      std::vector<FeatureAttributes> found;
      if (guarded(u"Identifying features", [&] { found = identifyAt(at); })) emit featuresIdentified(found);
      break;
    }
    case Tool::Pan:
      break;
  }
}

void MapCanvas::wheelEvent(QWheelEvent* event) {
  const double steps = event->angleDelta().y() / 120.0;
  if (steps != 0) zoomAbout(event->position(), std::pow(1.25, steps));
  event->accept();
}

render::MapExtent MapCanvas::mapRectangle(const QRect& r) const {
  render::MapExtent e;
  const QPointF a = toMap(r.topLeft()), b = toMap(QPointF(r.right() + 1, r.bottom() + 1));
  e.add(std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::max(a.x(), b.x()), std::max(a.y(), b.y()));
  return e;
}

std::vector<const render::DrawnLayer*> MapCanvas::selectionTargets() const {
  std::vector<const render::DrawnLayer*> all, chosen;
  host::Ref<host::ILayer> selected;
  if (document_) {
    const host::Value item = document_->contentsView()->SelectedItem();
    if (item.isObject()) selected = item.object().as<host::ILayer>();
  }
  for (const auto& l : contents_.layers) {
    if (!l.features || !com::query<host::IFeatureSelection>(l.layer.get())) continue;
    all.push_back(&l);
    if (selected && sameLayer(l.layer.get(), selected.get())) chosen.push_back(&l);
  }
  return chosen.empty() ? all : chosen;
}

int MapCanvas::selectInRectangle(const QRect& widgetRect, bool add) {
  const render::MapExtent area = mapRectangle(widgetRect);
  int count = 0;
  QStringList names;
  for (const auto* l : selectionTargets()) {
    auto ids = render::shapesTouching(*l->features, area);
    if (add) {
      const auto before = selectedIds(l->layer.get());
      ids.insert(ids.end(), before.begin(), before.end());
      std::sort(ids.begin(), ids.end());
      ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    }
    auto featureClass = com::query<host::IFeatureLayer>(l->layer.get())->FeatureClass();
    auto set = mapdoc::makeSelectionSet(com::query<host::ITable>(featureClass.get()).get(), ids);
    com::query<host::IFeatureSelection>(l->layer.get())->SelectionSet(set.get());
    count += static_cast<int>(ids.size());
    if (!ids.empty()) names << QString::fromStdU16String(l->layer->Name());
  }
  redraw();
  emit selectionChanged(count, names.join(QStringLiteral(", ")));
  return count;
}

std::vector<FeatureAttributes> MapCanvas::identifyAt(const QPoint& p) {
  const QRect around(p - QPoint(kClickTolerance, kClickTolerance), QSize(2 * kClickTolerance + 1, 2 * kClickTolerance + 1));
  const render::MapExtent area = mapRectangle(around);
  std::vector<FeatureAttributes> out;
  for (auto it = contents_.layers.rbegin(); it != contents_.layers.rend() && out.size() < kMostIdentified; ++it) {
    if (!it->features) continue;
    for (auto oid : render::shapesTouching(*it->features, area)) {
      out.push_back(featureAttributes(it->layer.get(), oid));
      if (out.size() >= kMostIdentified) break;
    }
  }
  return out;
}

}  // namespace carrowind::map
