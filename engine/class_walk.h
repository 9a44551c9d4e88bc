#pragma once
// Every class's summaries from one walk over a layer's records: each record
// is read once, its classes found, and the summaries of every field of the
// expression fed from it. Memory grows with classes times fields, never with
// records. Gives the summaries a query per class would give: First and Last
// by the layer's record order (RecordOrder), Count, and the statistics of
// the host's statistics object (their sums do not depend on order).
#include <string>
#include <vector>

#include "engine/class_summaries.h"
#include "engine/record_classes.h"

namespace engine {

// The summary keys an expression asks a field for; a walk computes no other.
struct WantedSummaries {
  bool first = false, last = false;
  bool statistics = false;  // any of the five (and Variance)
  bool spread = false;      // StdDev or Variance
};

// names: the expression's fields; wanted: per name, or empty for all.
// whereClause: the records of the layer to read (its definition query).
// sampleRate as the host's statistics take it, counted per class. Classes
// without records are marked skipped when stopOnEmpty is set. Reports
// progress by records read. Throws as the per-class summaries do.
std::vector<SummarySet> summariseInOneWalk(const RecordSource& source, const std::u16string& whereClause,
                                           const std::vector<std::u16string>& names,
                                           const std::vector<WantedSummaries>& wanted, RecordClasses& classes,
                                           int classCount, std::int32_t sampleRate, bool stopOnEmpty);

// What the pieces ask of each field of names.
std::vector<WantedSummaries> wantedSummaries(const ExpressionPieceList& pieces, const std::vector<std::u16string>& names);

}  // namespace engine
