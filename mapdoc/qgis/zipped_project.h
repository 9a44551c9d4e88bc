#pragma once
// A zipped QGIS project (.qgz): a zip archive holding the project (.qgs)
// and whatever QGIS keeps beside it (the auxiliary storage, .qgd).
#include <string>

namespace mapdoc::qgis {

struct ZippedProject {
  std::string member;  // the name of the .qgs inside
  std::string text;    // its contents
};

// Throws std::runtime_error when archive is no zip archive or holds no .qgs.
ZippedProject unzipProject(const std::string& archive);

// archive with the member's contents replaced by text: the same members,
// in the same order, with the same names and times (the project's time is
// now). Throws std::runtime_error.
std::string rezipProject(const std::string& archive, const std::string& member, const std::string& text);

}  // namespace mapdoc::qgis
