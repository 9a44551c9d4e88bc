#include "mapdoc/data/feature_row.h"

#include <cmath>

#include "mapdoc/data/gdal_session.h"
#include "mapdoc/data/geometry.h"
#include "platform/format/ole_date.h"
#include "platform/text/utf.h"

namespace mapdoc::data {

host::Value fieldValue(const OGRFeature& feature, int ogrIndex, int hostType) {
  if (!feature.IsFieldSetAndNotNull(ogrIndex)) return host::Value::null();
  const OGRFieldDefn* defn = feature.GetFieldDefnRef(ogrIndex);
  switch (defn->GetType()) {
    case OFTInteger:
      if (hostType == host::FieldTypeSmallInteger)
        return static_cast<std::int16_t>(feature.GetFieldAsInteger(ogrIndex));
      return static_cast<std::int32_t>(feature.GetFieldAsInteger(ogrIndex));
    case OFTInteger64: return static_cast<double>(feature.GetFieldAsInteger64(ogrIndex));
    case OFTReal: return feature.GetFieldAsDouble(ogrIndex);
    case OFTDate:
    case OFTDateTime:
    case OFTTime: {
      int y = 0, m = 0, d = 0, h = 0, mi = 0, tz = 0;
      float s = 0;
      feature.GetFieldAsDateTime(ogrIndex, &y, &m, &d, &h, &mi, &s, &tz);
      platform::format::DateParts parts;
      if (defn->GetType() != OFTTime) parts = {y, m, d, 0, 0, 0};
      parts.hour = h;
      parts.minute = mi;
      parts.second = static_cast<int>(std::lround(s));
      return host::Value::date(platform::format::toOleDate(parts));
    }
    default: return text::fromUtf8(feature.GetFieldAsString(ogrIndex));
  }
}

void FeatureRow::requireFeature() const {
  if (!feature_) throwHostError("the row holds no record");
}

host::Value FeatureRow::Value(int index) {
  requireFeature();
  const auto& infos = fields_->infos();
  if (index < 0 || static_cast<std::size_t>(index) >= infos.size())
    throwHostError("field index " + std::to_string(index) + " is out of range");
  const auto& info = infos[static_cast<std::size_t>(index)];
  if (info.type == host::FieldTypeOID) return OID();
  if (info.type == host::FieldTypeGeometry) {
    auto shape = Shape();
    return shape ? host::Value(shape) : host::Value::null();
  }
  const auto source = static_cast<std::size_t>(info.source);
  if (source < loaded_->fields.size() && !loaded_->fields[source]) bringIn(info.source);
  return fieldValue(*feature_, info.source, info.type);
}

const char* FeatureRow::FieldUtf8(int index) {
  requireFeature();
  const auto& infos = fields_->infos();
  if (index < 0 || static_cast<std::size_t>(index) >= infos.size()) return nullptr;
  const auto& info = infos[static_cast<std::size_t>(index)];
  if (info.type != host::FieldTypeString || info.source < 0) return nullptr;
  const auto source = static_cast<std::size_t>(info.source);
  if (source < loaded_->fields.size() && !loaded_->fields[source]) bringIn(info.source);
  if (!feature_->IsFieldSetAndNotNull(info.source)) return nullptr;
  return feature_->GetFieldAsString(info.source);
}

void FeatureRow::bringIn(int ogrField) {
  feature_ = reader_->reload(feature_->GetFID(), ogrField, loaded_);
}

std::int32_t FeatureRow::OID() {
  requireFeature();
  return static_cast<std::int32_t>(feature_->GetFID());
}

host::Ref<host::IGeometry> FeatureRow::Shape() {
  requireFeature();
  if (!loaded_->geometry) bringIn(-1);
  const OGRGeometry* geometry = feature_->GetGeometryRef();
  if (!geometry) return nullptr;
  return com::make<Geometry>(*geometry);
}

}  // namespace mapdoc::data
