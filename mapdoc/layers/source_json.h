#pragma once
// The data source of a feature or raster layer in documents: {"path": ...,
// "layer": ...} or {"connection": ..., "layer": ...}, a relative path read
// against the document's folder.
#include <filesystem>
#include <string>

#include "mapdoc/data/open.h"
#include "mapdoc/json/json_reader.h"
#include "mapdoc/json/persist_json.h"

namespace mapdoc {

// A source's document form with its path relative to the target folder
// when it was relative when read.
Json sourceToJson(const SourceSpec& source, const Members& members, const std::filesystem::path& baseDir,
                  const SaveContext& context);
SourceSpec readSource(const JsonReader& json, Members& members);
// A relative path read against fromDir, as seen from toDir; absolute when
// no relative path leads there (another drive or root).
std::string relocatePath(const std::string& path, const std::filesystem::path& fromDir, const std::filesystem::path& toDir);

}  // namespace mapdoc
