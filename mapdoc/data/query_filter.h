#pragma once
// The host's query filter (CLSID_QueryFilter).
#include "host/host.h"
#include "platform/com/object.h"

namespace mapdoc::data {

class QueryFilter : public com::Object<host::IQueryFilter> {
 public:
  host::Text WhereClause() override { return where_; }
  void WhereClause(const host::Text& clause) override { where_ = clause; }
  host::Text SubFields() override { return subFields_; }
  void SubFields(const host::Text& fields) override { subFields_ = fields; }

 private:
  host::Text where_;
  host::Text subFields_ = u"*";
};

}  // namespace mapdoc::data
