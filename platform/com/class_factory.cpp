#include "platform/com/class_factory.h"

#include <mutex>
#include <unordered_map>

#include "platform/com/error.h"
#include "platform/text/utf.h"

namespace com {
namespace {

struct Entry {
  CLSID clsid;
  ComPtr<IClassFactory> factory;
};

struct Table {
  std::mutex mutex;
  std::unordered_map<std::uint32_t, Entry> entries;
  std::uint32_t next = 1;
  ClassResolver resolver;
};

Table& table() {
  static Table* t = new Table;  // never destroyed: factories may outlive static teardown order
  return *t;
}

}  // namespace

std::uint32_t CoRegisterClassObject(const CLSID& clsid, IClassFactory* factory) {
  auto& t = table();
  std::lock_guard lock(t.mutex);
  auto cookie = t.next++;
  t.entries.emplace(cookie, Entry{clsid, ComPtr<IClassFactory>(factory)});
  return cookie;
}

void CoRevokeClassObject(std::uint32_t cookie) {
  ComPtr<IClassFactory> released;
  auto& t = table();
  std::lock_guard lock(t.mutex);
  auto it = t.entries.find(cookie);
  if (it == t.entries.end()) return;
  released = std::move(it->second.factory);
  t.entries.erase(it);
}

void setClassResolver(ClassResolver resolver) {
  auto& t = table();
  std::lock_guard lock(t.mutex);
  t.resolver = std::move(resolver);
}

HRESULT CoGetClassObject(const CLSID& clsid, IClassFactory** factory) {
  if (!factory) return E_POINTER;
  *factory = nullptr;
  ClassResolver resolver;
  {
    auto& t = table();
    std::lock_guard lock(t.mutex);
    for (auto& [cookie, e] : t.entries) {
      if (e.clsid == clsid) {
        *factory = ComPtr<IClassFactory>(e.factory).detach();
        return S_OK;
      }
    }
    resolver = t.resolver;
  }
  if (resolver) return resolver(clsid, factory);
  return REGDB_E_CLASSNOTREG;
}

HRESULT CoCreateInstance(const CLSID& clsid, IUnknown* outer, const IID& iid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  ComPtr<IClassFactory> factory;
  HRESULT hr = CoGetClassObject(clsid, reinterpret_cast<IClassFactory**>(factory.put()));
  if (failed(hr)) return hr;
  return factory->CreateInstance(outer, iid, ppv);
}

void throwCreateError(const CLSID& clsid, HRESULT hr) {
  std::string what = hr == REGDB_E_CLASSNOTREG ? "Class not registered" : "Cannot create object";
  what += ": " + clsid.toString();
  throw Error(hr, text::fromUtf8(what));
}

}  // namespace com
