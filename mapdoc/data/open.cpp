#include "mapdoc/data/open.h"

#include <gdal_priv.h>
#include <sys/stat.h>

#include <cctype>
#include <charconv>
#include <mutex>
#include <string_view>

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

// The parts QGIS's ogr provider writes after a file's path; "|subset=" is
// the layer's filter, not how the file opens, and is read apart.
constexpr std::string_view kPathParts[] = {"option:", "layerid=", "layername=", "geometrytype=", "uniqueGeometryType="};

bool startsPathPart(std::string_view rest) {
  for (auto key : kPathParts)
    if (rest.substr(0, key.size()) == key) return true;
  return false;
}

}  // namespace

std::pair<std::string, std::string> splitSourcePath(const std::string& path) {
  for (auto bar = path.find('|'); bar != std::string::npos; bar = path.find('|', bar + 1))
    if (startsPathPart(std::string_view(path).substr(bar + 1))) return {path.substr(0, bar), path.substr(bar)};
  return {path, ""};
}

bool isSelectStatement(const std::string& filter) {
  static constexpr std::string_view kSelect = "select ";
  if (filter.size() < kSelect.size()) return false;
  for (std::size_t i = 0; i < kSelect.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(filter[i])) != kSelect[i]) return false;
  return true;
}

OpenRequest openRequest(const SourceSpec& source, const std::filesystem::path& baseDir) {
  OpenRequest out;
  out.layer = source.layer;
  out.statement = source.statement;
  if (!source.connection.empty()) {
    refuseNul(source.connection, "the connection");
    out.name = source.connection;
    return out;
  }
  auto [file, parts] = splitSourcePath(source.path);
  if (file.empty()) data::throwHostError("the data source names neither a path nor a connection");
  refuseNul(source.path, "the data path");
  for (std::size_t start = 1; start < parts.size();) {
    auto end = parts.find('|', start);
    if (end == std::string::npos) end = parts.size();
    const std::string part = parts.substr(start, end - start);
    start = end + 1;
    if (part.rfind("option:", 0) == 0) {
      if (part.find('=') == std::string::npos)
        data::throwHostError("the open option \"" + part.substr(7) + "\" of \"" + source.path + "\" is not KEY=VALUE");
      out.options.push_back(part.substr(7));
    } else if (part.rfind("layerid=", 0) == 0) {
      const std::string number = part.substr(8);
      int index = -1;
      const auto [at, error] = std::from_chars(number.data(), number.data() + number.size(), index);
      if (error != std::errc() || at != number.data() + number.size() || index < 0)
        data::throwHostError("\"" + part + "\" in \"" + source.path + "\" names no layer by number");
      out.layerIndex = index;
    } else if (part.rfind("layername=", 0) == 0 && out.layer.empty()) {
      out.layer = part.substr(10);
    }
    // geometrytype= and uniqueGeometryType= pick geometries QGIS draws, not records
  }
  std::filesystem::path p(file);
  if (p.is_relative()) p = baseDir / p;
  out.name = p.lexically_normal().string();
  refuseSpecialFile(out.name);
  return out;
}

std::string openName(const SourceSpec& source, const std::filesystem::path& baseDir) {
  return openRequest(source, baseDir).name;
}

host::Ref<host::IFeatureClass> openFeatureClass(const SourceSpec& source, const std::filesystem::path& baseDir) {
  return com::make<data::OgrTable>(openRequest(source, baseDir));
}

host::Ref<host::ITable> openTable(const SourceSpec& source, const std::filesystem::path& baseDir) {
  return com::make<data::OgrTable>(openRequest(source, baseDir));
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
