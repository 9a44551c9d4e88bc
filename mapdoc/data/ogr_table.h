#pragma once
// A vector layer of any OGR source as the host's feature class and table.
#include <memory>

#include "mapdoc/data/field_list.h"
#include "mapdoc/data/layer_handles.h"
#include "mapdoc/data/source_kind.h"

namespace mapdoc::data {

// Answers how the where clauses of a table name fields (for the renderers'
// clauses and for joins).
struct ITableDialect : host::IUnknown {
  COM_INTERFACE("4E0C2B7A-5D1F-4B6E-9A35-7C81D2F0E6A4")
  virtual FieldQuoting Quoting() = 0;
  virtual host::Text TableName() = 0;
};

class OgrTable : public com::Object<host::IFeatureClass, host::ITable, host::IClass, host::IDatasetName, host::IName,
                                    ITableDialect> {
 public:
  // Throws HostError when the source cannot be opened.
  OgrTable(const std::string& openName, const std::string& layer);

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

  const host::Ref<FieldList>& fieldList() const { return fields_; }

 private:
  // A handle whose layer has the filter's clause set, in OGR's dialect.
  std::unique_ptr<LayerHandle> filtered(host::IQueryFilter* filter);

  std::shared_ptr<LayerHandles> handles_;
  host::Ref<FieldList> fields_;
  SourceKind kind_;
  host::Text name_;
  host::Text shapeField_;
  int shapeType_ = 0;
};

}  // namespace mapdoc::data
