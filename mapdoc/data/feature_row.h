#pragma once
// One record read from OGR. Values are converted when asked for, so a
// cursor that feeds one field's statistics does not pay for the others.
#include <ogrsf_frmts.h>

#include "mapdoc/data/field_list.h"

namespace mapdoc::data {

class FeatureRow : public com::Object<host::IFeature> {
 public:
  explicit FeatureRow(host::Ref<FieldList> fields) : fields_(std::move(fields)) {}
  void fill(OGRFeatureUniquePtr feature) { feature_ = std::move(feature); }

  host::Value Value(int index) override;
  host::Ref<host::IFields> Fields() override { return fields_; }
  bool HasOID() override { return true; }
  std::int32_t OID() override;
  host::Ref<host::IGeometry> Shape() override;

 private:
  void requireFeature() const;
  host::Ref<FieldList> fields_;
  OGRFeatureUniquePtr feature_;
};

// An OGR field value as the host gives it: Int16 for small integers, Int32,
// Double (64-bit integers too), Text, Date as an OLE date; Null when unset.
host::Value fieldValue(const OGRFeature& feature, int ogrIndex, int hostType);

}  // namespace mapdoc::data
