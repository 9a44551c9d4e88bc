#include "mapdoc/data/layer_handles.h"

#include "mapdoc/data/gdal_session.h"

namespace mapdoc::data {

namespace {
constexpr std::size_t kMaxIdle = 4;
}

LayerHandle::~LayerHandle() {
  if (pool_ && open_.dataset) pool_->giveBack(std::move(open_), generation_);
}

void LayerHandle::load(const LoadedFields& loaded) {
  if (loaded == open_.loaded) return;
  OGRFeatureDefn* defn = open_.layer->GetLayerDefn();
  std::vector<const char*> ignored;
  for (int i = 0; i < defn->GetFieldCount(); ++i)
    if (static_cast<std::size_t>(i) < loaded.fields.size() && !loaded.fields[static_cast<std::size_t>(i)])
      ignored.push_back(defn->GetFieldDefn(i)->GetNameRef());
  if (!loaded.geometry) ignored.push_back("OGR_GEOMETRY");
  ignored.push_back(nullptr);
  if (open_.layer->SetIgnoredFields(ignored.data()) != OGRERR_NONE) {
    // A driver that cannot leave fields out reads them all.
    open_.layer->SetIgnoredFields(nullptr);
    open_.loaded = LoadedFields::all(static_cast<std::size_t>(defn->GetFieldCount()));
    return;
  }
  open_.loaded = loaded;
}

std::shared_ptr<LayerHandles> LayerHandles::open(std::string openName, std::string layer) {
  ensureGdal();
  std::shared_ptr<LayerHandles> pool(new LayerHandles(std::move(openName), std::move(layer)));
  auto first = pool->openNew();
  pool->layerName_ = first.layer->GetName();
  pool->stamp_ = FileStamp::of(*first.dataset);
  pool->idle_.push_back(std::move(first));
  return pool;
}

LayerHandle::Open LayerHandles::openNew() const {
  clearGdalError();
  GDALDatasetUniquePtr dataset(GDALDataset::Open(openName_.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
  if (!dataset) throwGdalError("cannot open data source \"" + shownSource(openName_) + "\"");
  OGRLayer* layer = layerName_.empty() ? dataset->GetLayer(0) : dataset->GetLayerByName(layerName_.c_str());
  if (!layer) {
    std::string names;
    for (auto* l : dataset->GetLayers()) names += (names.empty() ? "" : ", ") + std::string(l->GetName());
    throwHostError(layerName_.empty() ? "data source \"" + shownSource(openName_) + "\" has no layers"
                                      : "data source \"" + shownSource(openName_) + "\" has no layer \"" + layerName_ +
                                            "\" (layers: " + names + ")");
  }
  const auto count = static_cast<std::size_t>(layer->GetLayerDefn()->GetFieldCount());
  return {std::move(dataset), layer, LoadedFields::all(count)};
}

std::unique_ptr<LayerHandle> LayerHandles::acquire() {
  unsigned generation;
  {
    std::lock_guard lock(mutex_);
    generation = generation_;
    if (!idle_.empty()) {
      auto open = std::move(idle_.back());
      idle_.pop_back();
      return std::make_unique<LayerHandle>(shared_from_this(), std::move(open), generation);
    }
  }
  return std::make_unique<LayerHandle>(shared_from_this(), openNew(), generation);
}

bool LayerHandles::changedOnDisk() {
  if (stamp_.empty()) return false;
  FileStamp now = stamp_.now();
  std::lock_guard lock(mutex_);
  if (now == stamp_) return false;
  stamp_ = std::move(now);
  ++generation_;
  idle_.clear();
  return true;
}

void LayerHandles::giveBack(LayerHandle::Open open, unsigned generation) {
  open.layer->SetAttributeFilter(nullptr);
  open.layer->ResetReading();
  std::lock_guard lock(mutex_);
  if (generation == generation_ && idle_.size() < kMaxIdle) idle_.push_back(std::move(open));
}

}  // namespace mapdoc::data
