#include "mapdoc/data/source_kind.h"

namespace mapdoc::data {

SourceKind sourceKind(const std::string& driver, bool spatial) {
  const std::string suffix = spatial ? " Feature Class" : " Table";
  SourceKind k{driver + suffix};
  if (driver == "ESRI Shapefile") {
    k.category = spatial ? "Shapefile Feature Class" : "dBASE Table";
    k.recordNumberFid = true;
    k.fastReadById = true;
  } else if (driver == "PGeo" || driver == "MDB") {
    k.category = "Personal Geodatabase" + suffix;
    k.quoting = FieldQuoting::Brackets;
    k.filters = FilterEngine::Other;
  } else if (driver == "OpenFileGDB" || driver == "FileGDB") {
    k.category = "File Geodatabase" + suffix;
    k.fastReadById = driver == "OpenFileGDB";
  } else if (driver == "GPKG") {
    k.category = "GeoPackage" + suffix;
    k.quotedUnknownIsText = true;
    k.filters = FilterEngine::SQLite;
  } else if (driver == "SQLite") {
    k.category = "SQLite" + suffix;
    k.quotedUnknownIsText = true;
    k.filters = FilterEngine::SQLite;
  } else if (driver == "PostgreSQL") {
    k.category = "PostgreSQL" + suffix;
    // PostgreSQL folds a bare name to lower case: "TOWN" must be quoted.
    k.filters = FilterEngine::PostgreSQL;
  } else if (driver == "CSV") {
    k.category = spatial ? "Text File Feature Class" : "Text File";
  }
  return k;
}

}  // namespace mapdoc::data
