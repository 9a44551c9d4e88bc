#pragma once
// The map of a document: its layers in table-of-contents order.
#include <vector>

#include "host/host.h"
#include "platform/com/object.h"

namespace mapdoc {

class Map : public com::Object<host::IMap> {
 public:
  host::Text Name() override { return u"Layers"; }
  int LayerCount() override { return static_cast<int>(layers_.size()); }
  host::Ref<host::ILayer> Layer(int index) override { return layers_.at(static_cast<std::size_t>(index)); }
  std::vector<host::Ref<host::ILayer>>& layers() { return layers_; }

 private:
  std::vector<host::Ref<host::ILayer>> layers_;
};

}  // namespace mapdoc
