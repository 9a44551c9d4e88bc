#pragma once
// The commands that menus and toolbars hold, by the UID they were placed
// with: a ProgID ("QVXCRWUI.clsQVXCWCommand") or a class identifier in
// braces. Each is created from its registration on first use and handed
// the application once (OnCreate); the same object then serves every menu
// and toolbar that names it, for the life of the application.
#include <map>
#include <set>
#include <string>

#include "host/extension.h"

namespace carrowind::map {

class CommandCatalog {
 public:
  explicit CommandCatalog(host::Ref<host::IApplication> application) : application_(std::move(application)) {}

  // The command, or null when it cannot be created or its OnCreate failed;
  // that failure is reported once and the UID is not tried again.
  host::Ref<host::ICommand> command(const host::Text& uid);

  // Forgets every command (the application is closing).
  void clear() { commands_.clear(); }

 private:
  host::Ref<host::IApplication> application_;
  std::map<std::u16string, host::Ref<host::ICommand>> commands_;  // by UID in lower case
  std::set<std::u16string> failed_;
};

// Creates an object of the class a UID names; throws com::Error for a
// ProgID or class identifier that is not registered.
template <class T>
host::Ref<T> createByUid(const host::Text& uid);

host::Ref<host::IUnknown> createUnknownByUid(const host::Text& uid);

template <class T>
host::Ref<T> createByUid(const host::Text& uid) {
  return createUnknownByUid(uid).template as<T>();
}

}  // namespace carrowind::map
