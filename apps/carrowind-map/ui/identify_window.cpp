#include "apps/carrowind-map/ui/identify_window.h"

#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace carrowind::map {

IdentifyWindow::IdentifyWindow(QWidget* parent) : QDialog(parent, Qt::Tool) {
  setObjectName(QStringLiteral("IdentifyWindow"));
  setWindowTitle(tr("Identify Results"));
  summary_ = new QLabel(this);
  results_ = new QTreeWidget(this);
  results_->setObjectName(QStringLiteral("IdentifyResults"));
  results_->setColumnCount(2);
  results_->setHeaderLabels({tr("Field"), tr("Value")});
  results_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  results_->setAlternatingRowColors(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(summary_);
  layout->addWidget(results_);
  resize(360, 420);
}

void IdentifyWindow::showFeatures(const std::vector<FeatureAttributes>& features) {
  results_->clear();
  if (features.empty()) summary_->setText(tr("No features here."));
  else if (features.size() == 1) summary_->setText(tr("1 feature under the click."));
  else summary_->setText(tr("%1 features under the click.").arg(features.size()));
  for (const auto& f : features) {
    auto* branch = new QTreeWidgetItem(results_);
    branch->setText(0, f.layer);
    branch->setText(1, tr("Object ID %1").arg(f.oid));
    QFont bold = branch->font(0);
    bold.setBold(true);
    branch->setFont(0, bold);
    for (const auto& [field, value] : f.values) {
      auto* row = new QTreeWidgetItem(branch);
      row->setText(0, field);
      row->setText(1, value);
    }
  }
  if (results_->topLevelItemCount() > 0) results_->topLevelItem(0)->setExpanded(true);
}

}  // namespace carrowind::map
