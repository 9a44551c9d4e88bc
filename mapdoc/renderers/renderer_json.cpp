#include "mapdoc/renderers/renderer_json.h"

#include "mapdoc/renderers/bivariate_renderer.h"
#include "mapdoc/renderers/class_breaks_renderer.h"
#include "mapdoc/renderers/simple_renderer.h"
#include "mapdoc/renderers/unique_value_renderer.h"
#include "mapdoc/renderers/unsupported_renderer.h"

namespace mapdoc {

host::Ref<host::IFeatureRenderer> readRenderer(const JsonReader& json) {
  json.requireObject();
  const std::string type = json.member("type").text();
  if (type == "simple") return SimpleRenderer::read(json);
  if (type == "unique_values") return UniqueValueRenderer::read(json);
  if (type == "class_breaks") return ClassBreaksRenderer::read(json);
  if (type == "bivariate") return BivariateRenderer::read(json);
  if (type == "dot_density" || type == "proportional_symbol" || type == "chart")
    return com::make<UnsupportedRenderer>(type, json.json());
  json.member("type").fail("unknown renderer type \"" + type +
                           "\" (simple, unique_values, class_breaks, bivariate, dot_density, proportional_symbol, chart)");
}

Json rendererToJson(host::IFeatureRenderer* renderer, const SaveContext& context) {
  auto persist = com::query<IPersistJson>(renderer);
  if (!persist) throw std::runtime_error("a renderer that was not read from a document cannot be saved");
  return persist->ToJson(context);
}

}  // namespace mapdoc
