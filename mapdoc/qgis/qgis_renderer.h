#pragma once
// What QGIS's renderers, as read from a project or style, answer besides
// the host's renderer interfaces: whether we can tell a feature's classes
// ourselves, and taking the classes QGIS put the features in when we cannot.
#include <memory>
#include <string>
#include <vector>

#include "host/renderer.h"
#include "mapdoc/json/symbol_json.h"
#include "mapdoc/qgis/feature_classes.h"

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

// The classes QGIS handed over, as a renderer of ours classifies by them.
class QgisClassesInUse {
 public:
  explicit operator bool() const { return classes_ != nullptr; }
  void use(std::shared_ptr<const FeatureClasses> classes) { classes_ = std::move(classes); }
  // By the feature IDs of table: classes are the renderer's, by class index;
  // features in none of their legend items go to defaultClass (-1: none).
  host::Ref<host::IRecordClassifier> classifier(host::ITable* table, const std::vector<QgisClass>& classes,
                                                int defaultClass);
  // The features of these legend items (negate: every other feature).
  host::Text clause(host::ITable* table, const std::vector<int>& items, bool negate) const;
  // The field the last classifier read the IDs from.
  const host::Text& idField() const { return idField_; }

 private:
  std::shared_ptr<const FeatureClasses> classes_;
  host::Text idField_;
};

}  // namespace mapdoc::qgis
