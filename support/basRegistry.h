#pragma once
// The user-interface server's thin layer over the registry: options and
// quick picks below "Software\Quorvex\Carrowind". No call raises an error;
// a failed read gives empty text and a failed write leaves things as they were.
//
// Numbers: a numeric text is stored as REG_DWORD, rounded half to even. A
// number whose rounded value does not fit a signed 32-bit integer is stored
// as its trimmed text instead, so nothing is silently changed or wrapped.
#include <string>

#include "platform/com/variant.h"
#include "platform/registry/registry.h"

namespace support::basRegistry {

using registry::HKEY;

bool KeyExists(HKEY hive, const std::string& path);
// Text (REG_SZ, cut at its first NUL), a 32-bit number (REG_DWORD), or empty
// text for anything else.
com::Variant ReadSetting(HKEY hive, const std::string& path, const std::string& name);
void WriteSetting(HKEY hive, const std::string& path, const std::string& name, const com::Variant& value);
void DeleteSettingValue(HKEY hive, const std::string& path, const std::string& name);
void CreateKey(HKEY hive, const std::string& path);

// The return code of the last registry call made here.
registry::LONG lastResult();

}  // namespace support::basRegistry
