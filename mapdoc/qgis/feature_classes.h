#pragma once
// The classes QGIS itself put a layer's features in, by feature ID: what its
// feature counter says of each legend item (QgsVectorLayerFeatureCounter
// with the IDs kept), for renderers whose classes only QGIS can evaluate
// (rules, categories and ranges on an expression). Written by the QGIS
// plugin's records module, as JSON:
//   {"format": "carrowind-qgis-classes", "version": 1,
//    "id_field": "",                 // "" : the table's object ID
//    "items": [[12, 15, ...], ...]}  // per legend item, in legend order
// Memory: an ID and an item index per feature in a class.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/renderer.h"

namespace mapdoc::qgis {

class FeatureClasses {
 public:
  // Throws std::runtime_error saying what is wrong with the file.
  static std::shared_ptr<const FeatureClasses> read(const std::filesystem::path& file);
  static std::shared_ptr<const FeatureClasses> fromJsonText(const std::string& text);

  // The field holding QGIS's feature IDs; "" for the table's object ID.
  const std::string& idField() const { return idField_; }
  std::size_t itemCount() const { return itemCount_; }
  // Appends the legend items the feature is in.
  void itemsOf(std::int64_t id, std::vector<int>& out) const;
  // The IDs of the features in a legend item.
  std::vector<std::int64_t> idsOf(int item) const;

 private:
  std::string idField_;
  std::size_t itemCount_ = 0;
  std::vector<std::pair<std::int64_t, std::int32_t>> members_;  // (ID, item), sorted
};

// Classifies the rows of a table by the feature IDs in its id field:
// classOfItem maps a legend item to a class index (-1: not a class);
// features in no item go to defaultClass (-1: none). Throws HostError when
// the table lacks the id field.
host::Ref<host::IRecordClassifier> featureClassClassifier(host::ITable* table,
                                                          std::shared_ptr<const FeatureClasses> classes,
                                                          std::vector<int> classOfItem, int defaultClass);

// The id field's name in table (its object ID when idField() is "").
host::Text featureIdField(host::ITable* table, const FeatureClasses& classes);

// A clause selecting the features of the classes' items (items of class
// index c): "<id> IN (...)", or "1 = 0"; with negate, every other feature.
std::string featureClassClause(host::ITable* table, const FeatureClasses& classes, const std::vector<int>& items,
                               bool negate);

}  // namespace mapdoc::qgis
