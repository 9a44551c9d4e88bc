#include "platform/registry/class_registration.h"

#include <dlfcn.h>

#include <tuple>

#include "platform/com/error.h"
#include "platform/com/library_loader.h"
#include "platform/registry/transaction.h"
#include "platform/text/utf.h"

namespace registry {
namespace {

LONG setText(const std::string& path, const char* name, const std::string& text) {
  HKEY key{};
  if (LONG r = RegCreateKeyA(HKEY_CLASSES_ROOT, path.c_str(), &key); r != ERROR_SUCCESS) return r;
  LONG r = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1));
  RegCloseKey(key);
  return r;
}

// The default value of a classes key, when it is text.
std::optional<std::string> defaultText(const std::string& path) {
  HKEY key{};
  if (RegOpenKeyA(HKEY_CLASSES_ROOT, path.c_str(), &key) != ERROR_SUCCESS) return std::nullopt;
  std::optional<std::string> result;
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExA(key, nullptr, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ)) {
    std::string data(size, '\0');
    if (RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) == ERROR_SUCCESS) {
      data.resize(std::min<std::size_t>(size, data.size()));
      if (auto nul = data.find('\0'); nul != std::string::npos) data.resize(nul);
      result = data;
    }
  }
  RegCloseKey(key);
  return result;
}

std::string clsidKey(const com::CLSID& clsid) { return "CLSID\\" + clsid.toString(); }

}  // namespace

LONG registerServer(const std::filesystem::path& library, const std::vector<ClassEntry>& classes) {
  Transaction all;
  if (all.status() != ERROR_SUCCESS) return all.status();
  const std::string file = std::filesystem::absolute(library).string();
  for (const auto& c : classes) {
    const std::string key = clsidKey(c.clsid);
    LONG r = RegDeleteTreeA(HKEY_CLASSES_ROOT, key.c_str());  // no stale subkeys from an older version
    if (r != ERROR_SUCCESS && r != ERROR_FILE_NOT_FOUND) return r;
    std::vector<std::tuple<std::string, const char*, std::string>> entries = {
        {key, "", c.description},
        {key + "\\InprocServer32", "", file},
        {key + "\\InprocServer32", "ThreadingModel", "Apartment"}};
    if (!c.progId.empty()) {
      entries.push_back({key + "\\ProgID", "", c.progId});
      entries.push_back({c.progId, "", c.description});
      entries.push_back({c.progId + "\\CLSID", "", c.clsid.toString()});
    }
    for (const auto& [path, name, text] : entries)
      if (r = setText(path, name, text); r != ERROR_SUCCESS) return r;
  }
  return all.commit();
}

LONG unregisterServer(const std::vector<ClassEntry>& classes) {
  Transaction all;
  if (all.status() != ERROR_SUCCESS) return all.status();
  for (const auto& c : classes) {
    LONG r = RegDeleteTreeA(HKEY_CLASSES_ROOT, clsidKey(c.clsid).c_str());
    if (r != ERROR_SUCCESS && r != ERROR_FILE_NOT_FOUND) return r;
    if (c.progId.empty()) continue;
    // A ProgID taken over by another class stays with it.
    auto named = defaultText(c.progId + "\\CLSID");
    if (named && com::Guid::parse(*named) == c.clsid) {
      r = RegDeleteTreeA(HKEY_CLASSES_ROOT, c.progId.c_str());
      if (r != ERROR_SUCCESS && r != ERROR_FILE_NOT_FOUND) return r;
    }
  }
  return all.commit();
}

std::optional<std::filesystem::path> registeredServer(const com::CLSID& clsid) {
  auto file = defaultText(clsidKey(clsid) + "\\InprocServer32");
  if (!file || file->empty()) return std::nullopt;
  return std::filesystem::path(*file);
}

std::optional<com::CLSID> classFromProgId(std::string_view progId) {
  if (progId.empty()) return std::nullopt;
  auto text = defaultText(std::string(progId) + "\\CLSID");
  if (!text) return std::nullopt;
  return com::Guid::parse(*text);
}

void useRegisteredServers() { com::setServerLocator(registeredServer); }

std::filesystem::path libraryContaining(const void* symbol) {
  Dl_info info{};
  if (::dladdr(symbol, &info) == 0 || !info.dli_fname) return {};
  std::error_code ec;
  auto path = std::filesystem::canonical(info.dli_fname, ec);
  return ec ? std::filesystem::path(info.dli_fname) : path;
}

void throwUnknownProgId(std::string_view progId) {
  throw com::Error(com::CO_E_CLASSSTRING, text::fromUtf8("Invalid class string: " + std::string(progId)));
}

}  // namespace registry
