#pragma once
// The features under a click and their attribute values: one branch per
// feature (layer and object ID), one row per field. A tool window that
// stays open beside the map and shows the latest click.
#include <QDialog>
#include <vector>

#include "apps/carrowind-map/ui/feature_attributes.h"

class QLabel;
class QTreeWidget;

namespace carrowind::map {

class IdentifyWindow : public QDialog {
  Q_OBJECT
 public:
  explicit IdentifyWindow(QWidget* parent = nullptr);

  // Shows the features (topmost layer first); the first is expanded.
  void showFeatures(const std::vector<FeatureAttributes>& features);
  QTreeWidget* results() const { return results_; }

 private:
  QLabel* summary_;
  QTreeWidget* results_;
};

}  // namespace carrowind::map
