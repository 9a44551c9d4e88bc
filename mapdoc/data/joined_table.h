#pragma once
// A layer's table with another table joined to it on a key: every record of
// the layer once, with the joined table's values of one matching record
// (JoinMatch says which), or nulls. Fields are named "table.field", or as QGIS names them
// (JoinOptions). Where clauses are
// evaluated by OGR over an in-memory copy, so they may name any field of
// either table.
#include <gdal_priv.h>

#include <memory>
#include <vector>

#include "mapdoc/data/field_list.h"
#include "mapdoc/data/id_cache.h"
#include "mapdoc/data/join_count.h"
#include "mapdoc/data/ogr_table.h"
#include "mapdoc/data/open.h"

namespace mapdoc::data {

class JoinedTable
    : public com::Object<host::ITable, host::IClass, host::IRelQueryTable, host::ITableSize, ITableDialect,
                         IJoinCount> {
 public:
  // Reads both tables. Throws HostError when a key field is missing.
  JoinedTable(host::ITable* layerTable, host::ITable* joinTable, const host::Text& layerField,
              const host::Text& joinField, const JoinOptions& options = {});

  host::Ref<host::ICursor> Search(host::IQueryFilter* filter, bool recycling) override;
  std::int32_t RowCount(host::IQueryFilter* filter) override;
  int FindField(const host::Text& name) override { return fields_->FindField(name); }
  host::Ref<host::IFields> Fields() override { return fields_; }
  bool HasOID() override { return true; }
  host::Text OIDFieldName() override { return fields_->infos().front().name; }
  host::Ref<host::ITable> SourceTable() override { return source_; }
  host::Ref<host::ITable> DestinationTable() override { return destination_; }
  std::int64_t KnownRowCount() override { return static_cast<std::int64_t>(rows_->size()); }
  FieldQuoting Quoting() override { return quoting_; }
  host::Text TableName() override { return name_; }
  FilterEngine Filters() override { return FilterEngine::Ogr; }  // an OGR memory layer
  JoinCount Count() override { return count_; }

  using Values = std::vector<host::Value>;

 private:
  std::vector<std::size_t> matching(host::IQueryFilter* filter);
  void buildFilterLayer();

  host::Ref<host::ITable> source_, destination_;
  host::Ref<FieldList> fields_;
  FieldQuoting quoting_ = FieldQuoting::DoubleQuotes;
  host::Text name_;
  std::shared_ptr<const std::vector<Values>> rows_;
  std::vector<std::string> fieldNames_;
  GDALDatasetUniquePtr memory_;
  OGRLayer* filterLayer_ = nullptr;
  std::vector<int> memoryField_;  // per host field: the in-memory field, -1 when not copied
  IdCache selected_;              // row positions per clause
  JoinCount count_;
};

}  // namespace mapdoc::data
