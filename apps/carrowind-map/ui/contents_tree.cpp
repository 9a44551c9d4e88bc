#include "apps/carrowind-map/ui/contents_tree.h"

#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <set>

#include "apps/carrowind-map/render/class_symbols.h"
#include "apps/carrowind-map/render/label_lines.h"
#include "apps/carrowind-map/render/symbol_paint.h"

namespace carrowind::map {
namespace {

constexpr QSize kSwatch(22, 14);

QIcon swatchIcon(const host::Symbol& symbol, render::ShapeKind kind) {
  QPixmap pixmap(kSwatch);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing, true);
  render::drawSwatch(painter, QRectF(1.5, 1.5, kSwatch.width() - 3, kSwatch.height() - 3), symbol, kind);
  return QIcon(pixmap);
}

// What a renderer that labels no classes draws, for its one grey row.
QString unlabelledKind(host::IFeatureRenderer* renderer) {
  if (com::query<host::IDotDensityRenderer>(renderer)) return QStringLiteral("Dot density");
  if (com::query<host::IProportionalSymbolRenderer>(renderer)) return QStringLiteral("Proportional symbols");
  if (com::query<host::IChartRenderer>(renderer)) return QStringLiteral("Charts");
  return QStringLiteral("Features");
}

// Why the layer's data cannot be read, for its row's tooltip.
QString dataProblem(host::ILayer* layer) {
  try {
    if (auto feature = com::query<host::IFeatureLayer>(layer)) feature->FeatureClass();
  } catch (const std::exception& e) {
    return QString::fromUtf8(e.what());
  }
  return QStringLiteral("The layer's data cannot be read.");
}

}  // namespace

ContentsTree::ContentsTree(QWidget* parent) : QTreeWidget(parent) {
  setObjectName(QStringLiteral("TableOfContents"));
  setHeaderHidden(true);
  setColumnCount(1);
  setIconSize(kSwatch);
  setUniformRowHeights(false);
  setContextMenuPolicy(Qt::CustomContextMenu);
  setSelectionMode(QAbstractItemView::SingleSelection);
  header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  header()->setStretchLastSection(false);
  connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) { followCurrentItem(current); });
  connect(this, &QTreeWidget::itemChanged, this, &ContentsTree::itemChecked);
  connect(this, &QWidget::customContextMenuRequested, this, &ContentsTree::contextMenuAt);
}

void ContentsTree::showDocument(host::Ref<mapdoc::MapDocument> document) {
  document_ = std::move(document);
  building_ = true;
  clear();
  layers_.clear();
  if (document_)
    for (const auto& layer : document_->map()->layers()) addLayer(nullptr, layer);
  expandAll();
  chooseSelectedItem();
  building_ = false;
}

void ContentsTree::refresh() {
  if (!document_) return;
  std::set<host::ILayer*> collapsed;
  for (const auto& [item, layer] : layers_)
    if (!item->isExpanded()) collapsed.insert(layer.get());
  const int scroll = verticalScrollBar()->value();
  showDocument(document_);
  building_ = true;
  for (const auto& [item, layer] : layers_)
    if (collapsed.count(layer.get())) item->setExpanded(false);
  building_ = false;
  verticalScrollBar()->setValue(scroll);
}

QTreeWidgetItem* ContentsTree::addLayer(QTreeWidgetItem* parent, const host::Ref<host::ILayer>& layer) {
  auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
  layers_.emplace(item, layer);
  item->setText(0, QString::fromStdU16String(layer->Name()));
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
  item->setCheckState(0, layer->Visible() ? Qt::Checked : Qt::Unchecked);
  if (auto group = com::query<host::ICompositeLayer>(layer.get())) {
    for (int i = 0; i < group->Count(); ++i) addLayer(item, group->Layer(i));
    return item;
  }
  if (!layer->Valid()) {
    item->setIcon(0, QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning));
    item->setToolTip(0, dataProblem(layer.get()));
    return item;
  }
  addClassRows(item, layer.get());
  return item;
}

void ContentsTree::addClassRows(QTreeWidgetItem* item, host::ILayer* layer) {
  auto geo = com::query<host::IGeoFeatureLayer>(layer);
  if (!geo) return;
  auto renderer = geo->Renderer();
  render::ShapeKind kind = render::ShapeKind::Polygon;
  try {
    kind = render::shapeKind(com::query<host::IFeatureLayer>(layer)->FeatureClass()->ShapeType());
  } catch (const std::exception&) {
  }
  const auto classes = render::renderClasses(renderer.get());
  if (classes.empty()) {
    auto* row = new QTreeWidgetItem(item);
    row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    row->setIcon(0, swatchIcon(render::neutralSymbol(), kind));
    row->setText(0, unlabelledKind(renderer.get()));
    row->setForeground(0, palette().brush(QPalette::Disabled, QPalette::Text));
    return;
  }
  for (const auto& c : classes) {
    auto* row = new QTreeWidgetItem(item);
    row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    row->setIcon(0, swatchIcon(c.symbol, kind));
    row->setText(0, render::oneLineLabel(c.label));
    const QStringList lines = render::labelLines(c.label);
    if (lines.size() > 1) row->setToolTip(0, lines.join(QChar(u'\n')));
  }
}

host::Ref<host::ILayer> ContentsTree::layerOf(QTreeWidgetItem* item) const {
  // A class row stands for its layer.
  for (; item; item = item->parent())
    if (auto it = layers_.find(item); it != layers_.end()) return it->second;
  return nullptr;
}

QTreeWidgetItem* ContentsTree::itemOf(host::ILayer* layer) const {
  for (const auto& [item, l] : layers_)
    if (com::identity(l.get()) == com::identity(layer)) return item;
  return nullptr;
}

void ContentsTree::chooseSelectedItem() {
  if (!document_) return;
  const host::Value selected = document_->contentsView()->SelectedItem();
  auto layer = selected.isObject() ? selected.object().as<host::ILayer>() : nullptr;
  QTreeWidgetItem* item = layer ? itemOf(layer.get()) : nullptr;
  setCurrentItem(item);
  if (item) scrollToItem(item);
}

void ContentsTree::followCurrentItem(QTreeWidgetItem* current) {
  if (!document_ || building_) return;
  auto layer = layerOf(current);
  document_->contentsView()->SelectedItem(layer ? host::Value(layer) : host::Value{});
  emit selectedLayerChanged();
}

void ContentsTree::itemChecked(QTreeWidgetItem* item, int column) {
  if (building_ || column != 0) return;
  auto it = layers_.find(item);
  if (it == layers_.end()) return;
  const bool visible = item->checkState(0) == Qt::Checked;
  if (it->second->Visible() == visible) return;
  it->second->Visible(visible);
  emit layerVisibilityChanged();
}

void ContentsTree::contextMenuAt(const QPoint& position) {
  QTreeWidgetItem* item = itemAt(position);
  auto layer = layerOf(item);
  if (!layer) return;
  setCurrentItem(item);
  emit contextMenuRequested(layer.get(), viewport()->mapToGlobal(position));
}

}  // namespace carrowind::map
