#include "mapdoc/renderers/simple_renderer.h"

#include "platform/text/utf.h"

namespace mapdoc {

host::Ref<SimpleRenderer> SimpleRenderer::read(const JsonReader& json) {
  auto r = com::make<SimpleRenderer>();
  r->members_ = json.members({"type", "label", "symbol"});
  if (auto label = json.optional("label")) r->label_ = label->utext();
  r->symbol_ = readSymbolMember(json);
  return r;
}

Json SimpleRenderer::ToJson(const SaveContext&) {
  return composeMembers(members_, {{"type", "simple"}, {"label", text::toUtf8(label_)}, {"symbol", symbol_.toJson()}});
}

}  // namespace mapdoc
