#pragma once
// The user-interface server's thin layer over the registry: the dialog's
// options and the quick picks below "Software\Quorvex\Carrowind". No call
// raises an error: a failed read gives empty text, a failed write or delete
// leaves the registry as it was. Texts are stored in the system code page
// (UTF-8).
//
// What a write stores:
// - a numeric text (platform::locale::isDecimalText: sign, digits, the
//   locale's decimal separator or a point, exponent; surrounding blanks
//   ignored), the same test the dialog applies to what is typed, or a number: REG_DWORD, rounded to a whole number, halves to the even
//   neighbour ("12.5" -> 12, "12.6" -> 13, "-7" -> -7);
// - a number whose rounded value does not fit a signed 32-bit integer: its
//   text, trimmed, as REG_SZ, so nothing is silently changed or wrapped
//   ("4294967296" stays "4294967296"); a number value is written as its
//   general text ("1E+20");
// - any other text: REG_SZ, leading and trailing blanks removed, one NUL
//   added; a boolean as "TRUE" or "FALSE", the form the options are read in;
//   empty and null as empty text; an object value writes nothing.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/com/variant.h"
#include "platform/registry/registry.h"

namespace support::basRegistry {

using registry::HKEY;
using registry::LONG;

// True when the key can be opened.
bool KeyExists(HKEY hive, std::u16string_view path);

// Text for a REG_SZ value (up to its first NUL), an Int32 number for a
// REG_DWORD value, empty text for a missing key or value, a failed read or
// any other value type.
com::Variant ReadSetting(HKEY hive, std::u16string_view path, std::u16string_view name);

// Opens the key, creating it and missing parents, and stores the value.
// Returns the store's answer to the write (callers of the dialog's options
// ignore it; quick picks must not list a pick whose value was refused).
LONG WriteSetting(HKEY hive, std::u16string_view path, std::u16string_view name, const com::Variant& value);

// WriteSetting for a value that must stay text whatever it looks like:
// trimmed, REG_SZ.
LONG WriteTextSetting(HKEY hive, std::u16string_view path, std::u16string_view name, std::u16string_view text);

// Deletes a value; nothing happens (ERROR_SUCCESS) when its key does not
// exist. Returns the store's answer to the delete.
LONG DeleteSettingValue(HKEY hive, std::u16string_view path, std::u16string_view name);

// Creates a key and any missing parents.
void CreateKey(HKEY hive, std::u16string_view path);

// What a read gave, as the text callers work with: a number in decimal.
std::u16string SettingText(const com::Variant& setting);

// The return code of the last registry call made here (for diagnostics).
registry::LONG LastResult();

}  // namespace support::basRegistry
