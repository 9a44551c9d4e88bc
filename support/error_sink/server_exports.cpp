// The sink library's entry points: its class factory, whether it may be
// unloaded, and its self-registration.
#include "platform/com/class_factory.h"
#include "platform/registry/class_registration.h"
#include "platform/registry/component_categories.h"
#include "support/error_sink/error_log.h"
#include "support/error_sink/server_lock.h"

namespace support {
namespace {

class ErrorSinkFactory : public com::ClassFactory<clsErrorSink> {
 public:
  com::HRESULT LockServer(bool lock) override {
    ServerLock::lockServer(lock);
    return com::S_OK;
  }
};

std::vector<registry::ClassEntry> classes() {
  return {{CLSID_ErrorSink(), kErrorSinkProgId, "Quorvex error sink: appends error reports to a log"}};
}

}  // namespace
}  // namespace support

#define CW_EXPORT extern "C" __attribute__((visibility("default")))

CW_EXPORT com::HRESULT DllGetClassObject(const com::CLSID& clsid, const com::IID& iid, void** ppv) {
  if (!ppv) return com::E_POINTER;
  *ppv = nullptr;
  if (clsid != support::CLSID_ErrorSink()) return com::CLASS_E_CLASSNOTAVAILABLE;
  try {
    return com::make<support::ErrorSinkFactory>()->QueryInterface(iid, ppv);
  } catch (...) {
    return com::E_OUTOFMEMORY;
  }
}

CW_EXPORT com::HRESULT DllCanUnloadNow() { return support::ServerLock::canUnload() ? com::S_OK : com::S_FALSE; }

CW_EXPORT com::HRESULT DllRegisterServer() {
  try {
    const auto self = registry::libraryContaining(reinterpret_cast<const void*>(&DllRegisterServer));
    return registry::hresultFromRegistry(registry::registerServer(self, support::classes()));
  } catch (...) {
    return com::E_FAIL;
  }
}

CW_EXPORT com::HRESULT DllUnregisterServer() {
  try {
    return registry::hresultFromRegistry(registry::unregisterServer(support::classes()));
  } catch (...) {
    return com::E_FAIL;
  }
}
