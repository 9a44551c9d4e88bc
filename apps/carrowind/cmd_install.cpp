// carrowind install / uninstall: per-user registration of the component
// libraries, as regsvr32 does on the original platform, and the product key
// the dialog needs.
#include <dlfcn.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>

#include "apps/carrowind/commands.h"
#include "engine/labeler.h"
#include "host/categories.h"
#include "hostui/class_ids.h"
#include "platform/com/error.h"
#include "platform/registry/class_registration.h"
#include "platform/registry/component_categories.h"
#include "platform/registry/store.h"
#include "support/basRegistry.h"
#include "support/error_sink/error_sink.h"
#include "support/quick_pick_store.h"

namespace carrowind::cli {
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

std::vector<Component> components() {
  return {
      {"libQVXCRW.so", {{engine::CLSID_QVXCarrowind, engine::kProgID_QVXCarrowind, "Carrowind labeler"}}, {}},
      {"libQVXCRWUI.so",
       {},
       {{hostui::CLSID_clsExtension, host::CATID_MxExtensions, host::kMxExtensionsName},
        {hostui::CLSID_clsQVXCWCommand, host::CATID_MxCommands, host::kMxCommandsName},
        {hostui::CLSID_clsMainToolBar, host::CATID_MxCommandBars, host::kMxCommandBarsName}}},
      {"libQVXErrorSink.so", {{support::CLSID_ErrorSink(), support::kErrorSinkProgId, "Quorvex error sink"}}, {}},
  };
}

using EntryPoint = com::HRESULT (*)();

// A library's self-registration entry, or null. The library stays loaded.
EntryPoint entryPoint(const fs::path& library, const char* name) {
  void* handle = ::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) throw CommandError(kExitFailure, "cannot load " + library.string() + ": " + ::dlerror());
  return reinterpret_cast<EntryPoint>(::dlsym(handle, name));
}

fs::path defaultPrefix() {
  std::error_code ec;
  const auto self = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::current_path() : self.parent_path().parent_path();
}

std::string hex(long code) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%08lX", static_cast<unsigned long>(code) & 0xffffffffUL);
  return buffer;
}

CommandError registrationFailed(const std::string& what, long code) {
  const std::string store = registry::storeError();
  return {kExitFailure, what + " failed (" + hex(code) + ")" + (store.empty() ? "" : ": " + store)};
}

// The dialog's design values: wrap labels and the introduction tab on, the
// two reminders off. The wrap length is left unset, which reads as "50".
void createProductKey() {
  using namespace support::basRegistry;
  const auto hive = registry::HKEY_CURRENT_USER;
  CreateKey(hive, support::quickpicks::kProductKey);
  WriteSetting(hive, support::quickpicks::kProductKey, u"Show Auto Refresh Message", u"FALSE");
  WriteSetting(hive, support::quickpicks::kProductKey, u"Show Skipped Items Message", u"FALSE");
  WriteSetting(hive, support::quickpicks::kProductKey, u"Wrap Labels", u"TRUE");
  WriteSetting(hive, support::quickpicks::kProductKey, u"Show Introduction Tab", u"TRUE");
}

int runInstall(const std::string& prefixOption) {
  const fs::path lib = (prefixOption.empty() ? defaultPrefix() : fs::path(prefixOption)) / "lib";
  int registered = 0;
  for (const auto& c : components()) {
    const fs::path file = lib / c.file;
    if (!fs::exists(file)) {
      std::cerr << "carrowind install: " << file.string() << " is not there; skipped\n";
      continue;
    }
    if (auto selfRegister = entryPoint(file, "DllRegisterServer")) {
      if (com::HRESULT hr = selfRegister(); com::failed(hr)) throw registrationFailed("registering " + file.string(), hr);
    } else if (!c.classes.empty()) {
      if (auto r = registry::registerServer(file, c.classes); r != registry::ERROR_SUCCESS)
        throw registrationFailed("registering " + file.string(), r);
    } else {
      std::cerr << "carrowind install: " << file.string() << " does not register itself; skipped\n";
      continue;
    }
    for (const auto& entry : c.categories) {
      if (auto r = registry::registerClassInCategory(entry.clsid, entry.catid, entry.categoryName);
          r != registry::ERROR_SUCCESS)
        throw registrationFailed("entering " + entry.clsid.toString() + " in \"" + entry.categoryName + "\"", r);
    }
    std::cout << "registered " << file.string() << '\n';
    ++registered;
  }
  if (registered == 0) throw inputError("no component library in " + lib.string());
  if (!support::basRegistry::KeyExists(registry::HKEY_CURRENT_USER, support::quickpicks::kProductKey)) {
    createProductKey();
    if (!support::basRegistry::KeyExists(registry::HKEY_CURRENT_USER, support::quickpicks::kProductKey))
      throw registrationFailed("creating HKEY_CURRENT_USER\\Software\\Quorvex\\Carrowind",
                               support::basRegistry::LastResult());
    std::cout << "created HKEY_CURRENT_USER\\Software\\Quorvex\\Carrowind\n";
  }
  std::cout << "settings store: " << registry::storePath().string() << '\n';
  return kExitOk;
}

int runUninstall(const std::string& prefixOption) {
  const fs::path lib = (prefixOption.empty() ? defaultPrefix() : fs::path(prefixOption)) / "lib";
  for (const auto& c : components()) {
    const fs::path file = lib / c.file;
    for (const auto& entry : c.categories) {
      if (auto r = registry::unregisterClassFromCategory(entry.clsid, entry.catid); r != registry::ERROR_SUCCESS)
        throw registrationFailed("removing " + entry.clsid.toString() + " from \"" + entry.categoryName + "\"", r);
    }
    EntryPoint selfUnregister = fs::exists(file) ? entryPoint(file, "DllUnregisterServer") : nullptr;
    if (selfUnregister) {
      if (com::HRESULT hr = selfUnregister(); com::failed(hr))
        throw registrationFailed("unregistering " + file.string(), hr);
    } else if (!c.classes.empty()) {
      // Known classes go even when their library has already been removed.
      if (auto r = registry::unregisterServer(c.classes); r != registry::ERROR_SUCCESS)
        throw registrationFailed("unregistering " + std::string(c.file), r);
    } else {
      continue;
    }
    std::cout << "unregistered " << c.file << '\n';
  }
  std::cout << "settings and quick picks are kept in " << registry::storePath().string() << '\n';
  return kExitOk;
}

const CommandRegistration installRegistration{80, [](CLI::App& program) -> Runner {
  auto prefix = std::make_shared<std::string>();
  auto* command = program.add_subcommand(
      "install",
      "Register the component libraries (QVXCRW, QVXCRWUI, the error sink) for this user, as regsvr32 does,\n"
      "and create the settings key Software\\Quorvex\\Carrowind with the dialog's defaults when it is missing.");
  command->add_option("--prefix", *prefix, "the installation folder; its lib/ holds the libraries (default: this program's)");
  return [prefix] { return runInstall(*prefix); };
}};

const CommandRegistration uninstallRegistration{81, [](CLI::App& program) -> Runner {
  auto prefix = std::make_shared<std::string>();
  auto* command = program.add_subcommand(
      "uninstall", "Remove this user's registration of the component libraries. Settings and quick picks stay.");
  command->add_option("--prefix", *prefix, "the installation folder (default: this program's)");
  return [prefix] { return runUninstall(*prefix); };
}};

}  // namespace
}  // namespace carrowind::cli
