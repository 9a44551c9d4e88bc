#include "apps/carrowind-map/hosting/extensions.h"

#include "apps/carrowind-map/hosting/failure_report.h"
#include "host/categories.h"
#include "mapdoc/command_bars.h"
#include "platform/com/class_factory.h"
#include "platform/com/object.h"
#include "platform/registry/component_categories.h"

namespace carrowind::map {
namespace {

std::u16string classText(const com::CLSID& clsid) {
  const std::string s = clsid.toString();
  return std::u16string(s.begin(), s.end());
}

}  // namespace

void Extensions::startup(host::IApplication* application) {
  for (const auto& clsid : registry::classesInCategory(host::CATID_MxExtensions)) {
    host::Ref<host::IExtension> extension;
    guarded(u"Starting the extension " + classText(clsid), [&] {
      extension = com::create<host::IExtension>(clsid);
      host::Value hook{host::Ref<host::IApplication>(application)};
      extension->Startup(hook);
      extensions_.push_back(extension);
    });
  }
}

void Extensions::shutdown() {
  while (!extensions_.empty()) {
    auto extension = std::move(extensions_.back());
    extensions_.pop_back();
    guarded(u"Shutting down an extension", [&] { extension->Shutdown(); });
  }
}

std::vector<ToolBarDefinition> registeredToolBars() {
  std::vector<ToolBarDefinition> out;
  for (const auto& clsid : registry::classesInCategory(host::CATID_MxCommandBars)) {
    guarded(u"Loading the toolbar " + classText(clsid), [&] {
      auto definition = com::create<host::IToolBarDef>(clsid);
      ToolBarDefinition toolbar{definition->Name(), definition->Caption(), {}};
      const int count = definition->ItemCount();
      for (int i = 0; i < count; ++i) {
        auto item = com::make<mapdoc::ItemDef>();
        definition->GetItemInfo(i, item.get());
        if (!item->ID().empty()) toolbar.items.push_back(item->ID());
      }
      out.push_back(std::move(toolbar));
    });
  }
  return out;
}

}  // namespace carrowind::map
