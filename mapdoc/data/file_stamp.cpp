#include "mapdoc/data/file_stamp.h"

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

}  // namespace

FileStamp FileStamp::of(GDALDataset& dataset) {
  FileStamp stamp;
  char** list = dataset.GetFileList();
  for (char** p = list; p && *p; ++p) {
    stamp.files.push_back(look(*p));
    const std::string driver = dataset.GetDriverName();
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
