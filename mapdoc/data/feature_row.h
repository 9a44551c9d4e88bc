#pragma once
// One record read from OGR. Values are converted when asked for, so a
// cursor that feeds one field's statistics does not pay for the others; a
// field the read left out is fetched then.
#include <ogrsf_frmts.h>

#include <memory>

#include "mapdoc/data/feature_reader.h"
#include "mapdoc/data/field_list.h"

namespace mapdoc::data {

// A field's text as the data source holds it (UTF-8), without making a
// host value of it: classifying millions of records by a text field reads it
// once each. The text stays valid until the row moves on.
struct IFieldText : host::IUnknown {
  COM_INTERFACE("44076EE9-3927-4B2C-B336-4B18CF1DA685")
  // Null for a null field or a field that is not text.
  virtual const char* FieldUtf8(int index) = 0;
};

class FeatureRow : public com::Object<host::IFeature, IFieldText> {
 public:
  FeatureRow(host::Ref<FieldList> fields, std::shared_ptr<FeatureReader> reader)
      : fields_(std::move(fields)), reader_(std::move(reader)) {}
  void fill(OGRFeatureUniquePtr feature) {
    feature_ = std::move(feature);
    loaded_ = reader_->loaded();
  }

  host::Value Value(int index) override;
  host::Ref<host::IFields> Fields() override { return fields_; }
  bool HasOID() override { return true; }
  std::int32_t OID() override;
  host::Ref<host::IGeometry> Shape() override;
  const char* FieldUtf8(int index) override;

 private:
  void requireFeature() const;
  void bringIn(int ogrField);
  host::Ref<FieldList> fields_;
  std::shared_ptr<FeatureReader> reader_;
  OGRFeatureUniquePtr feature_;
  std::shared_ptr<const LoadedFields> loaded_;  // what feature_ was read with
};

// An OGR field value as the host gives it: Int16 for small integers, Int32,
// Double (64-bit integers too), Text, Date as an OLE date; Null when unset.
host::Value fieldValue(const OGRFeature& feature, int ogrIndex, int hostType);

}  // namespace mapdoc::data
