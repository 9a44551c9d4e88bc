#pragma once
// Every class's summaries from groups the data source totals itself (a
// database groups and sums where the records live), merged into classes:
// the same summaries as the one walk (class_walk.h), without reading the
// records to the client.
#include <optional>
#include <string>
#include <vector>

#include "engine/class_walk.h"

namespace engine {

// nullopt, having read nothing, when the table offers no grouped
// statistics, when the classes cannot be written as a grouping, or when
// the data source declines this one; the caller walks the records then.
// Arguments as summariseInOneWalk's. Throws as the data source does.
std::optional<std::vector<SummarySet>> summariseByGroups(const RecordSource& source, const std::u16string& whereClause,
                                                         const std::vector<std::u16string>& names,
                                                         const std::vector<WantedSummaries>& wanted,
                                                         RecordClasses& classes, int classCount,
                                                         std::int32_t sampleRate, bool stopOnEmpty);

}  // namespace engine
