#pragma once
// Grouped statistics computed by PostgreSQL: one GROUP BY over the layer's
// table, sent as a plain statement (not through a cursor, which would keep
// the server from planning it in parallel).
#include <optional>
#include <string>
#include <vector>

#include "host/grouped_statistics.h"
#include "mapdoc/data/field_list.h"
#include "mapdoc/data/layer_handles.h"

namespace mapdoc::data {

// The statement for a request; nullopt when it cannot be written (the
// layer has no key column, a field is missing or is the geometry).
// clause: the records' where clause in PostgreSQL's dialect ("" for all).
std::optional<std::string> groupedStatisticsSql(OGRLayer& layer, const std::vector<FieldInfo>& infos,
                                                const std::string& clause, const std::vector<std::int32_t>* ids,
                                                const host::RecordGrouping& grouping,
                                                const std::vector<host::GroupedField>& fields);

// Runs it on the handle's connection; groups without First and Last values
// (their IDs are set). Throws HostError with the server's message.
std::optional<std::vector<host::GroupSummary>> pgGroupedStatistics(LayerHandle& handle,
                                                                   const std::vector<FieldInfo>& infos,
                                                                   const std::string& clause,
                                                                   const std::vector<std::int32_t>* ids,
                                                                   const host::RecordGrouping& grouping,
                                                                   const std::vector<host::GroupedField>& fields);

// Reads the First and Last values of groups from table: the records of
// their first and last IDs, a few thousand at a time.
void fillFirstAndLast(host::ITable& table, const std::string& idColumn, std::vector<host::GroupSummary>& groups,
                      const std::vector<host::GroupedField>& fields);

// A name as PostgreSQL reads it exactly: in double quotes, its own doubled.
std::string pgName(const std::string& name);

}  // namespace mapdoc::data
