#pragma once
// Which legend classes a record falls in, for the one walk that summarises
// every class: the same records the class where clauses of the per-class
// path select (a record a clause selects twice counts in both classes).
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/class_summaries.h"
#include "host/grouped_statistics.h"
#include "host/renderer.h"

namespace engine {

class RecordClasses {
 public:
  virtual ~RecordClasses() = default;
  // The fields classifying reads, for the walk to read besides the expression's.
  virtual std::vector<std::u16string> fields() const = 0;
  // Appends the classes of row (a row of the record source's table).
  virtual void classify(host::IRow& row, std::vector<int>& out) = 0;
  // The same classes as a grouping a data source can compute itself
  // (Values groups are then classified by a row holding their key); nullopt
  // when only classify can tell.
  virtual std::optional<host::RecordGrouping> grouping() const { return std::nullopt; }
};

// Every record in class 0 (a simple renderer's one class).
std::unique_ptr<RecordClasses> allInOneClass();

// The renderer's own classification, as the map draws the classes; null
// when the renderer offers none.
std::unique_ptr<RecordClasses> rendererClasses(const host::Ref<host::IFeatureRenderer>& renderer,
                                               const RecordSource& source);

// Class i from above break i - 1 up to and including break i, class 0 every
// value up to break 0, on the field's own values; null (so the classes are
// asked one query each) when the field is not numeric or the breaks do not
// rise.
std::unique_ptr<RecordClasses> breakClasses(host::IClassBreaksRenderer& renderer, const RecordSource& source);

// On a joined table: value class i where the renderer's first field equals
// value i (text exactly, other fields by number), the default class (when
// the renderer has one) where it equals no value, nulls included.
// Null when a value is neither text nor a plain number, which only the
// data source can compare.
std::unique_ptr<RecordClasses> joinedValueClasses(host::IUniqueValueRenderer& renderer, int classCount,
                                                  const RecordSource& source);

}  // namespace engine
