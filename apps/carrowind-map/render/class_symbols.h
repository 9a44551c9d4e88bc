#pragma once
// The classes a renderer draws, in legend order: each with its label, its
// symbol and (for drawing) the where clause of its records.
#include <vector>

#include "host/host.h"

namespace carrowind::render {

struct RenderClass {
  host::Text label;
  host::Symbol symbol;
};

// Simple: one class. Unique values: one per value class, then the default
// class. Class breaks: one per break. Bivariate: the main renderer's classes
// with its symbols. Other kinds draw every feature in one neutral symbol and
// list no classes in a legend (empty result; see neutralSymbol).
std::vector<RenderClass> renderClasses(host::IFeatureRenderer* renderer);

// Whether the renderer's classes select their records by where clause
// (IRendererClasses); a simple or unsupported renderer draws every record.
bool classesByClause(host::IFeatureRenderer* renderer);

host::Symbol neutralSymbol();

}  // namespace carrowind::render
