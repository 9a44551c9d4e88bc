#pragma once
// What every label maker shares: the fields an expression names, the
// records a layer offers, the nine summaries of a field over the records of
// one class, and composing and finishing a label from the parsed pieces.
// Failures throw (host errors, a summary name that is none of the nine);
// the makers turn them into their failure result.
#include <functional>
#include <memory>
#include <unordered_set>
#include <string>
#include <string_view>
#include <vector>

#include "engine/labeler_fields.h"
#include "host/layer.h"
#include "host/statistics.h"

namespace engine {

// The nine statistics of one field over one record set.
struct FieldSummary {
  com::Variant First, Last;
  com::Variant Count = std::int16_t{0};
  com::Variant Maximum = std::int32_t{0}, Average = std::int32_t{0}, Minimum = std::int32_t{0},
               StdDev = std::int32_t{0}, Sum = std::int32_t{0}, Variance = std::int32_t{0};

  // By key, without regard to case; throws com::Error for any other key.
  const com::Variant& get(std::u16string_view key) const;
};

// The summaries of one class, by field name (without regard to case).
// Whether the class was skipped is kept beside them, never among them, so a
// field may be called anything.
struct SummarySet {
  std::vector<std::pair<std::u16string, FieldSummary>> fields;
  bool skipped = false;

  const FieldSummary& get(std::u16string_view field) const;
};

// The table, definition and selections a maker reads records from.
struct RecordSource {
  host::Ref<host::IGeoFeatureLayer> geo;
  host::Ref<host::IFeatureRenderer> renderer;
  host::Ref<host::IFeatureLayerDefinition> definition;
  host::Ref<host::ITable> table;
  host::Ref<host::IClass> tableClass;
  // The records the summaries read when not the whole table: the
  // definition selection set, or the layer's current selection when the
  // labeler is asked to honour it and there is one.
  host::Ref<host::ISelectionSet> walkSet;
  // When set, the records are picked out of the table's rows by object ID
  // instead: on a joined table, whose rows the layer's sets do not hold, and
  // for a selection narrowed to the definition selection set.
  std::shared_ptr<const std::unordered_set<std::int32_t>> walkIds;

  // The records that pass filter: of the walk set when there is one, else
  // of the whole table.
  host::Ref<host::ICursor> search(host::IQueryFilter* filter) const;

  int fieldPosition(const std::u16string& name) const;
  int fieldType(int position) const;
};

// Where a record stands in the layer's record order: by object ID, so that
// First and Last do not depend on the order a search returns records in (an
// index returns them by value); records without one in the order they came.
struct RecordOrder {
  std::int64_t first = 0, last = 0;  // places of the records taken as First and Last
  std::int64_t arrivals = 0;
  std::int64_t place(host::IRow& row) {
    ++arrivals;
    return row.HasOID() ? row.OID() : arrivals;
  }
};

// A class's record count as a summary holds it: Int16 while it fits, else Int32.
com::Variant recordCount(std::int64_t records);

// Distinct field names of the "Field" pieces in order of first appearance;
// names equal but for case count once, under the case seen first.
std::vector<std::u16string> expressionFields(const ExpressionPieceList& pieces);

RecordSource resolveRecordSource(const LabelerFields& fields, host::ILayer* layer);

using host::isNumericFieldType;

host::Ref<host::IQueryFilter> newQueryFilter(const std::u16string& whereClause);

// Summarises one field over the records that pass filter. Returns false,
// storing nothing, when stopOnEmpty is set and no record passes.
bool summariseField(const RecordSource& source, host::IQueryFilter* filter, const std::u16string& name,
                    std::int32_t sampleRate, bool stopOnEmpty, FieldSummary& out);

// Summarises every field into set; marks it skipped (and stops) at the
// first field without records when stopOnEmpty is set.
void summariseClass(const RecordSource& source, host::IQueryFilter* filter, const std::vector<std::u16string>& names,
                    std::int32_t sampleRate, bool stopOnEmpty, SummarySet& set);

// Composes a label; legend(content) gives the text of a "LEGEND" piece.
std::u16string composeLabel(const ExpressionPieceList& pieces, const SummarySet& set,
                            const std::function<std::u16string(const std::u16string&)>& legend);

// Line breaks for "$$NEWLINE" (any case), then wrapping when asked.
std::u16string finishLabel(const std::u16string& text, std::int16_t wrapWidth);

// The automation errors for a missing object and a missing interface.
[[noreturn]] void objectNotSet();
[[noreturn]] void typeMismatch();

template <class T, class U>
host::Ref<T> require(const host::Ref<U>& object) {
  if (!object) objectNotSet();
  auto r = object.template as<T>();
  if (!r) typeMismatch();
  return r;
}

}  // namespace engine
