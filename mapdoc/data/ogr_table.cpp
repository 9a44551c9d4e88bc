#include "mapdoc/data/ogr_table.h"

#include <cpl_error.h>

#include "mapdoc/data/clause_fields.h"
#include "mapdoc/data/feature_reader.h"
#include "mapdoc/data/gdal_session.h"
#include "mapdoc/data/ogr_cursor.h"
#include "mapdoc/data/pg_grouped_statistics.h"
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

ValueKind valueKind(const OGRFieldDefn& field) {
  switch (field.GetType()) {
    case OFTInteger: return field.GetSubType() == OFSTBoolean ? ValueKind::Boolean : ValueKind::Integer;
    case OFTInteger64: return ValueKind::Integer64;
    case OFTReal: return ValueKind::Real;
    case OFTString: return ValueKind::Text;
    case OFTDate: return ValueKind::Date;
    case OFTDateTime: return ValueKind::DateTime;
    case OFTTime: return ValueKind::Time;
    default: return ValueKind::Other;
  }
}

std::string signatureOf(OGRLayer& layer) {
  std::string s = std::string(layer.GetGeometryColumn()) + '|' + std::to_string(layer.GetGeomType());
  OGRFeatureDefn* defn = layer.GetLayerDefn();
  for (int i = 0; i < defn->GetFieldCount(); ++i)
    s += '|' + std::string(defn->GetFieldDefn(i)->GetNameRef()) + ':' + std::to_string(defn->GetFieldDefn(i)->GetType());
  return s;
}

}  // namespace

OgrTable::OgrTable(OpenRequest request, const SourceKind* kind) : state_(std::make_shared<TableState>()) {
  state_->handles = LayerHandles::open(std::move(request));
  auto handle = state_->handles->acquire();
  OGRLayer* l = handle->layer();
  const bool spatial = l->GetGeomType() != wkbNone;
  const std::string driver = handle->dataset()->GetDriverName();
  kind_ = kind ? *kind : sourceKind(driver, spatial);
  name_ = text::fromUtf8(state_->handles->layerName());
  shapeType_ = static_cast<int>(l->GetGeomType());
  signature_ = signatureOf(*l);

  std::vector<FieldInfo> fields;
  const std::string fid = l->GetFIDColumn();
  fields.push_back({text::fromUtf8(!kind_.recordNumberFid && !fid.empty() ? fid : "FID"), host::FieldTypeOID, 4, -1,
                    ValueKind::Integer64});
  if (spatial) {
    const std::string geometry = l->GetGeometryColumn();
    shapeField_ = text::fromUtf8(kind_.recordNumberFid || geometry.empty() ? "Shape" : geometry);
    fields.push_back({shapeField_, host::FieldTypeGeometry, 0, -1});
  }
  OGRFeatureDefn* defn = l->GetLayerDefn();
  for (int i = 0; i < defn->GetFieldCount(); ++i) {
    const OGRFieldDefn* f = defn->GetFieldDefn(i);
    fields.push_back({text::fromUtf8(f->GetNameRef()), hostType(*f), f->GetWidth(), i, valueKind(*f)});
  }
  fields_ = com::make<FieldList>(std::move(fields));

  const auto count = static_cast<std::size_t>(defn->GetFieldCount());
  // A statement's result read by ID would give records the statement left
  // out (OGR's SQL reads the source layer's record), so it is always scanned.
  state_->lazyFields = !state_->handles->fromStatement() && l->TestCapability(OLCRandomRead) &&
                       l->TestCapability(OLCIgnoreFields);
  state_->wanted = state_->lazyFields ? LoadedFields::none(count) : LoadedFields::all(count);
  state_->cacheIds = state_->lazyFields && kind_.fastReadById;
  state_->keepsPositionOnLoad = driver == "ESRI Shapefile";
}

host::Text OgrTable::Category() { return text::fromUtf8(kind_.category); }

host::Ref<host::IUnknown> OgrTable::self() { return com::identity(static_cast<host::ITable*>(this)); }

void OgrTable::checkFresh() {
  if (!schemaChanged_ && state_->handles->changedOnDisk()) {
    state_->ids.clear();
    auto handle = state_->handles->acquire();
    // Field positions handed out earlier would name other fields now.
    schemaChanged_ = signatureOf(*handle->layer()) != signature_;
  }
  if (schemaChanged_)
    throwHostError("the fields of \"" + text::toUtf8(name_) + "\" changed on disk since it was opened");
}

std::string OgrTable::ogrClause(host::IQueryFilter* filter) {
  std::string clause = filter ? text::toUtf8(filter->WhereClause()) : std::string();
  if (kind_.quoting == FieldQuoting::Brackets) clause = bracketsToDoubleQuotes(clause);
  if (clause.find_first_not_of(" \t\r\n") == std::string::npos) return {};
  if (kind_.filters == FilterEngine::Ogr)
    clause = forOgrSql(clause, [this](const std::string& name) { return fields_->holdsText(name); });
  if (kind_.quotedUnknownIsText)
    for (const auto& name : quotedNames(clause))
      if (fields_->FindField(text::fromUtf8(name)) < 0)
        throwHostError("invalid where clause \"" + clause + "\": no such column: " + name);
  if (kind_.filters == FilterEngine::Ogr && state_->handles->fromStatement()) {
    // OGR hands a result's filter on to the layer the statement read, which
    // skips a name it does not hold instead of failing.
    auto handle = state_->handles->acquire();
    OGRFeatureQuery query;
    clearGdalError();
    if (query.Compile(handle->layer()->GetLayerDefn(), clause.c_str(), TRUE, nullptr) != OGRERR_NONE)
      throwGdalError("invalid where clause \"" + clause + "\"");
  }
  return clause;
}

