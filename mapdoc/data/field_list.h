#pragma once
// The fields of a table as the host lists them.
#include <cstdint>
#include <string>
#include <vector>

#include "host/host.h"
#include "platform/com/object.h"

namespace mapdoc::data {

// How a field's values are typed at the source, finer than the host's type
// codes (which call a 64-bit integer a double and a date-time a date): what
// QGIS's value comparisons go by.
enum class ValueKind : std::uint8_t { Other, Integer, Integer64, Real, Boolean, Text, Date, DateTime, Time };

struct FieldInfo {
  host::Text name;
  int type = host::FieldTypeOther;
  int length = 0;
  int source = -1;  // the OGR field index behind it; -1 for the object ID and the shape
  ValueKind kind = ValueKind::Other;
};

// Offered by a table's field list.
struct IFieldKinds : host::IUnknown {
  COM_INTERFACE("C17C72F0-12A8-499A-B3B5-790FF977EC1C")
  virtual ValueKind Kind(int index) = 0;  // Other when out of range
};

class Field : public com::Object<host::IField> {
 public:
  explicit Field(FieldInfo info) : info_(std::move(info)) {}
  host::Text Name() override { return info_.name; }
  host::Text AliasName() override { return info_.name; }
  int Type() override { return info_.type; }
  int Length() override { return info_.length; }

 private:
  FieldInfo info_;
};

class FieldList : public com::Object<host::IFields, IFieldKinds> {
 public:
  explicit FieldList(std::vector<FieldInfo> fields) : fields_(std::move(fields)) {}
  int FieldCount() override { return static_cast<int>(fields_.size()); }
  ValueKind Kind(int index) override {
    return index >= 0 && index < FieldCount() ? fields_[static_cast<std::size_t>(index)].kind : ValueKind::Other;
  }
  host::Ref<host::IField> Field(int index) override;
  int FindField(const host::Text& name) override;
  const std::vector<FieldInfo>& infos() const { return fields_; }
  // Whether name (UTF-8, letter case ignored) is a text field.
  bool holdsText(const std::string& name);

 private:
  std::vector<FieldInfo> fields_;
};

// Names compare without regard to letter case, in every script.
bool sameName(const host::Text& a, const host::Text& b);

}  // namespace mapdoc::data
