#include "apps/setup/component_registration.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "engine/labeler.h"
#include "host/categories.h"
#include "hostui/class_ids.h"
#include "platform/registry/class_registration.h"
#include "platform/registry/component_categories.h"
#include "platform/registry/store.h"
#include "support/basRegistry.h"
#include "support/error_sink/error_sink.h"
#include "support/quick_pick_store.h"

namespace carrowind::setup {
namespace {

namespace fs = std::filesystem;

struct CategoryEntry {
  com::CLSID clsid;
  com::CLSID catid;
  const char* categoryName;
};

struct Component {
  const char* file;
  // Registered here when the library does not register itself.
  std::vector<registry::ClassEntry> classes;
  // Entered in the host's component categories once the library is
  // registered; the library never does that itself.
  std::vector<CategoryEntry> categories;
};

const std::vector<Component>& components() {
  static const std::vector<Component> list{
      {"libQVXCRW.so", {{engine::CLSID_QVXCarrowind, engine::kProgID_QVXCarrowind, "Carrowind labeler"}}, {}},
      {"libQVXCRWUI.so",
       {},
       {{hostui::CLSID_clsExtension, host::CATID_MxExtensions, host::kMxExtensionsName},
        {hostui::CLSID_clsQVXCWCommand, host::CATID_MxCommands, host::kMxCommandsName},
        {hostui::CLSID_clsMainToolBar, host::CATID_MxCommandBars, host::kMxCommandBarsName}}},
      {"libQVXErrorSink.so", {{support::CLSID_ErrorSink(), support::kErrorSinkProgId, "Quorvex error sink"}}, {}},
  };
  return list;
}

using EntryPoint = com::HRESULT (*)();

// A library's self-registration entry, or null. The library stays loaded.
EntryPoint entryPoint(const fs::path& library, const char* name) {
  void* handle = ::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) throw std::runtime_error("cannot load " + library.string() + ": " + ::dlerror());
  return reinterpret_cast<EntryPoint>(::dlsym(handle, name));
}

std::string hex(long code) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%08lX", static_cast<unsigned long>(code) & 0xffffffffUL);
  return buffer;
}

RegistrationError failed(const std::string& what, long code) {
  const std::string store = registry::storeError();
  return RegistrationError(what + " failed (" + hex(code) + ")" + (store.empty() ? "" : ": " + store));
}

bool serverExists(const com::CLSID& clsid) {
  std::error_code ec;
  const auto server = registry::registeredServer(clsid);
  return server && fs::exists(*server, ec);
}

bool inCategory(const CategoryEntry& entry) {
  const auto listed = registry::classesInCategory(entry.catid);
  return std::find(listed.begin(), listed.end(), entry.clsid) != listed.end();
}

bool productKeyExists() {
  return support::basRegistry::KeyExists(registry::HKEY_CURRENT_USER, support::quickpicks::kProductKey);
}

}  // namespace

fs::path programPrefix() {
  std::error_code ec;
  const auto self = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::current_path() : self.parent_path().parent_path();
}

fs::path componentDirectory(const fs::path& prefix) {
  std::error_code ec;
  if (fs::is_directory(prefix / "lib" / "carrowind", ec)) return prefix / "lib" / "carrowind";
  return prefix / "lib";
}

int registerComponents(const fs::path& directory, const Progress& progress) {
  int registered = 0;
  auto skip = [&](const fs::path& file, const char* why) {
    if (progress.skipped) progress.skipped(file, why);
  };
  for (const auto& c : components()) {
    const fs::path file = directory / c.file;
    if (!fs::exists(file)) {
      skip(file, "is not there");
      continue;
    }
    if (auto selfRegister = entryPoint(file, "DllRegisterServer")) {
      if (com::HRESULT hr = selfRegister(); com::failed(hr)) throw failed("registering " + file.string(), hr);
    } else if (!c.classes.empty()) {
      if (auto r = registry::registerServer(file, c.classes); r != registry::ERROR_SUCCESS)
        throw failed("registering " + file.string(), r);
    } else {
      skip(file, "does not register itself");
      continue;
    }
    for (const auto& entry : c.categories) {
      if (auto r = registry::registerClassInCategory(entry.clsid, entry.catid, entry.categoryName);
          r != registry::ERROR_SUCCESS)
        throw failed("entering " + entry.clsid.toString() + " in \"" + entry.categoryName + "\"", r);
    }
    if (progress.registered) progress.registered(file);
    ++registered;
  }
  return registered;
}

void unregisterComponents(const fs::path& directory, const std::function<void(const std::string&)>& unregistered) {
  for (const auto& c : components()) {
    const fs::path file = directory / c.file;
    for (const auto& entry : c.categories) {
      if (auto r = registry::unregisterClassFromCategory(entry.clsid, entry.catid); r != registry::ERROR_SUCCESS)
        throw failed("removing " + entry.clsid.toString() + " from \"" + entry.categoryName + "\"", r);
    }
    EntryPoint selfUnregister = fs::exists(file) ? entryPoint(file, "DllUnregisterServer") : nullptr;
    if (selfUnregister) {
      if (com::HRESULT hr = selfUnregister(); com::failed(hr)) throw failed("unregistering " + file.string(), hr);
    } else if (!c.classes.empty()) {
      // Known classes go even when their library has already been removed.
      if (auto r = registry::unregisterServer(c.classes); r != registry::ERROR_SUCCESS)
        throw failed("unregistering " + std::string(c.file), r);
    } else {
      continue;
    }
    if (unregistered) unregistered(c.file);
  }
}

// The dialog's design values: wrap labels and the introduction tab on, the
// two reminders off. The wrap length is left unset, which reads as "50".
bool createProductKey() {
  using namespace support::basRegistry;
  if (productKeyExists()) return false;
  const auto hive = registry::HKEY_CURRENT_USER;
  const auto key = support::quickpicks::kProductKey;
  CreateKey(hive, key);
  WriteSetting(hive, key, u"Show Auto Refresh Message", u"FALSE");
  WriteSetting(hive, key, u"Show Skipped Items Message", u"FALSE");
  WriteSetting(hive, key, u"Wrap Labels", u"TRUE");
  WriteSetting(hive, key, u"Show Introduction Tab", u"TRUE");
  if (!productKeyExists()) throw failed("creating the settings key Software\\Quorvex\\Carrowind", LastResult());
  return true;
}

bool isRegistered(const fs::path& directory) {
  // Asking a store that is not there would create it.
  std::error_code ec;
  if (!fs::exists(registry::storePath(), ec)) return false;
  for (const auto& c : components()) {
    if (!fs::exists(directory / c.file, ec)) continue;
    for (const auto& entry : c.classes)
      if (!serverExists(entry.clsid)) return false;
    for (const auto& entry : c.categories)
      if (!serverExists(entry.clsid) || !inCategory(entry)) return false;
  }
  return productKeyExists();
}

void ensureRegistered() noexcept {
  try {
    const fs::path directory = componentDirectory(programPrefix());
    if (isRegistered(directory)) return;
    registerComponents(directory);
    createProductKey();
  } catch (...) {
    // Whatever needed the registration reports its absence in its own words.
  }
}

}  // namespace carrowind::setup
