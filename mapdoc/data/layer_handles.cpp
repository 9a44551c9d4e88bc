#include "mapdoc/data/layer_handles.h"

#include <cpl_port.h>

#include <optional>

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

std::shared_ptr<LayerHandles> LayerHandles::open(OpenRequest request) {
  ensureGdal();
  std::shared_ptr<LayerHandles> pool(new LayerHandles(std::move(request)));
  auto first = pool->openNew();
  // A statement's result is named by the layer it was asked of, if any: a
  // GeoPackage calls every result "SELECT".
  if (!pool->fromStatement() || pool->layerName_.empty()) pool->layerName_ = first.layer->GetName();
  pool->stamp_ = FileStamp::of(*first.dataset);
  pool->idle_.push_back(std::move(first));
  return pool;
}

OGRLayer* LayerHandles::findLayer(GDALDataset& dataset) const {
  const std::string& name = request_.layer;
  const int index = name.empty() && request_.layerIndex > 0 ? request_.layerIndex : 0;
  OGRLayer* layer = name.empty() ? dataset.GetLayer(index) : dataset.GetLayerByName(name.c_str());
  if (layer) return layer;
  const std::string source = "data source \"" + shownSource(request_.name) + "\"";
  std::string names;
  for (auto* l : dataset.GetLayers()) names += (names.empty() ? "" : ", ") + std::string(l->GetName());
  // No layer at all after GDAL complained (a server lost while the
  // connection was set up): the complaint says what is wrong, not the name.
  if (const std::string problem = firstGdalProblem(); names.empty() && !problem.empty())
    throwHostError(source + " cannot be read: " + problem);
  if (!name.empty()) throwHostError(source + " has no layer \"" + name + "\" (layers: " + names + ")");
  if (index > 0)
    throwHostError(source + " has no layer number " + std::to_string(index) + " (layers, from 0: " + names + ")");
  throwHostError(source + " has no layers");
}

namespace {

// PostgreSQL's driver lists every table of the database on opening unless
// told which it needs: on a server of many tables that is most of the cost
// of opening a layer. The option's list is split at commas and reads
// "table(geometry)", so a name holding either is left to the listing.
std::optional<std::string> onlyTheNamedTable(const OpenRequest& request) {
  if (!STARTS_WITH_CI(request.name.c_str(), "PG:") || request.layer.empty()) return std::nullopt;
  if (request.layer.find_first_of(",()\"") != std::string::npos) return std::nullopt;
  for (const auto& option : request.options)
    if (STARTS_WITH_CI(option.c_str(), "TABLES=")) return std::nullopt;
  return "TABLES=" + request.layer;
}

}  // namespace

GDALDatasetUniquePtr LayerHandles::openDataset(bool onlyNamed) const {
  clearGdalError();
  std::vector<std::string> given = request_.options;
  if (onlyNamed)
    if (auto only = onlyTheNamedTable(request_)) given.push_back(*only);
  std::vector<const char*> options;
  for (const auto& option : given) options.push_back(option.c_str());
  options.push_back(nullptr);
  GDALDatasetUniquePtr dataset(
      GDALDataset::Open(request_.name.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, options.data(), nullptr));
  if (!dataset) throwGdalError("cannot open data source \"" + shownSource(request_.name) + "\"");
  return dataset;
}

OGRLayer* LayerHandles::findNamedLayer(GDALDatasetUniquePtr& dataset) const {
  if (!onlyTheNamedTable(request_)) return findLayer(*dataset);
  try {
    return findLayer(*dataset);
  } catch (const host::HostError&) {
    // not there: opened again with the listing, for the message to name the tables there are
    dataset = openDataset(false);
    return findLayer(*dataset);
  }
}

LayerHandle::Open LayerHandles::openNew() const {
  GDALDatasetUniquePtr dataset = openDataset(true);
  LayerHandle::Open open;
  if (request_.statement.empty()) {
    open.layer = findNamedLayer(dataset);
  } else {
    // A named layer must exist even though the statement decides what is read.
    if (!request_.layer.empty() || request_.layerIndex > 0) findNamedLayer(dataset);
    clearGdalError();
    open.layer = dataset->ExecuteSQL(request_.statement.c_str(), nullptr, nullptr);
    if (!open.layer) {
      const std::string detail = firstGdalError();
      clearGdalError();
      throwHostError("the layer's SQL statement \"" + request_.statement + "\" cannot run" +
                     (detail.empty() ? std::string(" (it selects no table)") : ": " + detail));
    }
    open.result = std::unique_ptr<OGRLayer, ReleaseResult>(open.layer, {dataset.get()});
  }
  open.loaded = LoadedFields::all(static_cast<std::size_t>(open.layer->GetLayerDefn()->GetFieldCount()));
  open.dataset = std::move(dataset);
  return open;
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
