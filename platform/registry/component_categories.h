#pragma once
// Component categories, as COM keeps them under HKEY_CLASSES_ROOT: a host
// finds the extensions, commands and command bars it should load by the
// categories their classes implement.
//
//   Component Categories\{catid}                          409 = description
//   CLSID\{clsid}\Implemented Categories\{catid}
#include <string_view>
#include <vector>

#include "platform/com/class_factory.h"
#include "platform/registry/registry.h"

namespace registry {

// Enters a registered class in a category (creating the category with its
// description when it is new), in one transaction. Enter classes after
// registering their server: registration rewrites the class's key.
LONG registerClassInCategory(const com::CLSID& clsid, const com::CLSID& catid, std::string_view description);
// Removes the entry; a missing entry is no failure.
LONG unregisterClassFromCategory(const com::CLSID& clsid, const com::CLSID& catid);

// The registered classes that implement a category, in the store's order.
std::vector<com::CLSID> classesInCategory(const com::CLSID& catid);

// A registry result as the HRESULT a self-registration entry returns.
com::HRESULT hresultFromRegistry(LONG code);

}  // namespace registry
