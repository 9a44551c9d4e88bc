#pragma once
// Tables, fields, filters, cursors, rows and selection sets.
#include <vector>

#include "host/types.h"

namespace host {

struct IField : IUnknown {
  COM_INTERFACE("24C328DF-CB64-4D5C-86EF-C0793E91883E")
  virtual Text Name() = 0;
  virtual Text AliasName() = 0;
  virtual int Type() = 0;  // a FieldType code
  virtual int Length() = 0;
};

struct IFields : IUnknown {
  COM_INTERFACE("025D8ADC-5231-40F5-BE44-F81145D60E3A")
  virtual int FieldCount() = 0;
  virtual Ref<IField> Field(int index) = 0;  // throws for an index out of range
  virtual int FindField(const Text& name) = 0;  // -1 when missing; letter case ignored
};

// The record filter: a where clause in the data source's own dialect.
struct IQueryFilter : IUnknown {
  COM_INTERFACE("096F8365-F97A-458A-A0BA-F5416E453081")
  virtual Text WhereClause() = 0;
  virtual void WhereClause(const Text& clause) = 0;
  virtual Text SubFields() = 0;  // "*" unless narrowed
  virtual void SubFields(const Text& fields) = 0;
};

// Field values of one record by position, as the table's fields order them.
struct IRowBuffer : IUnknown {
  COM_INTERFACE("FB8B1D84-55EF-454A-A6A8-E6E926451975")
  virtual host::Value Value(int index) = 0;
  virtual Ref<IFields> Fields() = 0;
};

struct IRow : IRowBuffer {
  using ComBase = IRowBuffer;
  COM_INTERFACE("07F490B8-1308-48A4-94E2-1FD190ADBFE2")
  virtual bool HasOID() = 0;
  virtual std::int32_t OID() = 0;
};

// A forward walk over records. A recycling cursor hands out the same row
// object on every call, refilled; NextRow gives null at the end.
struct ICursor : IUnknown {
  COM_INTERFACE("7AD17591-0D4C-4159-9CFD-B473B7011DD7")
  virtual Ref<IRow> NextRow() = 0;
  virtual Ref<IFields> Fields() = 0;
  virtual int FindField(const Text& name) = 0;
};

struct IClass : IUnknown {
  COM_INTERFACE("8707863C-0423-4113-AE1D-1D1593798DFF")
  virtual int FindField(const Text& name) = 0;  // -1 when missing
  virtual Ref<IFields> Fields() = 0;
  virtual bool HasOID() = 0;
  virtual Text OIDFieldName() = 0;
};

struct ITable : IUnknown {
  COM_INTERFACE("42B75E74-E0E3-4D5A-875A-A7C29F0060FF")
  // filter may be null (every record). The where clause is passed to the
  // data source; a clause it cannot parse throws with its own error text.
  // Records come in the data source's order, which a clause may change (an
  // attribute index returns them by value); callers that need an order go
  // by object ID.
  virtual Ref<ICursor> Search(IQueryFilter* filter, bool recycling) = 0;
  virtual std::int32_t RowCount(IQueryFilter* filter) = 0;
};

// The number of records a table holds, where the data source knows it
// without reading them (a file header, a catalogue); for progress displays.
struct ITableSize : IUnknown {
  COM_INTERFACE("BD4E73CD-743B-4103-8495-EAA9CD91643D")
  virtual std::int64_t KnownRowCount() = 0;  // -1 when only a count would tell
};

// A fixed set of records of one table, addressed by object ID.
struct ISelectionSet : IUnknown {
  COM_INTERFACE("BF214733-CD42-4192-A30C-4193F8FA98D9")
  virtual std::int32_t Count() = 0;
  // The records of the set that pass the filter, in the table's order.
  virtual void Search(IQueryFilter* filter, bool recycling, Ref<ICursor>& cursor) = 0;
  virtual std::vector<std::int32_t> IDs() = 0;
  virtual void Add(std::int32_t oid) = 0;
  virtual Ref<ITable> Target() = 0;
};

// A table made by joining another table to a layer's own (a join).
struct IRelQueryTable : IUnknown {
  COM_INTERFACE("2AF1BF18-C84F-43C5-B72C-F4D0CA831DD8")
  virtual Ref<ITable> SourceTable() = 0;
  virtual Ref<ITable> DestinationTable() = 0;
};

// The shape of a feature, for drawing.
struct IGeometry : IUnknown {
  COM_INTERFACE("F02C3004-F1F4-4FD3-A9B3-269A0C881958")
  virtual std::vector<std::uint8_t> Wkb() = 0;  // ISO well-known binary
  virtual bool IsEmpty() = 0;
  virtual void QueryExtent(double& xmin, double& ymin, double& xmax, double& ymax) = 0;
};

struct IFeature : IRow {
  using ComBase = IRow;
  COM_INTERFACE("D5E5354E-C51D-4614-950E-D5D2BBEAA875")
  virtual Ref<IGeometry> Shape() = 0;  // null when the record has none
};

// A table whose records have shapes; also answers for ITable and IClass.
struct IFeatureClass : IUnknown {
  COM_INTERFACE("FB337D7F-9FC2-4436-80AF-3342EA604773")
  virtual Text AliasName() = 0;
  virtual Text ShapeFieldName() = 0;
  virtual int ShapeType() = 0;  // OGRwkbGeometryType of the layer
  virtual std::int32_t FeatureCount(IQueryFilter* filter) = 0;
};

}  // namespace host
