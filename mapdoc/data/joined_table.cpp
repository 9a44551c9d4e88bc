#include "mapdoc/data/joined_table.h"

#include <algorithm>

#include "mapdoc/data/clause_fields.h"
#include "mapdoc/data/gdal_session.h"
#include "mapdoc/data/join_keys.h"
#include "mapdoc/data/query_filter.h"
#include "mapdoc/data/where_clause.h"
#include "platform/format/ole_date.h"
#include "platform/text/utf.h"

namespace mapdoc::data {
namespace {

host::Text tableName(host::ITable* table) {
  if (auto dialect = com::query<ITableDialect>(table)) return dialect->TableName();
  if (auto dataset = com::query<host::IDatasetName>(table)) return dataset->Name();
  return u"table";
}

class JoinedRow : public com::Object<host::IRow> {
 public:
  JoinedRow(host::Ref<FieldList> fields, std::shared_ptr<const std::vector<JoinedTable::Values>> rows)
      : fields_(std::move(fields)), rows_(std::move(rows)) {}
  void at(std::size_t index) { index_ = index; }
  host::Value Value(int i) override {
    const auto& row = (*rows_)[index_];
    if (i < 0 || static_cast<std::size_t>(i) >= row.size()) throwHostError("field index " + std::to_string(i) + " is out of range");
    return row[static_cast<std::size_t>(i)];
  }
  host::Ref<host::IFields> Fields() override { return fields_; }
  bool HasOID() override { return true; }
  std::int32_t OID() override { return (*rows_)[index_][0].int32(); }

 private:
  host::Ref<FieldList> fields_;
  std::shared_ptr<const std::vector<JoinedTable::Values>> rows_;
  std::size_t index_ = 0;
};

class JoinedCursor : public com::Object<host::ICursor> {
 public:
  JoinedCursor(host::Ref<FieldList> fields, std::shared_ptr<const std::vector<JoinedTable::Values>> rows,
               std::vector<std::size_t> order, bool recycling)
      : fields_(std::move(fields)), rows_(std::move(rows)), order_(std::move(order)), recycling_(recycling) {}
  host::Ref<host::IRow> NextRow() override {
    if (next_ >= order_.size()) return nullptr;
    if (!recycling_ || !row_) row_ = com::make<JoinedRow>(fields_, rows_);
    row_->at(order_[next_++]);
    return row_;
  }
  host::Ref<host::IFields> Fields() override { return fields_; }
  int FindField(const host::Text& name) override { return fields_->FindField(name); }

