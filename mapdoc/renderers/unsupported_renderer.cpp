#include "mapdoc/renderers/unsupported_renderer.h"

#include "platform/text/utf.h"

namespace mapdoc {

host::Text UnsupportedRenderer::RendererType() { return text::fromUtf8(type_); }

host::Text UnsupportedRenderer::Field() {
  auto it = json_.find("field");
  return it != json_.end() && it->is_string() ? text::fromUtf8(it->get<std::string>()) : host::Text();
}

std::string UnsupportedRenderer::Reason() {
  return reason_.empty() ? "a " + type_ + " renderer's legend has no classes to label" : reason_;
}

void* UnsupportedRenderer::queryExtra(const com::IID& iid) {
  if (type_ == "dot_density" && iid == host::IDotDensityRenderer::iid()) return static_cast<host::IDotDensityRenderer*>(this);
  if (type_ == "proportional_symbol" && iid == host::IProportionalSymbolRenderer::iid())
    return static_cast<host::IProportionalSymbolRenderer*>(this);
  if (type_ == "chart" && iid == host::IChartRenderer::iid()) return static_cast<host::IChartRenderer*>(this);
  return nullptr;
}

}  // namespace mapdoc
