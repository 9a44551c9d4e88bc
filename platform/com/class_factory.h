#pragma once
// Class factories and creation by class identifier. Classes that live in the
// running program register their factory here; creation asks this table
// first and then the resolver for classes that must be found elsewhere
// (registered in-process servers, loaded on demand).
#include <functional>

#include "platform/com/object.h"

namespace com {

struct IClassFactory : IUnknown {
  COM_INTERFACE("00000001-0000-0000-C000-000000000046")
  virtual HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** ppv) = 0;
  virtual HRESULT LockServer(bool lock) = 0;
};

// A factory for a default-constructible implementation class T.
template <class T>
class ClassFactory : public Object<IClassFactory> {
 public:
  HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    try {
      ComPtr<T> obj = make<T>();
      return obj->QueryInterface(iid, ppv);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return E_FAIL;
    }
  }
  HRESULT LockServer(bool) override { return S_OK; }
};

// Registers a factory for the life of the program (or until revoked).
// Returns a cookie for CoRevokeClassObject.
std::uint32_t CoRegisterClassObject(const CLSID& clsid, IClassFactory* factory);
void CoRevokeClassObject(std::uint32_t cookie);

// Finds the factory of a class that is not registered in-process. Installed
// by the component loader; returns REGDB_E_CLASSNOTREG when it knows nothing.
using ClassResolver = std::function<HRESULT(const CLSID&, IClassFactory**)>;
void setClassResolver(ClassResolver resolver);

HRESULT CoGetClassObject(const CLSID& clsid, IClassFactory** factory);
HRESULT CoCreateInstance(const CLSID& clsid, IUnknown* outer, const IID& iid, void** ppv);

[[noreturn]] void throwCreateError(const CLSID& clsid, HRESULT hr);

// Creates an object and asks for interface T; throws Error on failure.
template <class T>
ComPtr<T> create(const CLSID& clsid) {
  ComPtr<T> r;
  HRESULT hr = CoCreateInstance(clsid, nullptr, T::iid(), r.put());
  if (failed(hr)) throwCreateError(clsid, hr);
  return r;
}

}  // namespace com
