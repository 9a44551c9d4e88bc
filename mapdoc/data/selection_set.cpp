#include "mapdoc/data/selection_set.h"

#include "mapdoc/data/ogr_table.h"

namespace mapdoc::data {
namespace {

// The records of an inner cursor whose object IDs are in the set; the
// inner cursor keeps the table's order.
class SetCursor : public com::Object<host::ICursor> {
 public:
  SetCursor(host::Ref<host::ICursor> inner, std::set<std::int32_t> oids)
      : inner_(std::move(inner)), oids_(std::move(oids)) {}
  host::Ref<host::IRow> NextRow() override {
    while (!oids_.empty()) {
      auto row = inner_->NextRow();
      if (!row) break;
      if (oids_.count(row->OID())) return row;
    }
    return nullptr;
  }
  host::Ref<host::IFields> Fields() override { return inner_->Fields(); }
  int FindField(const host::Text& name) override { return inner_->FindField(name); }

 private:
  host::Ref<host::ICursor> inner_;
  std::set<std::int32_t> oids_;
};

}  // namespace

void SelectionSet::Search(host::IQueryFilter* filter, bool recycling, host::Ref<host::ICursor>& cursor) {
  // A table that reads records by ID reads only the set's: the IDs passing
  // the filter come in the table's order, the set keeps those it holds.
  if (auto ids = com::query<ITableIds>(table_.get()); ids && ids->ReadsById()) {
    auto chosen = std::make_shared<IdList>();
    const auto passing = ids->MatchingIds(filter);
    for (GIntBig id : *passing)
      if (id >= INT32_MIN && id <= INT32_MAX && oids_.count(static_cast<std::int32_t>(id))) chosen->push_back(id);
    cursor = ids->SearchIds(std::move(chosen), recycling, filter);
    return;
  }
  cursor = com::make<SetCursor>(table_->Search(filter, recycling), oids_);
}

}  // namespace mapdoc::data
