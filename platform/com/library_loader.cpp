#include "platform/com/library_loader.h"

#include <dlfcn.h>

#include <map>
#include <mutex>
#include <unordered_map>

#include "platform/com/error.h"
#include "platform/text/utf.h"

namespace com {
namespace {

struct Loader {
  std::mutex mutex;
  std::unordered_map<CLSID, std::filesystem::path> servers;
  ServerLocator locator;
  bool resolverInstalled = false;
  // Libraries by canonical path. Loaded ones stay for later loads; the
  // creation path keeps its own strong references in `inUse`.
  std::map<std::filesystem::path, std::weak_ptr<ComponentLibrary>> loaded;
  std::map<std::filesystem::path, std::shared_ptr<ComponentLibrary>> inUse;
};

Loader& loader() {
  static Loader* l = new Loader;  // never destroyed: objects from the libraries may outlive statics
  return *l;
}

std::filesystem::path canonicalOrSame(const std::filesystem::path& p) {
  std::error_code ec;
  auto c = std::filesystem::weakly_canonical(p, ec);
  return ec ? p : c;
}

HRESULT resolve(const CLSID& clsid, IClassFactory** factory) {
  auto& l = loader();
  std::optional<std::filesystem::path> file;
  ServerLocator locator;
  {
    std::lock_guard lock(l.mutex);
    locator = l.locator;
    if (!locator) {
      auto it = l.servers.find(clsid);
      if (it != l.servers.end()) file = it->second;
    }
  }
  if (locator) file = locator(clsid);
  if (!file) return REGDB_E_CLASSNOTREG;
  std::shared_ptr<ComponentLibrary> lib;
  try {
    lib = ComponentLibrary::load(*file);
  } catch (const Error& e) {
    return e.code();
  }
  {
    std::lock_guard lock(l.mutex);
    l.inUse.emplace(lib->file(), lib);
  }
  return lib->getClassObject(clsid, IClassFactory::iid(), reinterpret_cast<void**>(factory));
}

void installResolverLocked(Loader& l) {
  if (l.resolverInstalled) return;
  l.resolverInstalled = true;
  setClassResolver(resolve);
}

}  // namespace

ComponentLibrary::ComponentLibrary(std::filesystem::path file, void* handle, DllGetClassObjectFn get,
                                   DllCanUnloadNowFn canUnload)
    : file_(std::move(file)), handle_(handle), getClassObject_(get), canUnloadNow_(canUnload) {}

ComponentLibrary::~ComponentLibrary() {
  if (handle_) dlclose(handle_);
}

std::shared_ptr<ComponentLibrary> ComponentLibrary::load(const std::filesystem::path& file) {
  auto key = canonicalOrSame(file);
  auto& l = loader();
  std::lock_guard lock(l.mutex);
  if (auto it = l.loaded.find(key); it != l.loaded.end()) {
    if (auto existing = it->second.lock()) return existing;
  }
  dlerror();
  void* handle = dlopen(key.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = dlerror();
    throw Error(CO_E_DLLNOTFOUND,
                text::fromUtf8("Cannot load component library " + file.string() + (why ? std::string(": ") + why : "")));
  }
  auto get = reinterpret_cast<DllGetClassObjectFn>(dlsym(handle, "DllGetClassObject"));
  auto canUnload = reinterpret_cast<DllCanUnloadNowFn>(dlsym(handle, "DllCanUnloadNow"));
  if (!get) {
    dlclose(handle);
    throw Error(CO_E_ERRORINDLL,
                text::fromUtf8("Component library " + file.string() + " does not export DllGetClassObject"));
  }
  std::shared_ptr<ComponentLibrary> lib(new ComponentLibrary(key, handle, get, canUnload));
  l.loaded[key] = lib;
  return lib;
}

HRESULT ComponentLibrary::getClassObject(const CLSID& clsid, const IID& iid, void** ppv) const {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  try {
    return getClassObject_(clsid, iid, ppv);
  } catch (...) {
    // An entry point must not throw; treat it as the library's failure.
    return CO_E_ERRORINDLL;
  }
}

HRESULT ComponentLibrary::canUnloadNow() const {
  if (!canUnloadNow_) return S_FALSE;
  return canUnloadNow_();
}

void setServerLocator(ServerLocator locator) {
  auto& l = loader();
  std::lock_guard lock(l.mutex);
  l.locator = std::move(locator);
  installResolverLocked(l);
}

void registerInprocServer(const CLSID& clsid, const std::filesystem::path& library) {
  auto& l = loader();
  std::lock_guard lock(l.mutex);
  l.servers[clsid] = library;
  installResolverLocked(l);
}

void unregisterInprocServer(const CLSID& clsid) {
  auto& l = loader();
  std::lock_guard lock(l.mutex);
  l.servers.erase(clsid);
}

int freeUnusedLibraries() {
  auto& l = loader();
  std::vector<std::shared_ptr<ComponentLibrary>> unload;
  {
    std::lock_guard lock(l.mutex);
    for (auto it = l.inUse.begin(); it != l.inUse.end();) {
      if (it->second.use_count() == 1 && it->second->canUnloadNow() == S_OK) {
        unload.push_back(std::move(it->second));
        it = l.inUse.erase(it);
      } else {
        ++it;
      }
    }
  }
  // Destroyed outside the lock: dlclose runs the library's destructors.
  int n = static_cast<int>(unload.size());
  unload.clear();
  return n;
}

}  // namespace com
