#pragma once
// Which record of a joined table a layer record takes: our documents' rule
// (the first equal key) or QGIS's, which depends on whether the join keeps
// the joined layer in a memory cache.
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>

#include "mapdoc/data/field_list.h"
#include "mapdoc/data/open.h"
#include "mapdoc/data/source_kind.h"

namespace mapdoc::data {

class JoinKeys {
 public:
  // keyKind: how the joined table's key field is typed; engine: who
  // evaluates that table's filters (QGIS hands an uncached join's lookup to
  // a GeoPackage's SQLite).
  JoinKeys(JoinMatch match, ValueKind keyKind, FilterEngine engine);

  // The joined table's keys, in its record order.
  void add(const host::Value& key, std::size_t record);
  // The record a layer value of the given kind joins, if any.
  std::optional<std::size_t> find(const host::Value& value, ValueKind kind) const;

 private:
  static void keepFirst(std::map<double, std::size_t>& index, double key, std::size_t record);
  static void keepFirst(std::unordered_map<std::string, std::size_t>& index, const std::string& key,
                        std::size_t record);

  JoinMatch match_;
  ValueKind keyKind_;
  FilterEngine engine_;
  std::unordered_map<std::string, std::size_t> byText_;  // FirstEqual: by value key; QGIS: by Qt's text
  std::map<double, std::size_t> byNumber_;               // QgisDirect: number keys
  std::map<double, std::size_t> byTextNumber_;           // text keys that read as numbers
  std::optional<std::size_t> firstNull_;                 // QgisDirect: the first null key
};

// A value as Qt writes it out (QVariant::toString), which QGIS's cached
// joins key on: integers in decimal, reals in the shortest form that reads
// back the same ("1", "0.5", "1200000", "1.2e+07", "1e-05"), booleans
// "true"/"false", dates "2020-01-02", date-times "2020-01-02T03:04:05.000",
// times "03:04:05.000". A null of a number field is "0" (QGIS's typed null
// reads as the type's zero), of a boolean "false", of anything else "".
std::string qtText(const host::Value& value, ValueKind kind);

}  // namespace mapdoc::data
