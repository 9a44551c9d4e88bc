#pragma once
// What the host says about a kind of data source: the category text a
// desktop GIS shows for it and how its where clauses name fields.
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
  bool ownFidName = false;  // the source names its object-ID column itself
  // SQLite reads a double-quoted name that is no column as a text literal,
  // so a misspelt field would select nothing instead of failing.
  bool quotedUnknownIsText = false;
};

// driver: the GDAL short name ("ESRI Shapefile", "GPKG", ...); spatial:
// whether the layer has geometry (tables get "... Table").
SourceKind sourceKind(const std::string& driver, bool spatial);

}  // namespace mapdoc::data
