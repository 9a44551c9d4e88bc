#pragma once
// What a table shares with the cursors and rows it hands out: the pool of
// layer handles, the IDs found per clause, and what callers have read.
#include <memory>

#include "mapdoc/data/id_cache.h"
#include "mapdoc/data/layer_handles.h"
#include "mapdoc/data/loaded_fields.h"

namespace mapdoc::data {

struct TableState {
  std::shared_ptr<LayerHandles> handles;
  IdCache ids;
  // The attributes (and geometry) callers have asked rows for; later reads
  // bring them in from the start.
  LoadedFields wanted;
  // The driver reads one record by its ID quickly and can leave fields out,
  // so reads may skip what nobody asked for and fetch it when asked.
  bool lazyFields = false;
  // Reading by cached IDs beats scanning again (file sources with fixed
  // record offsets).
  bool cacheIds = false;
  // Changing the fields to read keeps the reading position (otherwise the
  // scan restarts and skips what it has delivered).
  bool keepsPositionOnLoad = false;
};

}  // namespace mapdoc::data
