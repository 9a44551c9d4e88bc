#include "mapdoc/data/file_stamp.h"

#include <cctype>

namespace mapdoc::data {
namespace {

FileStamp::Entry look(const std::string& path) {
  FileStamp::Entry e{path};
  std::error_code ec;
  e.size = std::filesystem::file_size(path, ec);
  if (ec) e.size = static_cast<std::uintmax_t>(-1);
  e.modified = std::filesystem::last_write_time(path, ec);
  return e;
}

// A shapefile's parts: the files of its folder named like it, whatever the
// extension's case. Asking GDAL for them would read the .prj into a
// coordinate system, which opens PROJ's database: most of the cost of
// opening a small layer, for a list we can make ourselves.
std::vector<std::string> shapefileParts(const std::filesystem::path& main) {
  std::vector<std::string> out;
  std::error_code ec;
  const auto stem = main.stem().string();
  auto lower = [](std::string s) {
    for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  };
  const auto folder = main.has_parent_path() ? main.parent_path() : std::filesystem::path(".");
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    const auto& p = entry.path();
    if (lower(p.stem().string()) == lower(stem) && p.has_extension()) out.push_back(p.string());
  }
  if (out.empty()) out.push_back(main.string());
  return out;
}

}  // namespace

FileStamp FileStamp::of(GDALDataset& dataset) {
  FileStamp stamp;
  const std::string driver = dataset.GetDriverName();
  const std::filesystem::path main = dataset.GetDescription();
  if (driver == "ESRI Shapefile" && !std::filesystem::is_directory(main)) {
    for (const auto& f : shapefileParts(main)) stamp.files.push_back(look(f));
    return stamp;
  }
  char** list = dataset.GetFileList();
  for (char** p = list; p && *p; ++p) {
    stamp.files.push_back(look(*p));
    if (driver == "GPKG" || driver == "SQLite") stamp.files.push_back(look(std::string(*p) + "-wal"));
  }
  CSLDestroy(list);
  return stamp;
}

FileStamp FileStamp::now() const {
  FileStamp again;
  for (const auto& e : files) again.files.push_back(look(e.path));
  return again;
}

}  // namespace mapdoc::data
