#include "mapdoc/layers/group_layer.h"

#include "mapdoc/data/gdal_session.h"
#include "mapdoc/layers/feature_layer.h"
#include "mapdoc/layers/raster_layer.h"
#include "platform/text/utf.h"

namespace mapdoc {

host::Ref<host::ILayer> readLayer(const JsonReader& json, const std::filesystem::path& baseDir) {
  json.requireObject();
  const std::string type = json.optional("type") ? json.member("type").text() : "feature";
  if (type == "feature") return FeatureLayer::read(json, baseDir);
  if (type == "raster") return RasterLayer::read(json, baseDir);
  if (type == "group") return GroupLayer::read(json, baseDir);
  json.member("type").fail("unknown layer type \"" + type + "\" (feature, raster, group)");
}

Json layerToJson(host::ILayer* layer, const SaveContext& context) {
  auto persist = com::query<IPersistJson>(layer);
  if (!persist) throw std::runtime_error("a layer that was not read from a document cannot be saved");
  return persist->ToJson(context);
}

host::Ref<GroupLayer> GroupLayer::read(const JsonReader& json, const std::filesystem::path& baseDir) {
  auto g = com::make<GroupLayer>();
  g->members_ = json.members({"name", "type", "visible", "layers"});
  g->name_ = json.member("name").utext();
  if (auto v = json.optional("visible")) g->visible_ = v->boolean();
  for (const auto& item : json.member("layers").items()) g->layers_.push_back(readLayer(item, baseDir));
  return g;
}

host::Ref<GroupLayer> GroupLayer::make(host::Text name, bool visible, std::vector<host::Ref<host::ILayer>> layers) {
  auto g = com::make<GroupLayer>();
  g->name_ = std::move(name);
  g->visible_ = visible;
  g->layers_ = std::move(layers);
  return g;
}

host::Ref<host::ILayer> GroupLayer::Layer(int index) {
  if (index < 0 || index >= Count()) data::throwHostError("layer index " + std::to_string(index) + " is out of range");
  return layers_[static_cast<std::size_t>(index)];
}

void GroupLayer::Moved(const std::filesystem::path& newDir) {
  for (const auto& l : layers_)
    if (auto persist = com::query<IPersistJson>(l.get())) persist->Moved(newDir);
}

Json GroupLayer::ToJson(const SaveContext& context) {
  Json layers = Json::array();
  for (const auto& l : layers_) layers.push_back(layerToJson(l.get(), context));
  Json known = {{"name", text::toUtf8(name_)}, {"type", "group"}};
  if (!visible_) known["visible"] = false;
  known["layers"] = layers;
  return composeMembers(members_, known);
}

}  // namespace mapdoc
