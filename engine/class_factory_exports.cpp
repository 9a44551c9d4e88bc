// The library's entry points: the class factory of QVXCarrowind and the
// question whether the library may be unloaded.
#include "engine/labeler_object.h"
#include "engine/module_lock.h"
#include "platform/com/class_factory.h"

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
