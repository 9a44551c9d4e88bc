#pragma once
// A fixed set of a table's records by object ID.
#include <set>

#include "host/host.h"
#include "platform/com/object.h"

namespace mapdoc::data {

class SelectionSet : public com::Object<host::ISelectionSet> {
 public:
  SelectionSet(host::Ref<host::ITable> table, const std::vector<std::int32_t>& oids)
      : table_(std::move(table)), oids_(oids.begin(), oids.end()) {}
  std::int32_t Count() override { return static_cast<std::int32_t>(oids_.size()); }
  void Search(host::IQueryFilter* filter, bool recycling, host::Ref<host::ICursor>& cursor) override;
  std::vector<std::int32_t> IDs() override { return {oids_.begin(), oids_.end()}; }
  void Add(std::int32_t oid) override { oids_.insert(oid); }
  host::Ref<host::ITable> Target() override { return table_; }

 private:
  host::Ref<host::ITable> table_;
  std::set<std::int32_t> oids_;
};

}  // namespace mapdoc::data
