#pragma once
// The registry calls of advapi32, with their Windows roles and return codes,
// over the per-user settings store. The "A" calls take and give bytes in the
// system code page, which is UTF-8 here. Key and value names compare without
// regard to letter case and keep the case they were created with.
//
// HKEY_CLASSES_ROOT is the user's own "Software\Classes" under
// HKEY_CURRENT_USER: component registration is per user and needs no root.
// HKEY_LOCAL_MACHINE is kept in the same per-user store.
//
// Each call is one atomic change; registry::Transaction groups several.
// The system runs on one thread; the calls are nevertheless serialised.
// A handle belongs to the process that opened it.
#include <cstdint>
#include <string>

namespace registry {

using LONG = std::int32_t;
using DWORD = std::uint32_t;
using BYTE = std::uint8_t;
using LPCSTR = const char*;
using LPSTR = char*;

// A key handle. The predefined hives have fixed values; handles from
// RegOpenKeyA/RegCreateKeyA are closed with RegCloseKey.
enum class HKEY : std::uint32_t {};
constexpr HKEY HKEY_CLASSES_ROOT{0x80000000u};
constexpr HKEY HKEY_CURRENT_USER{0x80000001u};
constexpr HKEY HKEY_LOCAL_MACHINE{0x80000002u};
using PHKEY = HKEY*;

struct FILETIME {
  DWORD dwLowDateTime = 0;
  DWORD dwHighDateTime = 0;
};

// Return codes (winerror.h values).
constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr LONG ERROR_WRITE_PROTECT = 19;    // the store file cannot be written (read-only)
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_OUTOFMEMORY = 14;
constexpr LONG ERROR_DISK_FULL = 112;
constexpr LONG ERROR_INVALID_PARAMETER = 87;
constexpr LONG ERROR_BAD_PATHNAME = 161;
constexpr LONG ERROR_BUSY = 170;
constexpr LONG ERROR_MORE_DATA = 234;
constexpr LONG ERROR_NO_MORE_ITEMS = 259;
constexpr LONG ERROR_BADDB = 1009;          // the store file is damaged or not a store
constexpr LONG ERROR_CANTOPEN = 1011;       // the store file cannot be opened
constexpr LONG ERROR_REGISTRY_IO_FAILED = 1016;
constexpr LONG ERROR_KEY_DELETED = 1018;    // the handle's key was deleted meanwhile
constexpr LONG ERROR_TRANSACTION_ALREADY_ABORTED = 6704;  // a Transaction was rolled back

// How far keys and values may grow: the Windows registry's own limits, so
// that whatever the store holds can be exported and imported again. Names
// count characters (UTF-16 code units, as on Windows), data counts bytes.
constexpr unsigned kMaxKeyDepth = 512;          // levels below a hive
constexpr unsigned kMaxKeyNameLength = 255;
constexpr unsigned kMaxValueNameLength = 16383;
constexpr unsigned kMaxValueSize = 1024 * 1024;  // the standard hive format's limit

// Value types.
constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;

// Opens an existing key. An empty or null lpSubKey opens hKey itself: a
// hive gives back its own handle, any other key a new one.
LONG RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult);
// Opens a key, creating it and any missing parents; ERROR_BAD_PATHNAME
// when a key to be created would lie deeper than kMaxKeyDepth.
LONG RegCreateKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult);
LONG RegCloseKey(HKEY hKey);

// Type and size of a value; with lpData, also its data. A null or empty
// lpValueName is the key's default value. ERROR_MORE_DATA (and the needed
// size in *lpcbData) when the buffer is too small.
LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, DWORD* lpReserved, DWORD* lpType, BYTE* lpData,
                      DWORD* lpcbData);
// Stores cbData bytes as given: strings should include their terminating NUL.
// ERROR_INVALID_PARAMETER for a name or data beyond the limits above.
LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                    DWORD cbData);
LONG RegDeleteValueA(HKEY hKey, LPCSTR lpValueName);

// Deletes a key that has no subkeys (ERROR_ACCESS_DENIED when it has some).
// An empty lpSubKey deletes hKey's own key.
LONG RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey);
// Deletes a key with everything below it; a null lpSubKey deletes hKey's
// subkeys and values but keeps the key.
LONG RegDeleteTreeA(HKEY hKey, LPCSTR lpSubKey);

// Subkeys in order of their names, ignoring letter case. *lpcchName holds the
// buffer size in characters, NUL included, and receives the name's length.
LONG RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, DWORD* lpcchName, DWORD* lpReserved, LPSTR lpClass,
                   DWORD* lpcchClass, FILETIME* lpftLastWriteTime);
// Values in the order they were first written; name and data as in
// RegEnumKeyExA and RegQueryValueExA (ERROR_MORE_DATA when either is short).
LONG RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, DWORD* lpcchValueName, DWORD* lpReserved,
                   DWORD* lpType, BYTE* lpData, DWORD* lpcbData);
}  // namespace registry
