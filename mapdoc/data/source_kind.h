#pragma once
// What the host says about a kind of data source: the category text a
// desktop GIS shows for it, how its where clauses name fields, and how its
// records are best read.
#include <string>

namespace mapdoc::data {

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
  // The driver hands attribute filters to a database engine of its own;
  // otherwise OGR evaluates them, and its date comparisons parse every
  // record's date, failing on a blank one.
  bool databaseFilters = false;
};

// driver: the GDAL short name ("ESRI Shapefile", "GPKG", ...); spatial:
// whether the layer has geometry (tables get "... Table").
SourceKind sourceKind(const std::string& driver, bool spatial);

}  // namespace mapdoc::data
