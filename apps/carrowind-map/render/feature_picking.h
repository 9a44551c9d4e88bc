#pragma once
// Which features of a layer lie in a rectangle of the map: for selecting
// with a rectangle and for identifying what is under a click.
#include <cstdint>
#include <vector>

#include "apps/carrowind-map/render/feature_drawing.h"
#include "apps/carrowind-map/render/map_extent.h"

namespace carrowind::render {

// The object IDs of the shapes that touch the rectangle (map units), each
// once, in the layer's order. A point inside a polygon touches it; so does
// a line crossing the rectangle.
std::vector<std::int32_t> shapesTouching(const FeatureShapes& shapes, const MapExtent& rectangle);

}  // namespace carrowind::render
