#pragma once
// The page layout view: the printed page (map frame and legend frames)
// fitted into the window on a grey desk. The page is drawn once into an
// image and again only when the page changes (a legend re-fitted after its
// labels changed, layers shown or hidden) or the window's size does.
#include <QImage>
#include <QWidget>

#include "mapdoc/document.h"

namespace carrowind::map {

class LayoutView : public QWidget {
  Q_OBJECT
 public:
  explicit LayoutView(QWidget* parent = nullptr);

  void setDocument(host::Ref<mapdoc::MapDocument> document);
  // The page changed: draw it again when next shown.
  void invalidate();
  // The page as the view shows it now (drawn first when out of date).
  QImage page();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QRectF pageRect() const;  // where the page lies in the widget

  host::Ref<mapdoc::MapDocument> document_;
  QImage page_;
  bool valid_ = false;
};

}  // namespace carrowind::map
