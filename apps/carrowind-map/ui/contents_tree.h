#pragma once
// The table of contents: the map's layers, top first, with a box for their
// visibility, and under a feature layer one row per legend class (the
// class's swatch and its label on one line, as the renderer draws it).
// Choosing a row makes its layer the contents view's selected item, the
// item commands and the labeling dialog work on; a right click chooses the
// row and asks for the layer's context menu.
#include <QTreeWidget>
#include <map>

#include "mapdoc/document.h"

namespace carrowind::map {

class ContentsTree : public QTreeWidget {
  Q_OBJECT
 public:
  explicit ContentsTree(QWidget* parent = nullptr);

  // Shows another document (null for none), selecting the row of its
  // contents view's selected item.
  void showDocument(host::Ref<mapdoc::MapDocument> document);
  // Rebuilds the rows from the document (labels changed), keeping which
  // layers are expanded and which is chosen.
  void refresh();

  host::Ref<host::ILayer> layerOf(QTreeWidgetItem* item) const;
  QTreeWidgetItem* itemOf(host::ILayer* layer) const;

 signals:
  void selectedLayerChanged();
  void layerVisibilityChanged();
  // A right click on a row: its layer (now selected) and where to show the
  // menu, in global coordinates.
  void contextMenuRequested(host::ILayer* layer, const QPoint& globalPosition);

 private:
  QTreeWidgetItem* addLayer(QTreeWidgetItem* parent, const host::Ref<host::ILayer>& layer);
  void addClassRows(QTreeWidgetItem* item, host::ILayer* layer);
  void chooseSelectedItem();
  void followCurrentItem(QTreeWidgetItem* current);
  void itemChecked(QTreeWidgetItem* item, int column);
  void contextMenuAt(const QPoint& position);

  host::Ref<mapdoc::MapDocument> document_;
  std::map<QTreeWidgetItem*, host::Ref<host::ILayer>> layers_;  // layer rows only
  bool building_ = false;
};

}  // namespace carrowind::map
