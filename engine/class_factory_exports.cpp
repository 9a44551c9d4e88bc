// The library's entry points: the class factory of QVXCarrowind, its self-registration and the
// question whether the library may be unloaded.
#include "engine/labeler_object.h"
#include "engine/module_lock.h"
#include "platform/com/class_factory.h"
#include "platform/registry/class_registration.h"
#include "platform/registry/component_categories.h"

namespace engine {
namespace {

class LabelerFactory : public com::ClassFactory<QVXCarrowind> {
 public:
  com::HRESULT LockServer(bool lock) override {
    ModuleLock::lockServer(lock);
    return com::S_OK;
  }

 private:
  ModuleLock::ObjectReference moduleRef_;
};

}  // namespace
}  // namespace engine

extern "C" __attribute__((visibility("default"))) com::HRESULT DllGetClassObject(const com::CLSID& clsid,
                                                                                const com::IID& iid, void** ppv) {
  if (!ppv) return com::E_POINTER;
  *ppv = nullptr;
  if (clsid != engine::CLSID_QVXCarrowind) return com::CLASS_E_CLASSNOTAVAILABLE;
  try {
    auto factory = com::make<engine::LabelerFactory>();
    return factory->QueryInterface(iid, ppv);
  } catch (...) {
    return com::E_OUTOFMEMORY;
  }
}

extern "C" __attribute__((visibility("default"))) com::HRESULT DllCanUnloadNow() {
  return engine::ModuleLock::canUnload() ? com::S_OK : com::S_FALSE;
}

namespace engine {
namespace {

std::vector<registry::ClassEntry> registeredClasses() {
  return {{CLSID_QVXCarrowind, kProgID_QVXCarrowind, "Quorvex Carrowind labeler"}};
}

}  // namespace
}  // namespace engine

// Self-registration, as regsvr32 asks for it: the class under the user's
// classes, pointing at this very file.
extern "C" __attribute__((visibility("default"))) com::HRESULT DllRegisterServer() {
  try {
    const auto self = registry::libraryContaining(reinterpret_cast<const void*>(&DllRegisterServer));
    return registry::hresultFromRegistry(registry::registerServer(self, engine::registeredClasses()));
  } catch (...) {
    return com::E_FAIL;
  }
}

extern "C" __attribute__((visibility("default"))) com::HRESULT DllUnregisterServer() {
  try {
    return registry::hresultFromRegistry(registry::unregisterServer(engine::registeredClasses()));
  } catch (...) {
    return com::E_FAIL;
  }
}
