#pragma once
// The fields of a table as the host lists them.
#include <string>
#include <vector>

#include "host/host.h"
#include "platform/com/object.h"

namespace mapdoc::data {

struct FieldInfo {
  host::Text name;
  int type = host::FieldTypeOther;
  int length = 0;
  int source = -1;  // the OGR field index behind it; -1 for the object ID and the shape
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

class FieldList : public com::Object<host::IFields> {
 public:
  explicit FieldList(std::vector<FieldInfo> fields) : fields_(std::move(fields)) {}
  int FieldCount() override { return static_cast<int>(fields_.size()); }
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
