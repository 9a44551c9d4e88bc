#include "mapdoc/data/open.h"

#include <gdal_priv.h>
#include <sys/stat.h>

#include <mutex>

#include "host/classes.h"
#include "mapdoc/data/data_statistics.h"
#include "mapdoc/data/gdal_session.h"
#include "mapdoc/data/joined_table.h"
#include "mapdoc/data/ogr_table.h"
#include "mapdoc/data/query_filter.h"
#include "mapdoc/data/selection_set.h"
#include "mapdoc/data/where_clause.h"
#include "platform/com/class_factory.h"
#include "platform/text/utf.h"

namespace mapdoc {
namespace {

// GDAL takes a C string: a NUL would silently cut the name short and open
// another file.
void refuseNul(const std::string& name, const char* what) {
  if (const auto at = name.find('\0'); at != std::string::npos)
    data::throwHostError(std::string(what) + " \"" + name.substr(0, std::min<std::size_t>(at, 200)) +
                         "\\0...\" holds a NUL character, which no file name can");
}

// A FIFO, a socket or a device would block GDAL's first read forever, or
// feed it whatever comes: only files and folders (a folder of shapefiles,
// a FileGDB) are data.
void refuseSpecialFile(const std::string& name) {
  struct stat st {};
  if (::stat(name.c_str(), &st) != 0 || S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)) return;
  const char* kind = S_ISFIFO(st.st_mode) ? "a named pipe (FIFO)"
                     : S_ISSOCK(st.st_mode) ? "a socket"
                     : S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) ? "a device"
                                                               : "not a regular file";
  data::throwHostError("the data path " + name + " is " + kind + ", not a data file");
}

}  // namespace

std::string openName(const SourceSpec& source, const std::filesystem::path& baseDir) {
  if (!source.connection.empty()) {
    refuseNul(source.connection, "the connection");
    return source.connection;
  }
  if (source.path.empty()) data::throwHostError("the data source names neither a path nor a connection");
  refuseNul(source.path, "the data path");
  std::filesystem::path p(source.path);
  if (p.is_relative()) p = baseDir / p;
  std::string name = p.lexically_normal().string();
  refuseSpecialFile(name);
  return name;
}

host::Ref<host::IFeatureClass> openFeatureClass(const SourceSpec& source, const std::filesystem::path& baseDir) {
  return com::make<data::OgrTable>(openName(source, baseDir), source.layer);
}

host::Ref<host::ITable> openTable(const SourceSpec& source, const std::filesystem::path& baseDir) {
  return com::make<data::OgrTable>(openName(source, baseDir), source.layer);
}

bool isRaster(const SourceSpec& source, const std::filesystem::path& baseDir) {
  data::ensureGdal();
  data::clearGdalError();
  GDALDatasetUniquePtr dataset(GDALDataset::Open(openName(source, baseDir).c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY));
  data::clearGdalError();
  return dataset != nullptr;
}

host::Ref<host::ITable> joinTables(host::ITable* layerTable, host::ITable* joinTable, const host::Text& layerField,
                                   const host::Text& joinField, const JoinOptions& options) {
  return com::make<data::JoinedTable>(layerTable, joinTable, layerField, joinField, options);
}

host::Ref<host::ISelectionSet> makeSelectionSet(host::ITable* table, const std::vector<std::int32_t>& oids) {
  return com::make<data::SelectionSet>(host::Ref<host::ITable>(table), oids);
}

host::Text quoteField(host::ITable* table, const host::Text& field) {
  auto dialect = com::query<data::ITableDialect>(table);
  return text::fromUtf8(data::quoteName(text::toUtf8(field), dialect ? dialect->Quoting() : data::FieldQuoting::DoubleQuotes));
}

void registerHostClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    com::CoRegisterClassObject(host::CLSID_QueryFilter, com::make<com::ClassFactory<data::QueryFilter>>().get());
    com::CoRegisterClassObject(host::CLSID_DataStatistics, com::make<com::ClassFactory<data::DataStatistics>>().get());
  });
}

}  // namespace mapdoc
