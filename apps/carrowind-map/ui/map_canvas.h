#pragma once
// The map view: the visible layers drawn in their renderers' symbols, the
// selected features outlined, panned by dragging, zoomed by the wheel or a
// rectangle. The layers are read once (when a document is shown or a
// layer's visibility changes) and drawn again at every scale from memory.
//
// Tools: Pan drags the map (the middle button drags with any tool); Zoom In
// and Zoom Out click or, zooming in, draw a rectangle; Identify lists the
// features under a click; Select draws a rectangle (or clicks) and makes
// the features it touches the selection of the layer chosen in the table of
// contents, or of every visible feature layer when no feature layer is
// chosen. Shift adds to the selection.
#include <QImage>
#include <QPointer>
#include <QWidget>
#include <vector>

#include "apps/carrowind-map/render/map_contents.h"
#include "apps/carrowind-map/ui/feature_attributes.h"
#include "mapdoc/document.h"

class QRubberBand;

namespace carrowind::map {

class MapCanvas : public QWidget {
  Q_OBJECT
 public:
  enum class Tool { Pan, ZoomIn, ZoomOut, Identify, Select };

  explicit MapCanvas(QWidget* parent = nullptr);

  // Reads the document's visible layers and shows their full extent.
  void setDocument(host::Ref<mapdoc::MapDocument> document);
  // Reads the layers again (visibility changed), keeping the view.
  void reload();
  // Draws again from memory (the selection changed).
  void redraw();
  const render::MapContents& contents() const { return contents_; }

  void setTool(Tool tool);
  Tool tool() const { return tool_; }

  void zoomToFullExtent();
  void zoomToLayer(host::ILayer* layer);
  // factor > 1 zooms in, about a point of the widget.
  void zoomAbout(const QPointF& widgetPoint, double factor);
  void zoomBy(double factor) { zoomAbout(QPointF(width() / 2.0, height() / 2.0), factor); }

  QPointF toMap(const QPointF& widgetPoint) const;
  QPointF toWidget(const QPointF& mapPoint) const;

  // Selects as the Select tool does with a rectangle of the widget; returns
  // how many features the layers it selected in now hold.
  int selectInRectangle(const QRect& widgetRect, bool add);
  // The features under a point of the widget, topmost layer first.
  std::vector<FeatureAttributes> identifyAt(const QPoint& widgetPoint);

 signals:
  // After a selection: how many features, and in which layers.
  void selectionChanged(int count, const QString& layers);
  void featuresIdentified(const std::vector<FeatureAttributes>& features);
  void mapPositionChanged(const QPointF& mapPoint);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  void fit(const render::MapExtent& extent);
  QTransform mapToWidget() const;
  QImage renderMap() const;
  std::vector<const render::DrawnLayer*> selectionTargets() const;
  render::MapExtent mapRectangle(const QRect& widgetRect) const;
  void updateCursor();

  host::Ref<mapdoc::MapDocument> document_;
  render::MapContents contents_;
  QPointF center_;
  double unitsPerPixel_ = 1;
  bool needsFit_ = true;
  Tool tool_ = Tool::Pan;

  QImage cache_;
  bool cacheValid_ = false;

  Qt::MouseButton pressButton_ = Qt::NoButton;
  QPoint pressPosition_;
  QPoint panOffset_;
  bool panning_ = false;
  QPointer<QRubberBand> band_;
};

}  // namespace carrowind::map
