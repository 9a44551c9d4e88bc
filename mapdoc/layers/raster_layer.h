#pragma once
// A layer over a raster dataset: in the map and its legend, but not a
// feature layer.
#include "mapdoc/layers/source_json.h"
#include "platform/com/object.h"

namespace mapdoc {

class RasterLayer : public com::Object<host::ILayer, host::IRasterLayer, IPersistJson> {
 public:
  static host::Ref<RasterLayer> read(const JsonReader& json, const std::filesystem::path& baseDir);
  host::Text Name() override { return name_; }
  void Name(const host::Text& name) override { name_ = name; }
  bool Visible() override { return visible_; }
  void Visible(bool visible) override { visible_ = visible; }
  bool Valid() override;
  host::Text FilePath() override;
  Json ToJson(const SaveContext& context) override;
  void Moved(const std::filesystem::path& newDir) override;
  Json& Extra() override { return members_.extra; }

 private:
  host::Text name_;
  bool visible_ = true;
  SourceSpec source_;
  Members sourceMembers_, members_;
  std::filesystem::path baseDir_;
  int valid_ = -1;  // not yet looked at
};

}  // namespace mapdoc
