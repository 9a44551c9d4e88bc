#pragma once
// A forward walk over the records of one OGR layer that pass a filter.
#include <memory>

#include "mapdoc/data/feature_row.h"

namespace mapdoc::data {

class OgrCursor : public com::Object<host::ICursor> {
 public:
  // owner keeps the table alive as long as the cursor reads from it.
  OgrCursor(host::Ref<host::IUnknown> owner, std::shared_ptr<FeatureReader> reader, host::Ref<FieldList> fields,
            bool recycling)
      : owner_(std::move(owner)), reader_(std::move(reader)), fields_(std::move(fields)), recycling_(recycling) {}
  host::Ref<host::IRow> NextRow() override;
  host::Ref<host::IFields> Fields() override { return fields_; }
  int FindField(const host::Text& name) override { return fields_->FindField(name); }

 private:
  host::Ref<host::IUnknown> owner_;
  std::shared_ptr<FeatureReader> reader_;
  host::Ref<FieldList> fields_;
  host::Ref<FeatureRow> recycled_;
  bool recycling_;
};

}  // namespace mapdoc::data
