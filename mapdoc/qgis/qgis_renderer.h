#pragma once
// What QGIS's renderers, as read from a project or style, answer besides
// the host's renderer interfaces: whether we can tell a feature's classes
// ourselves, and taking the classes QGIS put the features in when we cannot.
#include <memory>
#include <string>
#include <vector>

#include "host/renderer.h"
#include "mapdoc/qgis/feature_classes.h"
#include "mapdoc/symbol_json.h"

namespace mapdoc::qgis {

struct IQgisClassified : host::IUnknown {
  COM_INTERFACE("EC0CFEC9-98CE-48C1-949B-22364952398C")
  // Why only QGIS can say which class a feature is in ("its categories are
  // on the expression ..."), "" when we can, and once QGIS's classes are in.
  virtual std::string QgisOnly() = 0;
  // The classes QGIS put the features in, by legend item, from now on.
  virtual void UseFeatureClasses(std::shared_ptr<const FeatureClasses> classes) = 0;
  // The fields the renderer reads of each feature (none on an expression).
  virtual std::vector<host::Text> ReadFields() = 0;
};

// One class of a QGIS renderer as read: its label and symbol, and its place
// among the renderer's legend items (the index QGIS's legend keys count).
struct QgisClass {
  host::Text label;
  SymbolSlot symbol;
  int legendItem = 0;
};

// The legend item of every class index, inverted: class of each item.
std::vector<int> classOfItems(const std::vector<QgisClass>& classes, std::size_t itemCount);

}  // namespace mapdoc::qgis
