#include "mapdoc/data/source_kind.h"

namespace mapdoc::data {

SourceKind sourceKind(const std::string& driver, bool spatial) {
  const std::string suffix = spatial ? " Feature Class" : " Table";
  if (driver == "ESRI Shapefile") return {spatial ? "Shapefile Feature Class" : "dBASE Table", FieldQuoting::DoubleQuotes, false};
  if (driver == "PGeo" || driver == "MDB")
    return {"Personal Geodatabase" + suffix, FieldQuoting::Brackets, true};
  if (driver == "OpenFileGDB" || driver == "FileGDB")
    return {"File Geodatabase" + suffix, FieldQuoting::DoubleQuotes, true};
  if (driver == "GPKG") return {"GeoPackage" + suffix, FieldQuoting::DoubleQuotes, true, true};
  if (driver == "PostgreSQL") return {"PostgreSQL" + suffix, FieldQuoting::Bare, true};
  if (driver == "SQLite") return {"SQLite" + suffix, FieldQuoting::DoubleQuotes, true, true};
  if (driver == "CSV") return {spatial ? "Text File Feature Class" : "Text File", FieldQuoting::DoubleQuotes, false};
  return {driver + suffix, FieldQuoting::DoubleQuotes, false};
}

}  // namespace mapdoc::data
