#pragma once
// Menus and toolbars, and the commands placed on them by UID.
#include <vector>

#include "host/host.h"
#include "platform/com/object.h"

namespace mapdoc {

class Uid : public com::Object<host::IUID> {
 public:
  host::Text Value() override { return value_; }
  void Value(const host::Text& value) override { value_ = value; }
  int SubType() override { return subType_; }
  void SubType(int subType) override { subType_ = subType; }

 private:
  host::Text value_;
  int subType_ = 0;
};

// The item definition a host hands a toolbar definition to fill in.
class ItemDef : public com::Object<host::IItemDef> {
 public:
  host::Text ID() override { return id_; }
  void ID(const host::Text& id) override { id_ = id; }
  bool Group() override { return group_; }
  void Group(bool group) override { group_ = group; }
  int SubType() override { return subType_; }
  void SubType(int subType) override { subType_ = subType; }

 private:
  host::Text id_;
  bool group_ = false;
  int subType_ = 0;
};

class CommandItem : public com::Object<host::ICommandItem> {
 public:
  explicit CommandItem(host::Text id) : id_(std::move(id)) {}
  host::Text Name() override { return id_; }
  host::Text Caption() override { return id_; }
  host::Text ID() override { return id_; }
  bool Enabled() override { return true; }
  void Execute() override { ++executions_; }
  int executions() const { return executions_; }

 private:
  host::Text id_;
  int executions_ = 0;
};

class CommandBar : public com::Object<host::ICommandBar, host::ICommandItem> {
 public:
  explicit CommandBar(host::Text name) : name_(std::move(name)) {}
  int Count() override { return static_cast<int>(items_.size()); }
  host::Ref<host::ICommandItem> Item(int index) override;
  host::Ref<host::ICommandItem> Add(host::IUID* id, const host::Value& index) override;
  host::Ref<host::ICommandItem> Find(host::IUID* id, bool noRecurse) override;
  host::Text Name() override { return name_; }
  host::Text Caption() override { return name_; }
  host::Text ID() override { return name_; }
  bool Enabled() override { return true; }
  void Execute() override {}

 private:
  host::Text name_;
  std::vector<host::Ref<host::ICommandItem>> items_;
};

// The application's bars; the feature layer context menu is one of them.
class CommandBars : public com::Object<host::ICommandBars> {
 public:
  CommandBars();
  int Count() override { return static_cast<int>(bars_.size()); }
  host::Ref<host::ICommandItem> Find(host::IUID* id, bool noRecurse, bool noCreate) override;
  host::Ref<CommandBar> bar(const host::Text& name) const;

 private:
  std::vector<host::Ref<CommandBar>> bars_;
};

}  // namespace mapdoc
