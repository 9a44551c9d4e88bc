#pragma once
// Open handles on one OGR layer. OGR keeps the filter and the reading
// position in the layer, so every cursor reads through a handle of its own;
// handles are kept for reuse because opening a dataset costs far more than
// reading a class's records.
#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "mapdoc/data/file_stamp.h"
#include "mapdoc/data/loaded_fields.h"
#include "mapdoc/data/open.h"

namespace mapdoc::data {

class LayerHandles;

// A statement's result layer goes back to its dataset before the dataset
// closes (members are destroyed in reverse order).
struct ReleaseResult {
  GDALDataset* dataset = nullptr;
  void operator()(OGRLayer* layer) const { dataset->ReleaseResultSet(layer); }
};

// A dataset with the layer to read; goes back to its pool when released,
// its filter cleared, unless the data changed on disk meanwhile.
class LayerHandle {
 public:
  struct Open {
    GDALDatasetUniquePtr dataset;
    OGRLayer* layer = nullptr;
    LoadedFields loaded;  // what the layer is set to read
    std::unique_ptr<OGRLayer, ReleaseResult> result;  // layer, when a statement made it
  };
  LayerHandle(std::shared_ptr<LayerHandles> pool, Open open, unsigned generation)
      : pool_(std::move(pool)), open_(std::move(open)), generation_(generation) {}
  LayerHandle(const LayerHandle&) = delete;
  LayerHandle& operator=(const LayerHandle&) = delete;
  ~LayerHandle();
  OGRLayer* layer() const { return open_.layer; }
  GDALDataset* dataset() const { return open_.dataset.get(); }
  // Sets the layer to read these attributes and (or not) the geometry.
  void load(const LoadedFields& loaded);
  const LoadedFields& loaded() const { return open_.loaded; }

 private:
  std::shared_ptr<LayerHandles> pool_;
  Open open_;
  unsigned generation_;
};

class LayerHandles : public std::enable_shared_from_this<LayerHandles> {
 public:
  // Throws HostError when the source or the layer cannot be opened, or the
  // statement cannot run.
  static std::shared_ptr<LayerHandles> open(OpenRequest request);

  std::unique_ptr<LayerHandle> acquire();
  const std::string& openName() const { return request_.name; }
  const std::string& layerName() const { return layerName_; }
  // Whether the records are a statement's result rather than a layer's.
  bool fromStatement() const { return !request_.statement.empty(); }

  // Whether the dataset's files changed since the last look; if so, the idle
  // handles (which may hold the old header or record count) are dropped.
  bool changedOnDisk();

 private:
  friend class LayerHandle;
  explicit LayerHandles(OpenRequest request) : request_(std::move(request)), layerName_(request_.layer) {}
  LayerHandle::Open openNew() const;
  // onlyNamed: a PostgreSQL source opens just the named table.
  GDALDatasetUniquePtr openDataset(bool onlyNamed) const;
  OGRLayer* findLayer(GDALDataset& dataset) const;
  // findLayer, on a dataset openDataset(true) made: opened again in full
  // when the table is not there, for the message.
  OGRLayer* findNamedLayer(GDALDatasetUniquePtr& dataset) const;
  void giveBack(LayerHandle::Open open, unsigned generation);

  OpenRequest request_;
  std::string layerName_;
  FileStamp stamp_;
  std::mutex mutex_;
  unsigned generation_ = 0;
  std::vector<LayerHandle::Open> idle_;
};

}  // namespace mapdoc::data
