#pragma once
// A QGIS layer's renderer (<renderer-v2>) as one of our renderers:
// singleSymbol as simple; categorizedSymbol, graduatedSymbol and
// RuleRenderer as renderers that classify features as QGIS does (see
// categorized_renderer.h, graduated_renderer.h, rule_renderer.h), the
// category with an empty value ("all other values") last. Every other
// renderer is kept as an unsupported renderer whose reason names it.
#include <vector>

#include <pugixml.hpp>

#include "host/host.h"

namespace mapdoc::qgis {

struct RendererRead {
  host::Ref<host::IFeatureRenderer> renderer;
  // By class index, in the renderer's legend order: the element whose
  // "label" attribute holds the class's label, and the class's place among
  // the layer's legend nodes (N in a legend item's "legend/label-N").
  std::vector<pugi::xml_node> labelElements;
  std::vector<int> legendIndex;
};

// element: the layer's <renderer-v2> (null when it has none).
RendererRead readRenderer(const pugi::xml_node& element);

// The field a renderer's "attr" names, or "" when it is an expression:
// a plain name, or a name in double quotes.
std::string plainField(const std::string& attr);

}  // namespace mapdoc::qgis
