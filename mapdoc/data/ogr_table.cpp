#include "mapdoc/data/ogr_table.h"

#include <cpl_error.h>

#include "mapdoc/data/gdal_session.h"
#include "mapdoc/data/ogr_cursor.h"
#include "mapdoc/data/where_clause.h"
#include "platform/text/utf.h"

namespace mapdoc::data {
namespace {

int hostType(const OGRFieldDefn& field) {
  switch (field.GetType()) {
    case OFTInteger: return field.GetSubType() == OFSTInt16 || field.GetSubType() == OFSTBoolean
                                ? host::FieldTypeSmallInteger
                                : host::FieldTypeInteger;
    case OFTReal: return field.GetSubType() == OFSTFloat32 ? host::FieldTypeSingle : host::FieldTypeDouble;
    case OFTInteger64: return host::FieldTypeDouble;
    case OFTString: return host::FieldTypeString;
    case OFTDate:
    case OFTDateTime:
    case OFTTime: return host::FieldTypeDate;
    case OFTBinary: return host::FieldTypeBlob;
    default: return host::FieldTypeOther;
  }
}

}  // namespace

OgrTable::OgrTable(const std::string& openName, const std::string& layer)
    : handles_(LayerHandles::open(openName, layer)) {
  auto handle = handles_->acquire();
  OGRLayer* l = handle->layer();
  const bool spatial = l->GetGeomType() != wkbNone;
  kind_ = sourceKind(handle->dataset()->GetDriverName(), spatial);
  name_ = text::fromUtf8(l->GetName());
  shapeType_ = static_cast<int>(l->GetGeomType());

  std::vector<FieldInfo> fields;
  const std::string fid = l->GetFIDColumn();
  fields.push_back({text::fromUtf8(kind_.ownFidName && !fid.empty() ? fid : "FID"), host::FieldTypeOID, 4, -1});
  if (spatial) {
    const std::string geometry = l->GetGeometryColumn();
    shapeField_ = text::fromUtf8(geometry.empty() ? "Shape" : geometry);
    fields.push_back({shapeField_, host::FieldTypeGeometry, 0, -1});
  }
  OGRFeatureDefn* defn = l->GetLayerDefn();
  for (int i = 0; i < defn->GetFieldCount(); ++i) {
    const OGRFieldDefn* f = defn->GetFieldDefn(i);
    fields.push_back({text::fromUtf8(f->GetNameRef()), hostType(*f), f->GetWidth(), i});
  }
  fields_ = com::make<FieldList>(std::move(fields));
}

host::Text OgrTable::Category() { return text::fromUtf8(kind_.category); }

std::unique_ptr<LayerHandle> OgrTable::filtered(host::IQueryFilter* filter) {
  auto handle = handles_->acquire();
  std::string clause = filter ? text::toUtf8(filter->WhereClause()) : std::string();
  if (kind_.quoting == FieldQuoting::Brackets) clause = bracketsToDoubleQuotes(clause);
  if (clause.find_first_not_of(" \t\r\n") == std::string::npos) clause.clear();
  if (kind_.quotedUnknownIsText)
    for (const auto& name : quotedNames(clause))
      if (fields_->FindField(text::fromUtf8(name)) < 0)
        throwHostError("invalid where clause \"" + clause + "\": no such column: " + name);
  clearGdalError();
  if (handle->layer()->SetAttributeFilter(clause.empty() ? nullptr : clause.c_str()) != OGRERR_NONE)
    throwGdalError("invalid where clause \"" + clause + "\"");
  handle->layer()->ResetReading();
  return handle;
}

host::Ref<host::ICursor> OgrTable::Search(host::IQueryFilter* filter, bool recycling) {
  auto handle = filtered(filter);
  return com::make<OgrCursor>(com::identity(static_cast<host::ITable*>(this)), std::move(handle), fields_, recycling);
}

std::int32_t OgrTable::RowCount(host::IQueryFilter* filter) {
  auto handle = filtered(filter);
  clearGdalError();
  const auto count = handle->layer()->GetFeatureCount(TRUE);
  if (count < 0 || CPLGetLastErrorType() >= CE_Failure) throwGdalError("cannot count the records of \"" + text::toUtf8(name_) + "\"");
  return static_cast<std::int32_t>(count);
}

}  // namespace mapdoc::data
