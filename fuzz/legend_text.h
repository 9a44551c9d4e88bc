#pragma once
// What `carrowind legend` and `carrowind legend --json` print for every
// layer of a document, made by the command's own listing code so that the
// fuzzers ask the renderers exactly what the command asks.
#include <filesystem>
#include <string>

#include "apps/carrowind/legend_listing.h"
#include "mapdoc/document.h"

namespace fuzzing {

// The document in file, or none when it is refused as the command refuses it.
inline host::Ref<mapdoc::MapDocument> openedOrNone(const std::filesystem::path& file) {
  try {
    return mapdoc::MapDocument::open(file);
  } catch (const mapdoc::DocumentError&) {
    return nullptr;
  }
}

inline std::string legendText(const mapdoc::MapDocument& doc) {
  std::string out;
  for (const auto& layer : doc.layers()) {
    const auto listing = carrowind::cli::listLegend(layer.get());
    out += carrowind::cli::toText(listing);
    // throws on text that is not UTF-8, as the command would
    out += carrowind::cli::toJson(listing).dump(2);
  }
  return out;
}

}  // namespace fuzzing
