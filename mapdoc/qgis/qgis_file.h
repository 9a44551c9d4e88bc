#pragma once
// The kinds of QGIS file read as documents, told by their extension.
#include <filesystem>
#include <optional>
#include <string>

namespace mapdoc::qgis {

enum class FileKind {
  Project,        // .qgs
  ZippedProject,  // .qgz
  Style,          // .qml, a layer style
};

// The kind of file, or none for a file that is not a QGIS one.
std::optional<FileKind> fileKind(const std::filesystem::path& file);

// "project (.qgs)", ...
std::string describe(FileKind kind);

// The file beside a project or style that keeps the labels from before the
// first apply: "<file name>.carrowind.json".
std::filesystem::path keptLabelsFile(const std::filesystem::path& file);

}  // namespace mapdoc::qgis
