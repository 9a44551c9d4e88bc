#pragma once
// What the registrations add to the application: the extensions (created
// at start, started with the application, shut down at the end) and the
// toolbar definitions (each a caption and the UIDs of its commands), found
// through the host's component categories.
#include <vector>

#include "host/extension.h"

namespace carrowind::map {

class Extensions {
 public:
  Extensions() = default;
  Extensions(const Extensions&) = delete;
  Extensions& operator=(const Extensions&) = delete;
  ~Extensions() { shutdown(); }

  // Creates every class entered in the extensions category and calls its
  // Startup with the application. One that cannot be created or started is
  // reported and left out; the others still load.
  void startup(host::IApplication* application);
  // Shutdown on each, the last started first; then lets them go.
  void shutdown();

  const std::vector<host::Ref<host::IExtension>>& loaded() const { return extensions_; }

 private:
  std::vector<host::Ref<host::IExtension>> extensions_;
};

struct ToolBarDefinition {
  host::Text name;
  host::Text caption;
  std::vector<host::Text> items;  // command UIDs, in toolbar order
};

// The toolbar definitions entered in the command bars category, read
// through IToolBarDef (ItemCount, GetItemInfo). One that fails is reported
// and left out.
std::vector<ToolBarDefinition> registeredToolBars();

}  // namespace carrowind::map
