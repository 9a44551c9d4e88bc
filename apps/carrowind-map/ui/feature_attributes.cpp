#include "apps/carrowind-map/ui/feature_attributes.h"

#include "mapdoc/data/open.h"
#include "platform/format/value_text.h"

namespace carrowind::map {

FeatureAttributes featureAttributes(host::ILayer* layer, std::int32_t oid) {
  FeatureAttributes out;
  out.layer = QString::fromStdU16String(layer->Name());
  out.oid = oid;
  auto display = com::query<host::IDisplayTable>(layer);
  if (!display) return out;
  auto table = display->DisplayTable();
  // A set of one record finds it by object ID in any table, a join too.
  auto set = mapdoc::makeSelectionSet(table.get(), {oid});
  host::Ref<host::ICursor> cursor;
  set->Search(nullptr, false, cursor);
  auto row = cursor ? cursor->NextRow() : nullptr;
  if (!row) return out;
  auto fields = row->Fields();
  for (int i = 0; i < fields->FieldCount(); ++i) {
    auto field = fields->Field(i);
    if (field->Type() == host::FieldTypeGeometry) continue;
    const host::Value value = row->Value(i);
    QString text;
    if (value.isNull() || value.isEmpty()) text = QStringLiteral("<Null>");
    else if (!value.isObject()) text = QString::fromStdU16String(platform::format::toText(value));
    out.values.emplace_back(QString::fromStdU16String(field->Name()), text);
  }
  return out;
}

}  // namespace carrowind::map