std::unique_ptr<LayerHandle> OgrTable::filtered(const std::string& clause, LoadedFields need) {
  auto handle = state_->handles->acquire();
  if (!state_->lazyFields) need = LoadedFields::all(need.fields.size());
  if (!clause.empty()) need.add(fieldsOfClause(*handle->layer()->GetLayerDefn(), clause));
  handle->load(need);
  clearGdalError();
  if (handle->layer()->SetAttributeFilter(clause.empty() ? nullptr : clause.c_str()) != OGRERR_NONE)
    throwGdalError("invalid where clause \"" + clause + "\"");
  handle->layer()->ResetReading();
  return handle;
}

host::Ref<host::ICursor> OgrTable::Search(host::IQueryFilter* filter, bool recycling) {
  checkFresh();
  const std::string clause = ogrClause(filter);
  // Where one record is read by its ID at a fixed offset, the clause is
  // evaluated on as little as it names and only the records it selects are
  // read in full: converting fields of records that fail is most of a scan.
  if (state_->cacheIds && !clause.empty()) return SearchIds(scanIds(clause), recycling, filter);
  const bool chosen = chooses(filter);
  auto reader = FeatureReader::scan(state_, filtered(clause, readFor(filter)), chosen);
  return com::make<OgrCursor>(self(), std::move(reader), fields_, recycling);
}

bool OgrTable::chooses(host::IQueryFilter* filter) {
  const host::Text list = filter ? filter->SubFields() : host::Text(u"*");
  return list.find_first_not_of(u" ") != host::Text::npos && list.find(u'*') == host::Text::npos;
}

LoadedFields OgrTable::readFor(host::IQueryFilter* filter) {
  if (!chooses(filter)) return state_->wanted;
  const host::Text list = filter->SubFields();
  LoadedFields need = LoadedFields::none(state_->wanted.fields.size());
  std::size_t start = 0;
  while (start <= list.size()) {
    auto end = list.find(u',', start);
    if (end == host::Text::npos) end = list.size();
    host::Text name = list.substr(start, end - start);
    name.erase(0, name.find_first_not_of(u' '));
    name.erase(name.find_last_not_of(u' ') + 1);
    const int i = fields_->FindField(name);
    if (i >= 0) {
      const auto& info = fields_->infos()[static_cast<std::size_t>(i)];
      if (info.type == host::FieldTypeGeometry) need.geometry = true;
      else if (info.source >= 0) need.fields[static_cast<std::size_t>(info.source)] = true;
    }
    start = end + 1;
  }
  return need;
}

std::int64_t OgrTable::KnownRowCount() {
  checkFresh();
  auto handle = filtered("", LoadedFields::none(state_->wanted.fields.size()));
  if (!handle->layer()->TestCapability(OLCFastFeatureCount)) return -1;
  return handle->layer()->GetFeatureCount(TRUE);
}

host::Ref<host::ICursor> OgrTable::SearchIds(std::shared_ptr<const IdList> ids, bool recycling,
                                             host::IQueryFilter* fields) {
  auto handle = state_->handles->acquire();
  handle->load(readFor(fields));
  auto reader = FeatureReader::byIds(state_, std::move(handle), std::move(ids));
  return com::make<OgrCursor>(self(), std::move(reader), fields_, recycling);
}

std::shared_ptr<const IdList> OgrTable::scanIds(const std::string& clause) {
  if (state_->cacheIds)
    if (auto ids = state_->ids.find(clause)) return ids;
  auto reader = FeatureReader::scan(state_, filtered(clause, LoadedFields::none(state_->wanted.fields.size())));
  auto ids = std::make_shared<IdList>();
  for (auto f = reader->next(); f; f = reader->next()) ids->push_back(f->GetFID());
  if (state_->cacheIds) state_->ids.store(clause, ids);
  return ids;
}

std::shared_ptr<const IdList> OgrTable::MatchingIds(host::IQueryFilter* filter) {
  checkFresh();
  return scanIds(ogrClause(filter));
}

std::int32_t OgrTable::RowCount(host::IQueryFilter* filter) {
  checkFresh();
  const std::string clause = ogrClause(filter);
  if (state_->cacheIds && !clause.empty()) return static_cast<std::int32_t>(scanIds(clause)->size());
  auto handle = filtered(clause, LoadedFields::none(state_->wanted.fields.size()));
  clearGdalError();
  const auto count = handle->layer()->GetFeatureCount(TRUE);
  if (count < 0 || CPLGetLastErrorType() >= CE_Failure)
    throwGdalError("cannot count the records of \"" + text::toUtf8(name_) + "\"");
  return static_cast<std::int32_t>(count);
}

std::optional<std::vector<host::GroupSummary>> OgrTable::GroupedStatistics(host::IQueryFilter* filter,
                                                                            const std::vector<std::int32_t>* ids,
                                                                            const host::RecordGrouping& grouping,
                                                                            const std::vector<host::GroupedField>& fields) {
  if (kind_.filters != FilterEngine::PostgreSQL || state_->handles->fromStatement()) return std::nullopt;
  checkFresh();
  const std::string clause = ogrClause(filter);
  std::string idColumn;
  std::optional<std::vector<host::GroupSummary>> groups;
  {
    auto handle = state_->handles->acquire();
    idColumn = handle->layer()->GetFIDColumn();
    groups = pgGroupedStatistics(*handle, fields_->infos(), clause, ids, grouping, fields);
  }
  if (groups) fillFirstAndLast(*this, idColumn, *groups, fields);
  return groups;
}

}  // namespace mapdoc::data
