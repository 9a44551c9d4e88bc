#pragma once
// The JSON value type of map documents. Ordered, so that a document written
// by hand keeps its members in the order its author wrote them.
#include <nlohmann/json.hpp>

namespace mapdoc {

using Json = nlohmann::ordered_json;

}  // namespace mapdoc
