#pragma once
// The bundled sample data and small helpers over the host interfaces.
#include <functional>
#include <string>

#include "host/classes.h"
#include "mapdoc/data/open.h"
#include "platform/com/class_factory.h"
#include "platform/text/utf.h"

namespace mapdoc::testing {

inline std::filesystem::path sampleDir() { return std::filesystem::path(CW_SOURCE_DIR) / "examples" / "data"; }

inline host::Ref<host::ITable> table(const std::string& path, const std::string& layer = "") {
  return openTable({path, "", layer}, sampleDir());
}

inline host::Ref<host::IQueryFilter> where(const std::string& clause) {
  registerHostClasses();
  auto filter = com::create<host::IQueryFilter>(host::CLSID_QueryFilter);
  filter->WhereClause(text::fromUtf8(clause));
  return filter;
}

inline int fieldIndex(host::ITable* t, const std::u16string& name) { return com::query<host::IClass>(t)->FindField(name); }

// Counts the rows of a cursor that satisfy a test (all rows without one).
inline int countRows(host::ICursor* cursor, const std::function<bool(host::IRow*)>& test = {}) {
  int n = 0;
  for (auto row = cursor->NextRow(); row; row = cursor->NextRow())
    if (!test || test(row.get())) ++n;
  return n;
}

inline std::u16string textOf(const host::Value& v) { return v.isText() ? v.text() : u"<not text>"; }

}  // namespace mapdoc::testing
