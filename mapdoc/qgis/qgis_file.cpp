#include "mapdoc/qgis/qgis_file.h"

#include <algorithm>
#include <cctype>

namespace mapdoc::qgis {

std::optional<FileKind> fileKind(const std::filesystem::path& file) {
  std::string extension = file.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (extension == ".qgs") return FileKind::Project;
  if (extension == ".qgz") return FileKind::ZippedProject;
  if (extension == ".qml") return FileKind::Style;
  return std::nullopt;
}

std::string describe(FileKind kind) {
  switch (kind) {
    case FileKind::Project: return "QGIS project (.qgs)";
    case FileKind::ZippedProject: return "zipped QGIS project (.qgz)";
    case FileKind::Style: return "QGIS layer style (.qml)";
  }
  return {};
}

std::filesystem::path keptLabelsFile(const std::filesystem::path& file) {
  return file.parent_path() / (file.filename().string() + ".carrowind.json");
}

}  // namespace mapdoc::qgis
