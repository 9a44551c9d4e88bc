#pragma once
// The file beside a QGIS project or style in which this program keeps, per
// layer, what it needs across runs (the labels from before the first apply;
// legend items' own labels that earlier versions replaced, which reset still
// gives back), since QGIS's own XML is no place for it:
//   {"format": "carrowind-kept-labels", "version": 1,
//    "layers": {"<QGIS layer id>": {"name": ..., "original_labels": ..., "legend_overrides": [...]}}}
#include <filesystem>

#include "mapdoc/json/json.h"

namespace mapdoc::qgis {

// The layers object of the file, empty when there is no file. Throws
// DocumentError for a file that is not one of these.
Json readKeptLabels(const std::filesystem::path& file);

// Writes layers atomically (through a symbolic link); with no layer left,
// removes the file, or empties it when it is a link. Throws
// std::runtime_error.
void writeKeptLabels(const std::filesystem::path& file, const Json& layers);

// What to keep while a save is under way: every layer of after, and of
// before whatever after dropped, so that labels still needed are never only
// in memory.
Json keptWhileSaving(const Json& before, const Json& after);

}  // namespace mapdoc::qgis
