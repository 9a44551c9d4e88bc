#pragma once
// What a layer's legend shows: the renderer's kind and, per class, the value
// or break it stands for and its label.
#include <optional>
#include <string>
#include <vector>

#include "host/host.h"
#include "mapdoc/json/json.h"

namespace carrowind::cli {

struct LegendClass {
  std::optional<std::string> value;  // none for the default ("all other values") class
  std::optional<double> upperBound;  // class breaks: the break instead of a value
  std::string label;
};

struct LegendListing {
  std::string layer;
  std::string renderer;  // a renderer kind, or "none" for layers without one
  std::string detail;    // the fields or the field the classes are made on
  std::vector<LegendClass> classes;
};

LegendListing listLegend(host::ILayer* layer);

// The class labels in class order.
std::vector<std::string> labelsOf(const LegendListing& listing);

// {"layer", "renderer", "values", "labels"}: values are texts, numbers for
// breaks, null for the default class.
mapdoc::Json toJson(const LegendListing& listing);
// A heading line and one aligned line per class.
std::string toText(const LegendListing& listing);

}  // namespace carrowind::cli
