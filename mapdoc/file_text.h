#pragma once
// Reading a user's file whole, with the errors documents report.
#include <filesystem>
#include <string>

#include "mapdoc/json/json.h"

namespace mapdoc {

// The file's bytes. Throws DocumentError when it cannot be read.
std::string readFileText(const std::filesystem::path& file);

// What the file holds now; "" when it cannot be read (gone, say).
std::string currentFileText(const std::filesystem::path& file);

// The file as JSON. Throws DocumentError when it cannot be read or parsed.
Json readJsonFile(const std::filesystem::path& file);

}  // namespace mapdoc
