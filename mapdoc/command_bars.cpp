#include "mapdoc/command_bars.h"

#include "mapdoc/data/field_list.h"
#include "mapdoc/data/gdal_session.h"

namespace mapdoc {

host::Ref<host::ICommandItem> CommandBar::Item(int index) {
  if (index < 0 || index >= Count()) data::throwHostError("command index " + std::to_string(index) + " is out of range");
  return items_[static_cast<std::size_t>(index)];
}

host::Ref<host::ICommandItem> CommandBar::Add(host::IUID* id, const host::Value& index) {
  if (!id || id->Value().empty()) data::throwHostError("a command is added by its UID");
  host::Ref<host::ICommandItem> item = com::make<CommandItem>(id->Value());
  if (index.isNumber()) {
    const auto at = static_cast<std::size_t>(std::clamp<double>(index.toDouble(), 0, static_cast<double>(items_.size())));
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(at), item);
  } else {
    items_.push_back(item);
  }
  return item;
}

host::Ref<host::ICommandItem> CommandBar::Find(host::IUID* id, bool noRecurse) {
  if (!id) return nullptr;
  for (const auto& item : items_) {
    if (data::sameName(item->ID(), id->Value())) return item;
    if (!noRecurse)
      if (auto bar = com::query<host::ICommandBar>(item.get()))
        if (auto found = bar->Find(id, false)) return found;
  }
  return nullptr;
}

CommandBars::CommandBars() {
  for (const auto* name : {u"esriCore.FeatureLayerContextMenu", u"esriCore.StandardToolBar", u"esriCore.MainMenu"})
    bars_.push_back(com::make<CommandBar>(name));
}

host::Ref<CommandBar> CommandBars::bar(const host::Text& name) const {
  for (const auto& b : bars_)
    if (data::sameName(b->Name(), name)) return b;
  return nullptr;
}

host::Ref<host::ICommandItem> CommandBars::Find(host::IUID* id, bool noRecurse, bool) {
  if (!id) return nullptr;
  if (auto b = bar(id->Value())) return b;
  if (noRecurse) return nullptr;
  for (const auto& b : bars_)
    if (auto found = b->Find(id, false)) return found;
  return nullptr;
}

}  // namespace mapdoc
