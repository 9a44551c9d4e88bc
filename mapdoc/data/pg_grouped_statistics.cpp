#include "mapdoc/data/pg_grouped_statistics.h"

#include <unordered_map>

#include "host/classes.h"
#include "mapdoc/data/feature_row.h"
#include "mapdoc/data/gdal_session.h"
#include "mapdoc/data/where_clause.h"
#include "platform/com/class_factory.h"
#include "platform/text/utf.h"

namespace mapdoc::data {
namespace {

const FieldInfo* findInfo(const std::vector<FieldInfo>& infos, const host::Text& name) {
  for (const auto& info : infos)
    if (sameName(info.name, name)) return &info;
  return nullptr;
}

// The column behind a field; "" for the geometry and unknown names.
std::string column(OGRLayer& layer, const std::vector<FieldInfo>& infos, const host::Text& name) {
  const FieldInfo* info = findInfo(infos, name);
  if (!info || info->type == host::FieldTypeGeometry) return {};
  if (info->type == host::FieldTypeOID) return pgName(layer.GetFIDColumn());
  return pgName(layer.GetLayerDefn()->GetFieldDefn(info->source)->GetNameRef());
}

// The layer's table, schema-qualified when OGR names it so.
std::string tableName(OGRLayer& layer) {
  const std::string name = layer.GetName();
  const auto dot = name.find('.');
  if (dot == std::string::npos) return pgName(name);
  return pgName(name.substr(0, dot)) + "." + pgName(name.substr(dot + 1));
}

// A value to total: booleans as 0 and 1, as a record read gives them.
std::string numericValue(OGRLayer& layer, const std::vector<FieldInfo>& infos, const host::Text& name,
                         const std::string& columnSql) {
  const FieldInfo* info = findInfo(infos, name);
  if (info && info->source >= 0 && layer.GetLayerDefn()->GetFieldDefn(info->source)->GetSubType() == OFSTBoolean)
    return columnSql + "::int";
  return columnSql;
}

}  // namespace

std::string pgName(const std::string& name) {
  std::string out = "\"";
  for (char c : name) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + '"';
}

std::optional<std::string> groupedStatisticsSql(OGRLayer& layer, const std::vector<FieldInfo>& infos,
                                                const std::string& clause, const std::vector<std::int32_t>* ids,
                                                const host::RecordGrouping& grouping,
                                                const std::vector<host::GroupedField>& fields) {
  const std::string id = layer.GetFIDColumn();
  if (id.empty()) return std::nullopt;  // a view or query without a key: no record order to go by
  const std::string idSql = pgName(id);

  std::string keys;  // the select list's key part, and as many GROUP BY positions
  std::string groupBy;
  int keyCount = 0;
  auto addKey = [&](const std::string& sql) {
    keys += sql + " AS k" + std::to_string(keyCount) + ", ";
    groupBy += (groupBy.empty() ? "" : ", ") + std::to_string(++keyCount);
  };
  switch (grouping.kind) {
    case host::RecordGrouping::Kind::All: break;
    case host::RecordGrouping::Kind::Values:
      if (grouping.fields.empty()) return std::nullopt;
      for (const auto& f : grouping.fields) {
        const std::string c = column(layer, infos, f);
        if (c.empty()) return std::nullopt;
        addKey(c);
      }
      break;
    case host::RecordGrouping::Kind::Breaks: {
      if (grouping.fields.size() != 1 || grouping.uppers.empty()) return std::nullopt;
      const std::string c = column(layer, infos, grouping.fields.front());
      if (c.empty()) return std::nullopt;
      // Class i holds (upper[i-1], upper[i]]: width_bucket's buckets are
      // [lower, next), so the value and the breaks are negated, which turns
      // the breaks' closed upper ends into closed lower ones. Bucket b is
      // class n - b; bucket 0 lies above the last break. NaN, which a
      // record walk never classifies, sorts above every number here.
      std::string thresholds;
      for (auto it = grouping.uppers.rbegin(); it != grouping.uppers.rend(); ++it)
        thresholds += (thresholds.empty() ? "" : ",") + sqlNumber(-*it);
      const std::string value = "(" + numericValue(layer, infos, grouping.fields.front(), c) + ")::float8";
      addKey("CASE WHEN " + value + " = 'NaN' THEN 0 ELSE width_bucket(-" + value + ", '{" + thresholds +
             "}'::float8[]) END");
      break;
    }
  }

  std::string select = "count(*) AS n, min(" + idSql + ") AS first_id, max(" + idSql + ") AS last_id";
  for (std::size_t k = 0; k < fields.size(); ++k) {
    const std::string c = column(layer, infos, fields[k].name);
    if (c.empty()) return std::nullopt;
    if (!fields[k].statistics) continue;
    const std::string v = numericValue(layer, infos, fields[k].name, c), s = std::to_string(k);
    select += ", count(" + v + ") AS n" + s + ", min(" + v + ")::float8 AS min" + s + ", max(" + v +
              ")::float8 AS max" + s + ", sum(" + v + ")::float8 AS sum" + s;
    if (fields[k].spread) select += ", (var_pop(" + v + ") * count(" + v + "))::float8 AS dev" + s;
  }

  std::string where;
  if (!clause.empty()) where = "(" + clause + ")";
  if (ids) {
    std::string list;
    for (auto i : *ids) list += (list.empty() ? "" : ",") + std::to_string(i);
    where += (where.empty() ? "" : " AND ") + idSql + " = ANY('{" + list + "}'::int8[])";
  }
  // Not starting with SELECT: GDAL then runs it as a plain statement.
  std::string sql = "WITH grouped AS (SELECT " + keys + select + " FROM " + tableName(layer);
  if (!where.empty()) sql += " WHERE " + where;
  if (!groupBy.empty()) sql += " GROUP BY " + groupBy;
  return sql + ") SELECT * FROM grouped";
}

std::optional<std::vector<host::GroupSummary>> pgGroupedStatistics(LayerHandle& handle,
                                                                   const std::vector<FieldInfo>& infos,
                                                                   const std::string& clause,
                                                                   const std::vector<std::int32_t>* ids,
                                                                   const host::RecordGrouping& grouping,
                                                                   const std::vector<host::GroupedField>& fields) {
  OGRLayer& layer = *handle.layer();
  const auto sql = groupedStatisticsSql(layer, infos, clause, ids, grouping, fields);
  if (!sql) return std::nullopt;
  std::vector<int> keyTypes;
  for (const auto& f : grouping.fields) keyTypes.push_back(findInfo(infos, f)->type);

  clearGdalError();
  OGRLayer* result = handle.dataset()->ExecuteSQL(sql->c_str(), nullptr, nullptr);
  if (!result) {
    const std::string detail = firstGdalError();
    clearGdalError();
    throwHostError("cannot total the records of \"" + std::string(layer.GetName()) + "\"" +
                   (detail.empty() ? std::string() : ": " + detail));
  }
  struct Release {
    GDALDataset* dataset;
    OGRLayer* layer;
    ~Release() { dataset->ReleaseResultSet(layer); }
  } release{handle.dataset(), result};

  OGRFeatureDefn* defn = result->GetLayerDefn();
  auto at = [&](const std::string& name) { return defn->GetFieldIndex(name.c_str()); };
  const bool breaks = grouping.kind == host::RecordGrouping::Kind::Breaks;
  const int keyCount = grouping.kind == host::RecordGrouping::Kind::Values ? static_cast<int>(keyTypes.size()) : 0;
  const int n = at("n"), firstId = at("first_id"), lastId = at("last_id");
  std::vector<host::GroupSummary> groups;
  for (OGRFeatureUniquePtr f(result->GetNextFeature()); f; f.reset(result->GetNextFeature())) {
    host::GroupSummary g;
    g.count = f->GetFieldAsInteger64(n);
    g.firstId = static_cast<std::int32_t>(f->GetFieldAsInteger64(firstId));
    g.lastId = static_cast<std::int32_t>(f->GetFieldAsInteger64(lastId));
    if (breaks) {
      const auto bucket = f->IsFieldSetAndNotNull(0) ? f->GetFieldAsInteger(0) : 0;
      const int classes = static_cast<int>(grouping.uppers.size());
      g.breakClass = bucket >= 1 && bucket <= classes ? classes - bucket : -1;
    } else {
      for (int k = 0; k < keyCount; ++k) g.key.push_back(fieldValue(*f, k, keyTypes[static_cast<std::size_t>(k)]));
    }
    g.fields.resize(fields.size());
    for (std::size_t k = 0; k < fields.size(); ++k) {
      if (!fields[k].statistics) continue;
      const std::string s = std::to_string(k);
      host::FieldGroupSummary& out = g.fields[k];
      out.count = f->GetFieldAsInteger64(at("n" + s));
      if (out.count == 0) continue;
      out.minimum = f->GetFieldAsDouble(at("min" + s));
      out.maximum = f->GetFieldAsDouble(at("max" + s));
      out.sum = f->GetFieldAsDouble(at("sum" + s));
      if (fields[k].spread) out.squaredDeviations = f->GetFieldAsDouble(at("dev" + s));
    }
    groups.push_back(std::move(g));
  }
  if (CPLGetLastErrorType() >= CE_Failure)
    throwGdalError("cannot total the records of \"" + std::string(layer.GetName()) + "\"");
  return groups;
}

void fillFirstAndLast(host::ITable& table, const std::string& idColumn, std::vector<host::GroupSummary>& groups,
                      const std::vector<host::GroupedField>& fields) {
  std::u16string names;
  for (const auto& f : fields)
    if (f.firstLast) names += (names.empty() ? u"" : u",") + f.name;
  if (names.empty()) return;
  std::vector<std::int32_t> wanted;
  for (const auto& g : groups) {
    wanted.push_back(g.firstId);
    if (g.lastId != g.firstId) wanted.push_back(g.lastId);
  }
  std::unordered_map<std::int32_t, std::vector<host::Value>> values;
  auto filter = com::create<host::IQueryFilter>(host::CLSID_QueryFilter);
  filter->SubFields(names);
  std::vector<int> positions;
  auto tableClass = com::query<host::IClass>(&table);
  for (const auto& f : fields) positions.push_back(f.firstLast ? tableClass->FindField(f.name) : -1);
  constexpr std::size_t kBatch = 5000;
  for (std::size_t start = 0; start < wanted.size(); start += kBatch) {
    std::string list;
    for (std::size_t i = start; i < std::min(wanted.size(), start + kBatch); ++i)
      list += (list.empty() ? "" : ",") + std::to_string(wanted[i]);
    filter->WhereClause(text::fromUtf8(pgName(idColumn) + " IN (" + list + ")"));
    auto cursor = table.Search(filter.get(), true);
    while (auto row = cursor->NextRow()) {
      auto& v = values[row->OID()];
      for (int p : positions) v.push_back(p >= 0 ? row->Value(p) : host::Value());
    }
  }
  for (auto& g : groups) {
    const auto first = values.find(g.firstId), last = values.find(g.lastId);
    for (std::size_t k = 0; k < fields.size(); ++k) {
      if (!fields[k].firstLast) continue;
      if (first != values.end()) g.fields[k].first = first->second[k];
      if (last != values.end()) g.fields[k].last = last->second[k];
    }
  }
}

}  // namespace mapdoc::data
