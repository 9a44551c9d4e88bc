#include "mapdoc/data/layer_handles.h"

#include "mapdoc/data/gdal_session.h"

namespace mapdoc::data {

namespace {
constexpr std::size_t kMaxIdle = 4;
}

LayerHandle::~LayerHandle() {
  if (pool_ && dataset_) pool_->giveBack(std::move(dataset_), layer_);
}

std::shared_ptr<LayerHandles> LayerHandles::open(std::string openName, std::string layer) {
  ensureGdal();
  std::shared_ptr<LayerHandles> pool(new LayerHandles(std::move(openName), std::move(layer)));
  auto first = pool->openNew();
  pool->layerName_ = first.second->GetName();
  pool->idle_.push_back(std::move(first));
  return pool;
}

std::pair<GDALDatasetUniquePtr, OGRLayer*> LayerHandles::openNew() const {
  clearGdalError();
  GDALDatasetUniquePtr dataset(GDALDataset::Open(openName_.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
  if (!dataset) throwGdalError("cannot open data source \"" + openName_ + "\"");
  OGRLayer* layer = layerName_.empty() ? dataset->GetLayer(0) : dataset->GetLayerByName(layerName_.c_str());
  if (!layer) {
    std::string names;
    for (auto* l : dataset->GetLayers()) names += (names.empty() ? "" : ", ") + std::string(l->GetName());
    throwHostError(layerName_.empty() ? "data source \"" + openName_ + "\" has no layers"
                                      : "data source \"" + openName_ + "\" has no layer \"" + layerName_ +
                                            "\" (layers: " + names + ")");
  }
  return {std::move(dataset), layer};
}

std::unique_ptr<LayerHandle> LayerHandles::acquire() {
  {
    std::lock_guard lock(mutex_);
    if (!idle_.empty()) {
      auto [dataset, layer] = std::move(idle_.back());
      idle_.pop_back();
      return std::make_unique<LayerHandle>(shared_from_this(), std::move(dataset), layer);
    }
  }
  auto [dataset, layer] = openNew();
  return std::make_unique<LayerHandle>(shared_from_this(), std::move(dataset), layer);
}

void LayerHandles::giveBack(GDALDatasetUniquePtr dataset, OGRLayer* layer) {
  layer->SetAttributeFilter(nullptr);
  layer->ResetReading();
  std::lock_guard lock(mutex_);
  if (idle_.size() < kMaxIdle) idle_.emplace_back(std::move(dataset), layer);
}

}  // namespace mapdoc::data
