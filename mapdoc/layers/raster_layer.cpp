#include "mapdoc/layers/raster_layer.h"

#include "platform/text/utf.h"

namespace mapdoc {

host::Ref<RasterLayer> RasterLayer::read(const JsonReader& json, const std::filesystem::path& baseDir) {
  auto l = com::make<RasterLayer>();
  l->members_ = json.members({"name", "type", "visible", "source"});
  l->baseDir_ = baseDir;
  l->name_ = json.member("name").utext();
  if (auto v = json.optional("visible")) l->visible_ = v->boolean();
  l->source_ = readSource(json.member("source"), l->sourceMembers_);
  return l;
}

bool RasterLayer::Valid() {
  if (valid_ < 0) valid_ = isRaster(source_, baseDir_) ? 1 : 0;
  return valid_ == 1;
}

host::Text RasterLayer::FilePath() {
  if (!source_.connection.empty()) return text::fromUtf8(source_.connection);
  std::filesystem::path p(source_.path);
  return text::fromUtf8((p.is_relative() ? baseDir_ / p : p).lexically_normal().string());
}

void RasterLayer::Moved(const std::filesystem::path& newDir) {
  if (source_.connection.empty()) source_.path = relocatePath(source_.path, baseDir_, newDir);
  baseDir_ = newDir;
}

Json RasterLayer::ToJson(const SaveContext& context) {
  Json known = {{"name", text::toUtf8(name_)}, {"type", "raster"}};
  if (!visible_) known["visible"] = false;
  known["source"] = sourceToJson(source_, sourceMembers_, baseDir_, context);
  return composeMembers(members_, known);
}

}  // namespace mapdoc
