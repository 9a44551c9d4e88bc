#pragma once
// One symbol for every feature.
#include "mapdoc/json/json_reader.h"
#include "mapdoc/json/persist_json.h"
#include "mapdoc/json/symbol_json.h"
#include "platform/com/object.h"

namespace mapdoc {

class SimpleRenderer : public com::Object<host::IFeatureRenderer, host::ISimpleRenderer, IPersistJson> {
 public:
  static host::Ref<SimpleRenderer> read(const JsonReader& json);

  host::Text RendererType() override { return u"simple"; }
  host::Text Label() override { return label_; }
  void Label(const host::Text& label) override { label_ = label; }
  host::Symbol Symbol() override { return symbol_.symbol; }
  Json ToJson(const SaveContext& context) override;
  Json& Extra() override { return members_.extra; }

 private:
  host::Text label_;
  SymbolSlot symbol_;
  Members members_;
};

}  // namespace mapdoc
