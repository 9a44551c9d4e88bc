#include "mapdoc/data/ogr_cursor.h"

namespace mapdoc::data {

host::Ref<host::IRow> OgrCursor::NextRow() {
  OGRFeatureUniquePtr feature = reader_->next();
  if (!feature) return nullptr;
  if (!recycling_) {
    auto row = com::make<FeatureRow>(fields_, reader_);
    row->fill(std::move(feature));
    return row;
  }
  if (!recycled_) recycled_ = com::make<FeatureRow>(fields_, reader_);
  recycled_->fill(std::move(feature));
  return recycled_;
}

}  // namespace mapdoc::data
