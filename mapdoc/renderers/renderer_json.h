#pragma once
// Renderers from and to their document form.
#include "mapdoc/json/json_reader.h"
#include "mapdoc/json/persist_json.h"

namespace mapdoc {

// Reads any renderer by its "type"; a JsonProblem names what is wrong.
host::Ref<host::IFeatureRenderer> readRenderer(const JsonReader& json);
// Throws when the renderer was not made from a document.
Json rendererToJson(host::IFeatureRenderer* renderer, const SaveContext& context);

}  // namespace mapdoc
