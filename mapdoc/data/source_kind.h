#pragma once
// What the host says about a kind of data source: the category text a
// desktop GIS shows for it, how its where clauses name fields, and how its
// records are best read.
#include <string>

namespace mapdoc::data {

// Who evaluates a table's where clauses, and so how they compare text and
// dates and read literals: OGR's own SQL, or the database behind the driver.
enum class FilterEngine {
  Ogr,         // shapefiles, CSV, File Geodatabases, in-memory copies
  SQLite,      // GeoPackage and SQLite files
  PostgreSQL,  // PostGIS
  Other,       // another database (personal geodatabases)
};

enum class FieldQuoting {
  DoubleQuotes,  // "NAME": shapefiles and most file formats
  Brackets,      // [NAME]: personal geodatabases
  Bare,          // NAME: enterprise databases
};

struct SourceKind {
  std::string category;  // e.g. "Shapefile Feature Class"
  FieldQuoting quoting = FieldQuoting::DoubleQuotes;
  // The object ID is the record number, shown as "FID", and the geometry is
  // "Shape" (shapefiles and dBASE tables); other sources name their columns.
  bool recordNumberFid = false;
  // SQLite reads a double-quoted name that is no column as a text literal,
  // so a misspelt field would select nothing instead of failing.
  bool quotedUnknownIsText = false;
  // One record is read by its ID at a fixed offset, so reading the IDs a
  // clause selected beats evaluating the clause again.
  bool fastReadById = false;
  FilterEngine filters = FilterEngine::Ogr;
};

// driver: the GDAL short name ("ESRI Shapefile", "GPKG", ...); spatial:
// whether the layer has geometry (tables get "... Table").
SourceKind sourceKind(const std::string& driver, bool spatial);

}  // namespace mapdoc::data
