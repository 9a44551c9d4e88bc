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

namespace mapdoc::data {

class LayerHandles;

// A dataset with the layer to read; goes back to its pool when released.
class LayerHandle {
 public:
  LayerHandle(std::shared_ptr<LayerHandles> pool, GDALDatasetUniquePtr dataset, OGRLayer* layer)
      : pool_(std::move(pool)), dataset_(std::move(dataset)), layer_(layer) {}
  LayerHandle(const LayerHandle&) = delete;
  LayerHandle& operator=(const LayerHandle&) = delete;
  ~LayerHandle();
  OGRLayer* layer() const { return layer_; }
  GDALDataset* dataset() const { return dataset_.get(); }

 private:
  std::shared_ptr<LayerHandles> pool_;
  GDALDatasetUniquePtr dataset_;
  OGRLayer* layer_;
};

class LayerHandles : public std::enable_shared_from_this<LayerHandles> {
 public:
  // openName: a path or a connection string; layer "" for the first layer.
  // Throws HostError when the source or the layer cannot be opened.
  static std::shared_ptr<LayerHandles> open(std::string openName, std::string layer);

  std::unique_ptr<LayerHandle> acquire();
  const std::string& openName() const { return openName_; }
  const std::string& layerName() const { return layerName_; }

 private:
  friend class LayerHandle;
  LayerHandles(std::string openName, std::string layer) : openName_(std::move(openName)), layerName_(std::move(layer)) {}
  std::pair<GDALDatasetUniquePtr, OGRLayer*> openNew() const;
  void giveBack(GDALDatasetUniquePtr dataset, OGRLayer* layer);

  std::string openName_;
  std::string layerName_;
  std::mutex mutex_;
  std::vector<std::pair<GDALDatasetUniquePtr, OGRLayer*>> idle_;
};

}  // namespace mapdoc::data
