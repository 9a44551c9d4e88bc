#pragma once
// Entry points of our host's data access over GDAL/OGR. Everything handed
// out answers the host interfaces (host/table.h, host/layer.h); the rest of
// mapdoc builds layers, renderers and documents on top of these.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "host/host.h"

namespace mapdoc {

// Where a layer's or a table's records live: a file path (relative paths
// resolve against baseDir) or a connection string, and the layer within it
// ("" for the first, or only, layer).
struct SourceSpec {
  std::string path;
  std::string connection;
  std::string layer;
};

// The name GDAL opens a source by: its connection, or its path resolved
// against baseDir. Throws HostError when it names neither.
std::string openName(const SourceSpec& source, const std::filesystem::path& baseDir);

// Opens a vector layer. The object answers IFeatureClass, ITable, IClass,
// IDatasetName and IName. Fields come in the order a desktop GIS shows them:
// object ID, geometry, attributes. Throws HostError with a message that
// names the source when it cannot be opened.
host::Ref<host::IFeatureClass> openFeatureClass(const SourceSpec& source, const std::filesystem::path& baseDir);

// Opens a table to join (any OGR vector source, with or without geometry).
host::Ref<host::ITable> openTable(const SourceSpec& source, const std::filesystem::path& baseDir);

// Whether a path names a raster dataset (for raster layers).
bool isRaster(const SourceSpec& source, const std::filesystem::path& baseDir);

// How a joined table names and picks its fields.
struct JoinOptions {
  // false: every field is "<table>.<field>". true (as QGIS names them): the
  // layer's fields keep their names and the joined table's are prefix +
  // name, leaving out its key unless fields lists it, and any whose name the
  // layer already has.
  bool prefixed = false;
  host::Text prefix;
  std::optional<std::vector<host::Text>> fields;  // only these joined fields
  std::string where;  // only the joined records passing this clause
};

// The display table of a layer joined with another table, every layer record
// kept (left join on layerField = joinField). Answers ITable, IClass and
// IRelQueryTable; where clauses may name every field.
host::Ref<host::ITable> joinTables(host::ITable* layerTable, host::ITable* joinTable, const host::Text& layerField,
                                   const host::Text& joinField, const JoinOptions& options = {});

// A fixed set of records of a table by object ID.
host::Ref<host::ISelectionSet> makeSelectionSet(host::ITable* table, const std::vector<std::int32_t>& oids);

// A field name as a where clause of this table must write it ("NAME" for
// most sources, [NAME] for personal geodatabases, NAME for enterprise
// databases).
host::Text quoteField(host::ITable* table, const host::Text& field);

// Registers the factories of the host's creatable classes (host/classes.h).
// Safe to call more than once.
void registerHostClasses();

}  // namespace mapdoc
