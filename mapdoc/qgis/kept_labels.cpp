#include "mapdoc/qgis/kept_labels.h"

#include "mapdoc/atomic_file.h"
#include "mapdoc/document_error.h"
#include "mapdoc/file_text.h"
#include "mapdoc/json/json_text.h"

namespace mapdoc::qgis {
namespace {

constexpr char kKeptLabelsFormat[] = "carrowind-kept-labels";

}  // namespace

Json readKeptLabels(const std::filesystem::path& file) {
  std::error_code ec;
  if (!std::filesystem::exists(file, ec)) return Json::object();
  const Json json = readJsonFile(file);
  if (!json.is_object() || json.value("format", "") != kKeptLabelsFormat || !json.contains("layers") || !json["layers"].is_object())
    throw DocumentError(file, "", std::string("is not a file of kept labels (\"format\": \"") + kKeptLabelsFormat + "\")");
  for (const auto& [id, layer] : json["layers"].items())
    if (!layer.is_object()) throw DocumentError(file, "layers." + id, "expected an object");
  return json["layers"];
}

void writeKeptLabels(const std::filesystem::path& file, const Json& layers) {
  std::error_code ec;
  // A link the user made stays, holding no layer: removing it would lose
  // it, removing what it names would leave it dangling.
  if (layers.empty() && !std::filesystem::is_symlink(file, ec)) {
    std::filesystem::remove(file, ec);
    if (ec) throw std::runtime_error("cannot remove " + file.string() + ": " + ec.message());
    return;
  }
  const Json json = {{"format", kKeptLabelsFormat}, {"version", 1}, {"layers", layers}};
  writeFileAtomically(file, jsonText(json) + "\n");
}

Json keptWhileSaving(const Json& before, const Json& after) {
  Json out = after;
  for (const auto& [id, layer] : before.items()) {
    if (!out.contains(id)) {
      out[id] = layer;
      continue;
    }
    for (const auto& [member, value] : layer.items())
      if (!out[id].contains(member)) out[id][member] = value;
  }
  return out;
}

}  // namespace mapdoc::qgis
