#pragma once
// Entry points of our host's data access over GDAL/OGR. Everything handed
// out answers the host interfaces (host/table.h, host/layer.h); the rest of
// mapdoc builds layers, renderers and documents on top of these.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/host.h"

namespace mapdoc {

// Where a layer's or a table's records live: a file path (relative paths
// resolve against baseDir) or a connection string, and the layer within it
// ("" for the first, or only, layer). A path may end in what QGIS's ogr
// provider opens a file with, as QGIS writes it: the driver's open options
// ("|option:KEY=VALUE", any number) and a layer by position ("|layerid=N",
// counted from 0 in the dataset's order; a layer name wins over it).
struct SourceSpec {
  std::string path;
  std::string connection;
  std::string layer;
  // A whole SELECT statement the dataset runs (GDAL's ExecuteSQL, in the
  // driver's own dialect: OGR SQL for shapefiles and CSV, SQLite for
  // GeoPackages): its result is the records, fields and object IDs.
  std::string statement = {};
};

// What GDAL is asked to open for a source.
struct OpenRequest {
  std::string name;                       // the path resolved against baseDir, or the connection
  std::string layer = {};                 // "" for the layer at layerIndex (the first when -1)
  int layerIndex = -1;
  std::vector<std::string> options = {};  // KEY=VALUE open options
  std::string statement = {};             // "" for the layer itself
};

OpenRequest openRequest(const SourceSpec& source, const std::filesystem::path& baseDir);

// The name GDAL opens a source by: its connection, or its path (without
// the parts above) resolved against baseDir. Throws HostError when it names
// neither.
std::string openName(const SourceSpec& source, const std::filesystem::path& baseDir);

// A path split into the file and what follows it ("|option:...|layerid=N",
// "" when nothing does), so that the file can be moved on its own.
std::pair<std::string, std::string> splitSourcePath(const std::string& path);

// Whether a layer filter is a whole statement rather than a where clause:
// QGIS's ogr provider runs a subset string starting with "SELECT " (in any
// letter case, nothing before it) through ExecuteSQL.
bool isSelectStatement(const std::string& filter);

// Opens a vector layer. The object answers IFeatureClass, ITable, IClass,
// IDatasetName and IName. Fields come in the order a desktop GIS shows them:
// object ID, geometry, attributes. Throws HostError with a message that
// names the source when it cannot be opened.
host::Ref<host::IFeatureClass> openFeatureClass(const SourceSpec& source, const std::filesystem::path& baseDir);

// Opens a table to join (any OGR vector source, with or without geometry).
host::Ref<host::ITable> openTable(const SourceSpec& source, const std::filesystem::path& baseDir);

// Whether a path names a raster dataset (for raster layers).
bool isRaster(const SourceSpec& source, const std::filesystem::path& baseDir);

// Which joined record a layer record takes when several share its key, and
// how keys of different types meet.
enum class JoinMatch {
  // The first whose key equals the layer's: numbers by value (7 meets 7.0),
  // and a text that reads as a number meets that number either way (12
  // meets "012" and "12.0"); texts exactly, dates by time; a null key meets
  // nothing.
  FirstEqual,
  // QGIS's join with its memory cache (memoryCache="1"): keys meet when Qt
  // writes them out alike (qtText in join_keys.h: 12 meets "12" but not
  // "012", "12.0" or 12.5; 1000000.0 meets "1e+06"; a null number meets
  // "0"), and of joined records with one key the last wins.
  QgisCached,
  // QGIS's join without the cache: the first record for which the layer's
  // value v makes "key" = v true in QGIS's expressions: null meets null,
  // numbers meet numbers and texts that read as numbers by value ("012"
  // and " 12" meet 12), text meets text exactly. A GeoPackage's SQLite
  // evaluates that instead, where a text key meets a number only as
  // SQLite writes the number ("1200000"; 1e6 as "1000000.0").
  QgisDirect,
};

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
  JoinMatch match = JoinMatch::FirstEqual;
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
