#pragma once
// Dot density, proportional symbol and chart renderers: drawn by a desktop
// GIS but without labelled classes. Kept as read so documents round-trip;
// each answers only for the interface of its own kind.
#include "mapdoc/json/json_reader.h"
#include "mapdoc/json/persist_json.h"
#include "platform/com/object.h"

namespace mapdoc {

// Why a renderer's legend cannot be labelled: every renderer that is drawn
// but not labelled answers for it.
struct IUnlabelledRenderer : host::IUnknown {
  COM_INTERFACE("C5E2A9D4-71B3-4F6E-8A0C-2D9B4E7F1365")
  virtual std::string Reason() = 0;
};

class UnsupportedRenderer : public com::Object<host::IFeatureRenderer, IPersistJson, IUnlabelledRenderer>,
                            public host::IDotDensityRenderer,
                            public host::IProportionalSymbolRenderer,
                            public host::IChartRenderer {
 public:
  // reason: why it is not labelled, for renderers read from other formats
  UnsupportedRenderer(std::string type, Json json, std::string reason = {})
      : type_(std::move(type)), json_(std::move(json)), reason_(std::move(reason)) {}

  com::HRESULT QueryInterface(const com::IID& iid, void** ppv) override { return Object::QueryInterface(iid, ppv); }
  std::uint32_t AddRef() override { return Object::AddRef(); }
  std::uint32_t Release() override { return Object::Release(); }

  host::Text RendererType() override;
  double DotValue() override { return json_.value("dot_value", 0.0); }
  host::Text Field() override;
  int FieldCount() override { return json_.contains("fields") ? static_cast<int>(json_["fields"].size()) : 0; }
  Json ToJson(const SaveContext&) override { return json_; }
  Json& Extra() override { return json_; }
  std::string Reason() override;

 protected:
  void* queryExtra(const com::IID& iid) override;

 private:
  std::string type_;
  Json json_;
  std::string reason_;
};

}  // namespace mapdoc
