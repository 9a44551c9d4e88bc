#pragma once
// Self-registration of in-process servers and creation through it, as COM
// does it with the registry: per user, under HKEY_CLASSES_ROOT (the user's
// Software\Classes).
//
//   CLSID\{clsid}                   (default) = description
//   CLSID\{clsid}\InprocServer32    (default) = the library's path, ThreadingModel = "Apartment"
//   CLSID\{clsid}\ProgID            (default) = progId
//   <progId>                        (default) = description
//   <progId>\CLSID                  (default) = {clsid}
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/class_factory.h"
#include "platform/registry/registry.h"

namespace registry {

struct ClassEntry {
  com::CLSID clsid;
  std::string progId;
  std::string description;
};

// Writes the classes' entries for library in one transaction (replacing
// earlier ones). Returns the failing call's code.
LONG registerServer(const std::filesystem::path& library, const std::vector<ClassEntry>& classes);
// Removes the classes' CLSID keys and those of their ProgIDs that still name
// them. Missing entries are no failure.
LONG unregisterServer(const std::vector<ClassEntry>& classes);

// The registered library of a class.
std::optional<std::filesystem::path> registeredServer(const com::CLSID& clsid);
// The class a ProgID names (CLSIDFromProgID).
std::optional<com::CLSID> classFromProgId(std::string_view progId);

// Makes creation by class identifier (com::create, CoCreateInstance) load
// classes registered here: the library is loaded once and asked for the
// class factory. Classes the program registered itself come first.
void useRegisteredServers();

// Creates an object by ProgID; throws com::Error (CO_E_CLASSSTRING for an
// unknown ProgID, REGDB_E_CLASSNOTREG for a class without a server).
template <class T>
com::ComPtr<T> createByProgId(std::string_view progId);

// The file of the loaded library that holds `symbol`, for DllRegisterServer.
std::filesystem::path libraryContaining(const void* symbol);

[[noreturn]] void throwUnknownProgId(std::string_view progId);

template <class T>
com::ComPtr<T> createByProgId(std::string_view progId) {
  auto clsid = classFromProgId(progId);
  if (!clsid) throwUnknownProgId(progId);
  return com::create<T>(*clsid);
}

}  // namespace registry
