#include "platform/registry/component_categories.h"

#include <string>

#include "platform/registry/transaction.h"

namespace registry {
namespace {

std::string implementedKey(const com::CLSID& clsid, const com::CLSID& catid) {
  return "CLSID\\" + clsid.toString() + "\\Implemented Categories\\" + catid.toString();
}

bool keyExists(const std::string& path) {
  HKEY key{};
  if (RegOpenKeyA(HKEY_CLASSES_ROOT, path.c_str(), &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

}  // namespace

LONG registerClassInCategory(const com::CLSID& clsid, const com::CLSID& catid, std::string_view description) {
  Transaction all;
  if (all.status() != ERROR_SUCCESS) return all.status();
  HKEY key{};
  const std::string category = "Component Categories\\" + catid.toString();
  if (LONG r = RegCreateKeyA(HKEY_CLASSES_ROOT, category.c_str(), &key); r != ERROR_SUCCESS) return r;
  const std::string text(description);
  LONG r = RegSetValueExA(key, "409", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1));
  RegCloseKey(key);
  if (r != ERROR_SUCCESS) return r;
  if (r = RegCreateKeyA(HKEY_CLASSES_ROOT, implementedKey(clsid, catid).c_str(), &key); r != ERROR_SUCCESS) return r;
  RegCloseKey(key);
  return all.commit();
}

LONG unregisterClassFromCategory(const com::CLSID& clsid, const com::CLSID& catid) {
  LONG r = RegDeleteTreeA(HKEY_CLASSES_ROOT, implementedKey(clsid, catid).c_str());
  return r == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : r;
}

std::vector<com::CLSID> classesInCategory(const com::CLSID& catid) {
  std::vector<com::CLSID> out;
  HKEY classes{};
  if (RegOpenKeyA(HKEY_CLASSES_ROOT, "CLSID", &classes) != ERROR_SUCCESS) return out;
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD size = sizeof name;
    if (RegEnumKeyExA(classes, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    auto clsid = com::Guid::parse(std::string(name, size));
    if (clsid && keyExists(implementedKey(*clsid, catid))) out.push_back(*clsid);
  }
  RegCloseKey(classes);
  return out;
}

com::HRESULT hresultFromRegistry(LONG code) {
  return code == ERROR_SUCCESS ? com::S_OK
                               : static_cast<com::HRESULT>(0x80070000u | (static_cast<unsigned>(code) & 0xffffu));
}

}  // namespace registry
