#include "mapdoc/data/field_list.h"

#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include "mapdoc/data/gdal_session.h"
#include "platform/text/utf.h"

namespace mapdoc::data {

bool sameName(const host::Text& a, const host::Text& b) {
  icu::UnicodeString ua(false, a.data(), static_cast<int32_t>(a.size()));
  icu::UnicodeString ub(false, b.data(), static_cast<int32_t>(b.size()));
  return ua.caseCompare(ub, U_FOLD_CASE_DEFAULT) == 0;
}

host::Ref<host::IField> FieldList::Field(int index) {
  if (index < 0 || index >= FieldCount())
    throwHostError("field index " + std::to_string(index) + " is out of range (" + std::to_string(FieldCount()) +
                   " fields)");
  return com::make<data::Field>(fields_[static_cast<std::size_t>(index)]);
}

int FieldList::FindField(const host::Text& name) {
  for (std::size_t i = 0; i < fields_.size(); ++i)
    if (sameName(fields_[i].name, name)) return static_cast<int>(i);
  return -1;
}

bool FieldList::holdsText(const std::string& name) {
  const int i = FindField(text::fromUtf8(name));
  return i >= 0 && fields_[static_cast<std::size_t>(i)].type == host::FieldTypeString;
}

}  // namespace mapdoc::data
