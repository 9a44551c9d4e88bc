// The user-interface library's entry points: class factories for the three
// classes a host creates, whether the library may be unloaded, and its
// self-registration. Entering the classes in the host's component
// categories is left to installation.
#include "hostui/class_ids.h"
#include "hostui/clsExtension.h"
#include "hostui/clsMainToolBar.h"
#include "hostui/clsQVXCWCommand.h"
#include "platform/com/class_factory.h"
#include "platform/registry/class_registration.h"
#include "platform/registry/component_categories.h"

namespace hostui {
namespace {

template <class T>
class Factory : public com::ClassFactory<T> {
 public:
  com::HRESULT LockServer(bool lock) override {
    ServerLock::lockServer(lock);
    return com::S_OK;
  }

 private:
  ServerLock::ObjectReference lock_;
};

template <class T>
com::HRESULT factoryFor(const com::IID& iid, void** ppv) {
  try {
    return com::make<Factory<T>>()->QueryInterface(iid, ppv);
  } catch (...) {
    return com::E_OUTOFMEMORY;
  }
}

std::vector<registry::ClassEntry> registeredClasses() {
  return {{CLSID_clsExtension, kProgID_clsExtension, "Carrowind extension"},
          {CLSID_clsMainToolBar, kProgID_clsMainToolBar, "Carrowind Labels toolbar"},
          {CLSID_clsQVXCWCommand, kProgID_clsQVXCWCommand, "Carrowind Labels command"}};
}

}  // namespace
}  // namespace hostui

#define CW_EXPORT extern "C" __attribute__((visibility("default")))

CW_EXPORT com::HRESULT DllGetClassObject(const com::CLSID& clsid, const com::IID& iid, void** ppv) {
  if (!ppv) return com::E_POINTER;
  *ppv = nullptr;
  if (clsid == hostui::CLSID_clsExtension) return hostui::factoryFor<hostui::clsExtension>(iid, ppv);
  if (clsid == hostui::CLSID_clsMainToolBar) return hostui::factoryFor<hostui::clsMainToolBar>(iid, ppv);
  if (clsid == hostui::CLSID_clsQVXCWCommand) return hostui::factoryFor<hostui::clsQVXCWCommand>(iid, ppv);
  return com::CLASS_E_CLASSNOTAVAILABLE;
}

CW_EXPORT com::HRESULT DllCanUnloadNow() { return hostui::ServerLock::canUnload() ? com::S_OK : com::S_FALSE; }

CW_EXPORT com::HRESULT DllRegisterServer() {
  try {
    const auto self = registry::libraryContaining(reinterpret_cast<const void*>(&DllRegisterServer));
    return registry::hresultFromRegistry(registry::registerServer(self, hostui::registeredClasses()));
  } catch (...) {
    return com::E_FAIL;
  }
}

CW_EXPORT com::HRESULT DllUnregisterServer() {
  try {
    return registry::hresultFromRegistry(registry::unregisterServer(hostui::registeredClasses()));
  } catch (...) {
    return com::E_FAIL;
  }
}
