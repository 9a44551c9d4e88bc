#pragma once
// In-process servers: component libraries loaded at run time and asked for
// class factories through their exported DllGetClassObject, as COM does with
// a registered in-process server. Where a class's library lives comes from a
// locator; the default one answers from registerInprocServer, and the
// per-user settings store can install its own, so that creation by class
// identifier (CoCreateInstance) finds classes registered there.
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "platform/com/class_factory.h"

namespace com {

// The entry points every component library exports with C linkage.
using DllGetClassObjectFn = HRESULT (*)(const CLSID& clsid, const IID& iid, void** ppv);
using DllCanUnloadNowFn = HRESULT (*)();

class ComponentLibrary {
 public:
  // Loads a library (a second load of the same file shares the first).
  // Throws Error: CO_E_DLLNOTFOUND when it cannot be loaded, CO_E_ERRORINDLL
  // when it lacks DllGetClassObject.
  static std::shared_ptr<ComponentLibrary> load(const std::filesystem::path& file);

  ComponentLibrary(const ComponentLibrary&) = delete;
  ComponentLibrary& operator=(const ComponentLibrary&) = delete;
  ~ComponentLibrary();

  HRESULT getClassObject(const CLSID& clsid, const IID& iid, void** ppv) const;
  // S_OK when the library holds no objects or locks; S_FALSE otherwise, and
  // also when it does not export DllCanUnloadNow.
  HRESULT canUnloadNow() const;
  const std::filesystem::path& file() const { return file_; }

 private:
  ComponentLibrary(std::filesystem::path file, void* handle, DllGetClassObjectFn get, DllCanUnloadNowFn canUnload);

  std::filesystem::path file_;
  void* handle_;
  DllGetClassObjectFn getClassObject_;
  DllCanUnloadNowFn canUnloadNow_;
};

using ServerLocator = std::function<std::optional<std::filesystem::path>(const CLSID&)>;

// Replaces the locator (an empty one restores the default). Creation by
// class identifier then loads the located library on first use.
void setServerLocator(ServerLocator locator);

// The default locator's table.
void registerInprocServer(const CLSID& clsid, const std::filesystem::path& library);
void unregisterInprocServer(const CLSID& clsid);

// Unloads the libraries loaded for creation whose DllCanUnloadNow agrees and
// that nobody else holds. Returns how many were unloaded.
int freeUnusedLibraries();

}  // namespace com
