#pragma once
// The reading behind one cursor: a filtered scan of the layer, or a walk
// over object IDs already known. It brings in only the fields the table's
// callers want; a row asking for another field gets its record read again
// with it, and the rest of the walk brings that field in too.
#include <memory>
#include <unordered_set>
#include <vector>

#include "mapdoc/data/table_state.h"

namespace mapdoc::data {

class FeatureReader {
 public:
  // handle: its filter set. chosenFields: the caller named the fields to
  // read, so the scan keeps to them (a record asked for another field is
  // read again alone).
  static std::shared_ptr<FeatureReader> scan(std::shared_ptr<TableState> state, std::unique_ptr<LayerHandle> handle,
                                             bool chosenFields = false);
  static std::shared_ptr<FeatureReader> byIds(std::shared_ptr<TableState> state, std::unique_ptr<LayerHandle> handle,
                                              std::shared_ptr<const IdList> ids);

  // The next record, null at the end. Throws HostError when the source fails.
  OGRFeatureUniquePtr next();
  std::shared_ptr<const LoadedFields> loaded() const { return loaded_; }
  // Record fid again with one more field (OGR index; -1 for the geometry);
  // loaded: what the record returned holds.
  OGRFeatureUniquePtr reload(GIntBig fid, int field, std::shared_ptr<const LoadedFields>& loaded);

 private:
  FeatureReader(std::shared_ptr<TableState> state, std::unique_ptr<LayerHandle> handle);
  void finish();

  std::shared_ptr<TableState> state_;
  std::unique_ptr<LayerHandle> handle_;
  std::shared_ptr<const LoadedFields> loaded_;
  std::shared_ptr<const IdList> ids_;  // null for a scan
  std::size_t position_ = 0;           // records delivered
  bool ended_ = false;
  bool chosenFields_ = false;
  // Drivers that start a scan over when told to read more fields may then
  // give the records in another order (SQLite picks another plan, with or
  // without an index), so a scan that may restart keeps the IDs it has
  // delivered and skips them after a restart.
  bool keepDelivered_ = false;
  std::vector<GIntBig> delivered_;
  std::unordered_set<GIntBig> skip_;
};

}  // namespace mapdoc::data
