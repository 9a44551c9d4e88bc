#include "mapdoc/data/feature_reader.h"

#include <cpl_error.h>

#include <cstdint>
#include <string>

#include "mapdoc/data/gdal_session.h"

namespace mapdoc::data {

FeatureReader::FeatureReader(std::shared_ptr<TableState> state, std::unique_ptr<LayerHandle> handle)
    : state_(std::move(state)), handle_(std::move(handle)),
      loaded_(std::make_shared<const LoadedFields>(handle_->loaded())) {}

std::shared_ptr<FeatureReader> FeatureReader::scan(std::shared_ptr<TableState> state,
                                                   std::unique_ptr<LayerHandle> handle, bool chosenFields) {
  std::shared_ptr<FeatureReader> r(new FeatureReader(std::move(state), std::move(handle)));
  r->chosenFields_ = chosenFields;
  r->keepDelivered_ = !chosenFields && !r->state_->keepsPositionOnLoad && r->state_->lazyFields;
  return r;
}

std::shared_ptr<FeatureReader> FeatureReader::byIds(std::shared_ptr<TableState> state,
                                                    std::unique_ptr<LayerHandle> handle,
                                                    std::shared_ptr<const IdList> ids) {
  std::shared_ptr<FeatureReader> r(new FeatureReader(std::move(state), std::move(handle)));
  r->ids_ = std::move(ids);
  return r;
}

void FeatureReader::finish() {
  ended_ = true;
  handle_.reset();  // back to the pool; a late reload takes another
}

OGRFeatureUniquePtr FeatureReader::next() {
  if (ended_) return nullptr;
  if (ids_) {
    while (position_ < ids_->size()) {
      OGRFeatureUniquePtr f(handle_->layer()->GetFeature((*ids_)[position_++]));
      if (f) return f;
    }
    finish();
    return nullptr;
  }
  clearGdalError();
  OGRFeatureUniquePtr f(handle_->layer()->GetNextFeature());
  while (f && !skip_.empty() && skip_.erase(f->GetFID())) f.reset(handle_->layer()->GetNextFeature());
  if (!f) {
    // Database drivers take a filter as it is and fail on the first read.
    if (CPLGetLastErrorType() >= CE_Failure) {
      const std::string detail = firstGdalError(), layer = handle_->layer()->GetName();
      finish();
      throwHostError("cannot read the records of \"" + layer + "\": " + detail);
    }
    finish();
    return nullptr;
  }
  // Object IDs are 32-bit: a wider key (a bigserial past two billion)
  // would wrap onto another record's ID and mix the records of classes.
  if (const GIntBig id = f->GetFID(); id != OGRNullFID && (id > INT32_MAX || id < INT32_MIN)) {
    const std::string layer = handle_->layer()->GetName();
    finish();
    throwHostError("the record ID " + std::to_string(id) + " of \"" + layer + "\" is beyond the 32-bit object IDs labels are made with; "
                   "give the layer a key of 32-bit integers (a view with one, say)");
  }
  ++position_;
  if (keepDelivered_) delivered_.push_back(f->GetFID());
  return f;
}

OGRFeatureUniquePtr FeatureReader::reload(GIntBig fid, int field, std::shared_ptr<const LoadedFields>& loaded) {
  LoadedFields want = *loaded;
  if (field < 0) {
    want.geometry = true;
    state_->wanted.geometry = true;
  } else {
    const auto i = static_cast<std::size_t>(field);
    if (i < want.fields.size()) want.fields[i] = true;
    if (i < state_->wanted.fields.size()) state_->wanted.fields[i] = true;
  }
  const bool midScan = !ended_ && !ids_;
  if (midScan && chosenFields_ && !state_->keepsPositionOnLoad) {
    // The caller chose the fields: this record alone is read again,
    // through another handle, and the scan goes on as it was.
    auto other = state_->handles->acquire();
    other->load(want);
    clearGdalError();
    OGRFeatureUniquePtr f(other->layer()->GetFeature(fid));
    if (!f) throwGdalError("record " + std::to_string(fid) + " can no longer be read");
    loaded = std::make_shared<const LoadedFields>(other->loaded());
    return f;
  }
  if (!handle_) handle_ = state_->handles->acquire();
  handle_->load(want);
  loaded_ = std::make_shared<const LoadedFields>(handle_->loaded());
  loaded = loaded_;
  clearGdalError();
  OGRFeatureUniquePtr f(handle_->layer()->GetFeature(fid));
  if (!f) throwGdalError("record " + std::to_string(fid) + " can no longer be read");
  if (midScan && !state_->keepsPositionOnLoad) {
    // The driver starts over when told to read other fields, perhaps in
    // another order: what this cursor has handed out is skipped by ID.
    handle_->layer()->ResetReading();
    skip_.insert(delivered_.begin(), delivered_.end());
  }
  return f;
}

}  // namespace mapdoc::data
