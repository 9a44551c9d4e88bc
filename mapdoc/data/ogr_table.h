#pragma once
// A vector layer of any OGR source as the host's feature class and table.
#include <memory>

#include "host/grouped_statistics.h"
#include "mapdoc/data/field_list.h"
#include "mapdoc/data/id_cache.h"
#include "mapdoc/data/open.h"
#include "mapdoc/data/source_kind.h"
#include "mapdoc/data/table_state.h"

namespace mapdoc::data {

// Answers how the where clauses of a table name fields (for the renderers'
// clauses and for joins).
struct ITableDialect : host::IUnknown {
  COM_INTERFACE("4E0C2B7A-5D1F-4B6E-9A35-7C81D2F0E6A4")
  virtual FieldQuoting Quoting() = 0;
  virtual host::Text TableName() = 0;
  // Who evaluates the table's where clauses.
  virtual FilterEngine Filters() = 0;
};

// Object IDs of a table's records, for selection sets that read a few
// records of a large table.
struct ITableIds : host::IUnknown {
  COM_INTERFACE("9A3E51C4-2B7D-4F08-8C6A-1D5E7B9F0A32")
  // False when the source cannot read a record by its ID quickly.
  virtual bool ReadsById() = 0;
  // The IDs of the records that pass the filter, in the table's order.
  virtual std::shared_ptr<const IdList> MatchingIds(host::IQueryFilter* filter) = 0;
  // The records of ids, reading the fields the filter's SubFields names
  // (filter may be null: what callers have wanted so far).
  virtual host::Ref<host::ICursor> SearchIds(std::shared_ptr<const IdList> ids, bool recycling,
                                             host::IQueryFilter* fields) = 0;
};

class OgrTable : public com::Object<host::IFeatureClass, host::ITable, host::IClass, host::IDatasetName, host::IName,
                                    host::ITableSize, host::IGroupedStatistics, ITableDialect, ITableIds> {
 public:
  // Throws HostError when the source cannot be opened. kind overrides what
  // the driver tells (tests read a shapefile in another dialect).
  explicit OgrTable(OpenRequest request, const SourceKind* kind = nullptr);
  OgrTable(const std::string& openName, const std::string& layer, const SourceKind* kind = nullptr)
      : OgrTable(OpenRequest{openName, layer}, kind) {}

  // IFeatureClass
  host::Text AliasName() override { return name_; }
  host::Text ShapeFieldName() override { return shapeField_; }
  int ShapeType() override { return shapeType_; }
  std::int32_t FeatureCount(host::IQueryFilter* filter) override { return RowCount(filter); }
  // ITable
  host::Ref<host::ICursor> Search(host::IQueryFilter* filter, bool recycling) override;
  std::int32_t RowCount(host::IQueryFilter* filter) override;
  // IClass
  int FindField(const host::Text& name) override { return fields_->FindField(name); }
  host::Ref<host::IFields> Fields() override { return fields_; }
  bool HasOID() override { return true; }
  host::Text OIDFieldName() override { return fields_->infos().front().name; }
  // IDatasetName, IName
  host::Text Name() override { return name_; }
  host::Text Category() override;
  host::Text NameString() override { return name_; }
  // ITableDialect
  FieldQuoting Quoting() override { return kind_.quoting; }
  host::Text TableName() override { return name_; }
  FilterEngine Filters() override { return kind_.filters; }
  // ITableIds
  bool ReadsById() override { return state_->lazyFields; }
  std::shared_ptr<const IdList> MatchingIds(host::IQueryFilter* filter) override;
  host::Ref<host::ICursor> SearchIds(std::shared_ptr<const IdList> ids, bool recycling,
                                     host::IQueryFilter* fields) override;
  // ITableSize
  std::int64_t KnownRowCount() override;
  // IGroupedStatistics: computed by the server on PostgreSQL tables.
  std::optional<std::vector<host::GroupSummary>> GroupedStatistics(host::IQueryFilter* filter,
                                                                    const std::vector<std::int32_t>* ids,
                                                                    const host::RecordGrouping& grouping,
                                                                    const std::vector<host::GroupedField>& fields) override;

  const host::Ref<FieldList>& fieldList() const { return fields_; }

 private:
  // The filter's clause in OGR's dialect; "" for every record.
  std::string ogrClause(host::IQueryFilter* filter);
  // Before a search: data changed on disk invalidates what was learnt.
  void checkFresh();
  // A handle reading at least need (everything when fields cannot be left
  // out) with the clause set as its filter.
  std::unique_ptr<LayerHandle> filtered(const std::string& clause, LoadedFields need);
  // The IDs passing the clause, read with as little as the clause needs.
  std::shared_ptr<const IdList> scanIds(const std::string& clause);
  host::Ref<host::IUnknown> self();
  // What a read for filter brings in: the fields its SubFields names (and
  // the shape when named), else what callers have wanted so far.
  LoadedFields readFor(host::IQueryFilter* filter);
  bool chooses(host::IQueryFilter* filter);  // whether its SubFields names fields

  std::shared_ptr<TableState> state_;
  host::Ref<FieldList> fields_;
  SourceKind kind_;
  host::Text name_;
  host::Text shapeField_;
  int shapeType_ = 0;
  std::string signature_;  // the layer's field names and types, to notice a changed schema
  bool schemaChanged_ = false;
};

}  // namespace mapdoc::data