 private:
  host::Ref<FieldList> fields_;
  std::shared_ptr<const std::vector<JoinedTable::Values>> rows_;
  std::vector<std::size_t> order_;
  std::size_t next_ = 0;
  bool recycling_;
  host::Ref<JoinedRow> row_;
};

// A key field's type as the join's report names it.
std::string keyTypeName(const FieldInfo& info) {
  switch (info.kind) {
    case ValueKind::Integer: return "integer";
    case ValueKind::Integer64: return "64-bit integer";
    case ValueKind::Real: return "real";
    case ValueKind::Boolean: return "boolean";
    case ValueKind::Text: return "text";
    case ValueKind::Date: return "date";
    case ValueKind::DateTime: return "date and time";
    case ValueKind::Time: return "time";
    case ValueKind::Other: break;
  }
  switch (info.type) {
    case host::FieldTypeSmallInteger:
    case host::FieldTypeInteger:
    case host::FieldTypeOID: return "integer";
    case host::FieldTypeSingle:
    case host::FieldTypeDouble: return "real";
    case host::FieldTypeString: return "text";
    case host::FieldTypeDate: return "date";
    default: return "other";
  }
}

std::vector<FieldInfo> infosOf(host::ITable* table) {
  auto fields = com::query<host::IClass>(table)->Fields();
  auto kinds = com::query<IFieldKinds>(fields.get());
  std::vector<FieldInfo> out;
  for (int i = 0; i < fields->FieldCount(); ++i) {
    auto f = fields->Field(i);
    out.push_back({f->Name(), f->Type(), f->Length(), -1, kinds ? kinds->Kind(i) : ValueKind::Other});
  }
  return out;
}

}  // namespace

JoinedTable::JoinedTable(host::ITable* layerTable, host::ITable* joinTable, const host::Text& layerField,
                         const host::Text& joinField, const JoinOptions& options)
    : source_(layerTable), destination_(joinTable) {
  if (auto dialect = com::query<ITableDialect>(layerTable)) quoting_ = dialect->Quoting();
  name_ = tableName(layerTable);
  const host::Text joinName = tableName(joinTable);
  const auto layerInfos = infosOf(layerTable), joinInfos = infosOf(joinTable);
  const int layerKey = com::query<host::IClass>(layerTable)->FindField(layerField);
  const int joinKey = com::query<host::IClass>(joinTable)->FindField(joinField);
  if (layerKey < 0) throwHostError("join field \"" + text::toUtf8(layerField) + "\" not found in " + text::toUtf8(name_));
  if (joinKey < 0) throwHostError("join field \"" + text::toUtf8(joinField) + "\" not found in " + text::toUtf8(joinName));

  std::vector<FieldInfo> fields;
  for (auto info : layerInfos)
    fields.push_back({options.prefixed ? info.name : name_ + u"." + info.name, info.type, info.length, -1, info.kind});
  auto taken = [&](const host::Text& name) {
    return std::any_of(fields.begin(), fields.end(), [&](const FieldInfo& f) { return f.name == name; });
  };
  auto listed = [&](const host::Text& name) {
    return std::find(options.fields->begin(), options.fields->end(), name) != options.fields->end();
  };
  std::vector<std::size_t> joinColumns;
  for (std::size_t i = 0; i < joinInfos.size(); ++i) {
    const auto& info = joinInfos[i];
    if (info.type == host::FieldTypeGeometry) continue;
    host::Text name = joinName + u"." + info.name;
    if (options.prefixed) {
      // the object ID and the key would repeat what the layer has
      if (info.type == host::FieldTypeOID && !(options.fields && listed(info.name))) continue;
      if (options.fields ? !listed(info.name) : static_cast<int>(i) == joinKey) continue;
      name = options.prefix + info.name;
      if (taken(name)) continue;
    }
    joinColumns.push_back(i);
    fields.push_back({name, info.type, info.length, -1, info.kind});
  }
  fields_ = com::make<FieldList>(std::move(fields));
  for (const auto& f : fields_->infos()) fieldNames_.push_back(text::toUtf8(f.name));

  host::Ref<QueryFilter> joinFilter;
  if (!options.where.empty()) {
    joinFilter = com::make<QueryFilter>();
    joinFilter->WhereClause(text::fromUtf8(options.where));
  }
  auto joinDialect = com::query<ITableDialect>(joinTable);
  JoinKeys keys(options.match, joinInfos[static_cast<std::size_t>(joinKey)].kind,
                joinDialect ? joinDialect->Filters() : FilterEngine::Ogr);
  std::vector<Values> joined;
  auto joinCursor = joinTable->Search(joinFilter.get(), true);
  for (auto row = joinCursor->NextRow(); row; row = joinCursor->NextRow()) {
    keys.add(row->Value(joinKey), joined.size());
    Values values;
    for (auto c : joinColumns) values.push_back(row->Value(static_cast<int>(c)));
    joined.push_back(std::move(values));
  }

  const auto& layerKeyInfo = layerInfos[static_cast<std::size_t>(layerKey)];
  const auto& joinKeyInfo = joinInfos[static_cast<std::size_t>(joinKey)];
  count_.layerTable = text::toUtf8(name_);
  count_.layerKey = text::toUtf8(name_ + u"." + layerKeyInfo.name);
  count_.layerKeyType = keyTypeName(layerKeyInfo);
  count_.joinKey = text::toUtf8(joinName + u"." + joinKeyInfo.name);
  count_.joinKeyType = keyTypeName(joinKeyInfo);

  auto rows = std::make_shared<std::vector<Values>>();
  auto layerCursor = layerTable->Search(nullptr, true);
  for (auto row = layerCursor->NextRow(); row; row = layerCursor->NextRow()) {
    Values values;
    values.reserve(fields_->infos().size());
    for (std::size_t i = 0; i < layerInfos.size(); ++i)
      values.push_back(layerInfos[i].type == host::FieldTypeGeometry ? host::Value::null()
                                                                     : row->Value(static_cast<int>(i)));
    const auto match = keys.find(values[static_cast<std::size_t>(layerKey)], layerKeyInfo.kind);
    if (match) ++count_.matched;
    for (std::size_t c = 0; c < joinColumns.size(); ++c)
      values.push_back(match ? joined[*match][c] : host::Value::null());
    rows->push_back(std::move(values));
  }
  count_.records = static_cast<std::int64_t>(rows->size());
  rows_ = std::move(rows);
  buildFilterLayer();
}

void JoinedTable::buildFilterLayer() {
  ensureGdal();
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("Memory");
  if (!driver) throwHostError("GDAL has no Memory driver");
  memory_.reset(driver->Create("joined", 0, 0, 0, GDT_Unknown, nullptr));
  if (!memory_) throwGdalError("cannot create the joined table");
  filterLayer_ = memory_->CreateLayer("joined", nullptr, wkbNone, nullptr);
  int next = 0;
  for (const auto& info : fields_->infos()) {
    OGRFieldType type;
    switch (info.type) {
      case host::FieldTypeSmallInteger:
      case host::FieldTypeInteger:
      case host::FieldTypeOID: type = OFTInteger; break;
      case host::FieldTypeSingle:
      case host::FieldTypeDouble: type = OFTReal; break;
      case host::FieldTypeString: type = OFTString; break;
      case host::FieldTypeDate: type = OFTDateTime; break;
      default: memoryField_.push_back(-1); continue;
    }
    OGRFieldDefn defn(text::toUtf8(info.name).c_str(), type);
    if (filterLayer_->CreateField(&defn) != OGRERR_NONE) throwGdalError("cannot build the joined table");
    memoryField_.push_back(next++);
  }
  OGRFeatureDefn* defn = filterLayer_->GetLayerDefn();
  for (std::size_t r = 0; r < rows_->size(); ++r) {
    OGRFeature feature(defn);
    feature.SetFID(static_cast<GIntBig>(r));
    const auto& row = (*rows_)[r];
    for (std::size_t i = 0; i < row.size(); ++i) {
      const int m = memoryField_[i];
      const auto& v = row[i];
      if (m < 0 || v.isNull() || v.isEmpty()) continue;
      if (v.isText()) feature.SetField(m, text::toUtf8(v.text()).c_str());
      else if (v.isDate()) {
        auto p = platform::format::fromOleDate(v.oleDate());
        feature.SetField(m, p.year, p.month, p.day, p.hour, p.minute, static_cast<float>(p.second));
      } else if (v.kind() == host::Value::Kind::Double) feature.SetField(m, v.real());
      else if (v.isNumber()) feature.SetField(m, static_cast<int>(v.toDouble()));
    }
    if (filterLayer_->CreateFeature(&feature) != OGRERR_NONE) throwGdalError("cannot build the joined table");
  }
}

std::vector<std::size_t> JoinedTable::matching(host::IQueryFilter* filter) {
  std::string clause = filter ? text::toUtf8(filter->WhereClause()) : std::string();
  std::vector<std::size_t> out;
  if (clause.find_first_not_of(" \t\r\n") == std::string::npos) {
    for (std::size_t i = 0; i < rows_->size(); ++i) out.push_back(i);
    return out;
  }
  if (quoting_ == FieldQuoting::Brackets) clause = bracketsToDoubleQuotes(clause);
  clause = quoteQualifiedNames(clause, fieldNames_);
  clause = forOgrSql(clause, [this](const std::string& name) { return fields_->holdsText(name); });
  // The copy never changes, so what a clause selected once it selects again
  // (a label run asks every class's clause once per field and statistic).
  if (auto known = selected_.find(clause)) {
    for (GIntBig i : *known) out.push_back(static_cast<std::size_t>(i));
    return out;
  }
  // Only the fields the clause names are copied out of each record.
  OGRFeatureDefn* defn = filterLayer_->GetLayerDefn();
  const LoadedFields need = fieldsOfClause(*defn, clause);
  std::vector<const char*> ignored;
  for (int i = 0; i < defn->GetFieldCount(); ++i)
    if (!need.fields[static_cast<std::size_t>(i)]) ignored.push_back(defn->GetFieldDefn(i)->GetNameRef());
  ignored.push_back(nullptr);
  filterLayer_->SetIgnoredFields(ignored.data());
  clearGdalError();
  if (filterLayer_->SetAttributeFilter(clause.c_str()) != OGRERR_NONE) {
    filterLayer_->SetAttributeFilter(nullptr);
    throwGdalError("invalid where clause \"" + clause + "\"");
  }
  filterLayer_->ResetReading();
  auto ids = std::make_shared<IdList>();
  for (OGRFeatureUniquePtr f(filterLayer_->GetNextFeature()); f; f.reset(filterLayer_->GetNextFeature()))
    ids->push_back(f->GetFID());
  filterLayer_->SetAttributeFilter(nullptr);
  for (GIntBig i : *ids) out.push_back(static_cast<std::size_t>(i));
  selected_.store(clause, std::move(ids));
  return out;
}

host::Ref<host::ICursor> JoinedTable::Search(host::IQueryFilter* filter, bool recycling) {
  return com::make<JoinedCursor>(fields_, rows_, matching(filter), recycling);
}

std::int32_t JoinedTable::RowCount(host::IQueryFilter* filter) {
  return static_cast<std::int32_t>(matching(filter).size());
}

}  // namespace mapdoc::data
