#include "mapdoc/data/ogr_cursor.h"

#include <cpl_error.h>

#include "mapdoc/data/gdal_session.h"

namespace mapdoc::data {

OgrCursor::OgrCursor(host::Ref<host::IUnknown> owner, std::unique_ptr<LayerHandle> handle, host::Ref<FieldList> fields,
                     bool recycling)
    : owner_(std::move(owner)), handle_(std::move(handle)), fields_(std::move(fields)), recycling_(recycling) {}

host::Ref<host::IRow> OgrCursor::NextRow() {
  if (!handle_) return nullptr;
  clearGdalError();
  OGRFeatureUniquePtr feature(handle_->layer()->GetNextFeature());
  if (!feature) {
    // Database drivers take a filter as it is and fail on the first read.
    if (CPLGetLastErrorType() >= CE_Failure) {
      const std::string detail = lastGdalError();
      handle_.reset();
      throwHostError("cannot read the records: " + detail);
    }
    handle_.reset();  // the end: the handle can serve another cursor
    return nullptr;
  }
  if (!recycling_) {
    auto row = com::make<FeatureRow>(fields_);
    row->fill(std::move(feature));
    return row;
  }
  if (!recycled_) recycled_ = com::make<FeatureRow>(fields_);
  recycled_->fill(std::move(feature));
  return recycled_;
}

}  // namespace mapdoc::data
