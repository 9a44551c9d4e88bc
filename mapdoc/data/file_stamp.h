#pragma once
// The size and modification time of a dataset's files, to notice that the
// data changed on disk between two searches.
#include <gdal_priv.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace mapdoc::data {

struct FileStamp {
  struct Entry {
    std::string path;
    std::uintmax_t size = 0;
    std::filesystem::file_time_type modified{};
    friend bool operator==(const Entry&, const Entry&) = default;
  };
  std::vector<Entry> files;

  // The files GDAL reads for the dataset, with a SQLite write-ahead log
  // beside them (a GeoPackage written by another program changes only that).
  static FileStamp of(GDALDataset& dataset);
  // The same files looked at again.
  FileStamp now() const;
  bool empty() const { return files.empty(); }
  friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

}  // namespace mapdoc::data
