#pragma once
// A layer that holds other layers.
#include <vector>

#include "mapdoc/json/json_reader.h"
#include "mapdoc/json/persist_json.h"
#include "platform/com/object.h"

namespace mapdoc {

class GroupLayer : public com::Object<host::ILayer, host::ICompositeLayer, IPersistJson> {
 public:
  static host::Ref<GroupLayer> read(const JsonReader& json, const std::filesystem::path& baseDir);
  // A group of layers read from a file of another format.
  static host::Ref<GroupLayer> make(host::Text name, bool visible, std::vector<host::Ref<host::ILayer>> layers);
  host::Text Name() override { return name_; }
  void Name(const host::Text& name) override { name_ = name; }
  bool Visible() override { return visible_; }
  void Visible(bool visible) override { visible_ = visible; }
  bool Valid() override { return true; }
  int Count() override { return static_cast<int>(layers_.size()); }
  host::Ref<host::ILayer> Layer(int index) override;
  Json ToJson(const SaveContext& context) override;
  Json& Extra() override { return members_.extra; }
  void Moved(const std::filesystem::path& newDir) override;

 private:
  host::Text name_;
  bool visible_ = true;
  std::vector<host::Ref<host::ILayer>> layers_;
  Members members_;
};

// Reads a layer of any "type".
host::Ref<host::ILayer> readLayer(const JsonReader& json, const std::filesystem::path& baseDir);
Json layerToJson(host::ILayer* layer, const SaveContext& context);

}  // namespace mapdoc
