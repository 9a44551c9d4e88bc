#pragma once
// Summaries of a table's records per group, computed where the records live
// (a database groups and totals them itself), so that a labeler does not
// read every record to the client.
#include <optional>
#include <vector>

#include "host/table.h"

namespace host {

// How records fall into groups.
struct RecordGrouping {
  enum class Kind {
    All,       // one group: every record
    Values,    // one group per distinct tuple of the fields' values (nulls too)
    Breaks,    // group i: above uppers[i - 1] up to uppers[i]; group 0 up to uppers[0]
  };
  Kind kind = Kind::All;
  std::vector<Text> fields;    // Values: the key fields; Breaks: the one numeric field
  std::vector<double> uppers;  // Breaks: rising, finite
  // Breaks: the class of each group (-1: none); empty when group i is class i.
  std::vector<int> classOfGroup;
};

// What is wanted of one field.
struct GroupedField {
  Text name;
  bool firstLast = false;   // the values of the group's first and last record
  bool statistics = false;  // minimum, maximum, sum, mean; the field is numeric
  bool spread = false;      // and the sum of squared deviations from the mean
};

struct FieldGroupSummary {
  Value first, last;  // by object ID; Empty unless asked for
  std::int64_t count = 0;  // values that are not null
  double minimum = 0, maximum = 0, sum = 0;
  double squaredDeviations = 0;  // from the group's mean
};

struct GroupSummary {
  std::vector<Value> key;  // Values: by the grouping's fields, as a row of the table gives them
  int breakClass = -1;     // Breaks: the class; records beyond every break have no group
  std::int64_t count = 0;  // records
  std::int32_t firstId = 0, lastId = 0;  // the lowest and highest object IDs among them
  std::vector<FieldGroupSummary> fields;  // as the request's fields
};

// Offered by tables whose data source can group and total records itself.
struct IGroupedStatistics : IUnknown {
  COM_INTERFACE("5C2E7A1D-3F48-4B9E-A6D0-8E14C7B92F35")
  // The groups of the records that pass filter (its where clause in the
  // data source's dialect) and, when ids is set, are among those IDs.
  // nullopt when this grouping or these fields cannot be computed there:
  // the caller reads the records instead. Throws HostError when the data
  // source fails (with its own message).
  virtual std::optional<std::vector<GroupSummary>> GroupedStatistics(IQueryFilter* filter,
                                                                      const std::vector<std::int32_t>* ids,
                                                                      const RecordGrouping& grouping,
                                                                      const std::vector<GroupedField>& fields) = 0;
};

}  // namespace host
