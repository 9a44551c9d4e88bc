// The registry calls over the store: key handles, paths resolved key by key,
// and the buffer conventions of the Windows calls.
#include "platform/registry/registry.h"

#include <chrono>
#include <cstring>
#include <unordered_map>

#include "platform/registry/key_names.h"
#include "platform/registry/store_connection.h"

namespace registry {
namespace {

using detail::Query;
using detail::Store;

struct Handle {
  std::int64_t key;
  unsigned generation;
};

struct Handles {
  std::unordered_map<std::uint32_t, Handle> open;
  std::uint32_t next = 1;
};

Handles& handles() {
  static Handles* h = new Handles;  // guarded by the store lock; never destroyed
  return *h;
}

bool isPredefined(HKEY h) { return h == HKEY_CURRENT_USER || h == HKEY_LOCAL_MACHINE || h == HKEY_CLASSES_ROOT; }

std::int64_t nowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

std::string nameOf(LPCSTR name) { return name ? std::string(name) : std::string(); }

// The id of a child key, 0 when there is none.
std::int64_t findChild(Store& s, std::int64_t parent, const std::string& name) {
  Query q(s, "SELECT id FROM key WHERE parent = ?1 AND fold = ?2");
  q.bind(1, parent).bindText(2, detail::foldName(name));
  return q.step() ? q.integer(0) : 0;
}

std::int64_t createChild(Store& s, std::int64_t parent, const std::string& name) {
  if (auto id = findChild(s, parent, name)) return id;
  Query q(s, "INSERT INTO key(parent, name, fold, written) VALUES(?1, ?2, ?3, ?4)");
  q.bind(1, parent).bindText(2, name).bindText(3, detail::foldName(name)).bind(4, nowMs());
  q.step();
  return sqlite3_last_insert_rowid(s.db);
}

// Levels between a key and its hive (0 for a hive). Walked in SQL: a store
// written before keys were limited may be arbitrarily deep.
std::int64_t depthOf(Store& s, std::int64_t id) {
  Query q(s,
          "WITH RECURSIVE up(id, n) AS (SELECT ?1, 0 UNION ALL "
          "SELECT key.parent, up.n + 1 FROM key JOIN up ON key.id = up.id WHERE key.parent <> 0 AND up.n < 1000000) "
          "SELECT max(n) FROM up");
  q.bind(1, id);
  return q.step() ? q.integer(0) : 0;
}

bool keyExists(Store& s, std::int64_t id) {
  Query q(s, "SELECT 1 FROM key WHERE id = ?1");
  q.bind(1, id);
  return q.step();
}

void touch(Store& s, std::int64_t id) {
  Query q(s, "UPDATE key SET written = ?2 WHERE id = ?1");
  q.bind(1, id).bind(2, nowMs());
  q.step();
}

// The key a handle stands for. HKEY_CLASSES_ROOT is the user's
// Software\Classes, made when `create` asks for it.
LONG resolve(Store& s, HKEY h, bool create, std::int64_t* id) {
  if (h == HKEY_CURRENT_USER) {
    *id = s.currentUser;
  } else if (h == HKEY_LOCAL_MACHINE) {
    *id = s.localMachine;
  } else if (h == HKEY_CLASSES_ROOT) {
    std::int64_t key = s.currentUser;
    for (const char* part : {"Software", "Classes"}) {
      key = create ? createChild(s, key, part) : findChild(s, key, part);
      if (!key) return ERROR_FILE_NOT_FOUND;
    }
    *id = key;
  } else {
    auto& open = handles().open;
    auto it = open.find(static_cast<std::uint32_t>(h));
    if (it == open.end() || it->second.generation != detail::storeGeneration()) return ERROR_INVALID_HANDLE;
    if (!keyExists(s, it->second.key)) return ERROR_KEY_DELETED;
    *id = it->second.key;
  }
  return ERROR_SUCCESS;
}

HKEY newHandle(std::int64_t key) {
  auto& h = handles();
  // Numbers are not reused while open; they stay clear of the hive values.
  while (h.next == 0 || h.next >= 0x80000000u || h.open.count(h.next)) h.next = h.next >= 0x7fffffffu ? 1 : h.next + 1;
  const auto number = h.next++;
  h.open[number] = Handle{key, detail::storeGeneration()};
  return static_cast<HKEY>(number);
}

LONG openOrCreate(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult, bool create) {
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  *phkResult = HKEY{};
  auto parts = detail::splitKeyPath(lpSubKey ? lpSubKey : "");
  if (!parts) return ERROR_BAD_PATHNAME;
  if (parts->empty() && isPredefined(hKey)) {
    *phkResult = hKey;
    return ERROR_SUCCESS;
  }
  std::int64_t found = 0;
  LONG r = detail::change(create, [&](Store& s) {
    std::int64_t key = 0;
    if (LONG r = resolve(s, hKey, create, &key); r != ERROR_SUCCESS) return r;
    std::int64_t depth = -1;  // of `key`, looked up once a key is to be made
    for (const auto& part : *parts) {
      const std::int64_t parent = key;
      key = findChild(s, parent, part);
      if (!key && create) {
        if (depth < 0) depth = depthOf(s, parent);
        if (depth + 1 > kMaxKeyDepth) return ERROR_BAD_PATHNAME;
        key = createChild(s, parent, part);
      }
      if (!key) return ERROR_FILE_NOT_FOUND;
      if (depth >= 0) ++depth;
    }
    found = key;
    return ERROR_SUCCESS;
  });
  if (r == ERROR_SUCCESS) *phkResult = newHandle(found);
  return r;
}

// Copies bytes to a caller's buffer with the size conventions of
// RegQueryValueExA: size only without a buffer, ERROR_MORE_DATA when short.
LONG giveData(std::string_view data, BYTE* lpData, DWORD* lpcbData) {
  if (!lpcbData) return ERROR_SUCCESS;
  const auto size = static_cast<DWORD>(data.size());
  if (lpData && *lpcbData < size) {
    *lpcbData = size;
    return ERROR_MORE_DATA;
  }
  if (lpData && size) std::memcpy(lpData, data.data(), size);
  *lpcbData = size;
  return ERROR_SUCCESS;
}

// Copies a name with its NUL; *lpcch holds the buffer size in characters
// and receives the length without the NUL (the needed length when short).
LONG giveName(const std::string& name, LPSTR buffer, DWORD* lpcch) {
  const auto length = static_cast<DWORD>(name.size());
  if (*lpcch <= length) {
    *lpcch = length;
    return ERROR_MORE_DATA;
  }
  std::memcpy(buffer, name.c_str(), name.size() + 1);
  *lpcch = length;
  return ERROR_SUCCESS;
}

FILETIME fileTime(std::int64_t ms) {
  // 100-nanosecond steps since 1601.
  const auto ticks = static_cast<std::uint64_t>(ms + 11644473600000LL) * 10000u;
  return FILETIME{static_cast<DWORD>(ticks & 0xffffffffu), static_cast<DWORD>(ticks >> 32)};
}

// The key named by hKey and lpSubKey (hKey's own for an empty path), for the
// deleting calls; hives and the classes root may not be deleted.
LONG target(Store& s, HKEY hKey, LPCSTR lpSubKey, std::int64_t* id) {
  auto parts = detail::splitKeyPath(lpSubKey ? lpSubKey : "");
  if (!parts) return ERROR_BAD_PATHNAME;
  if (parts->empty() && isPredefined(hKey)) return ERROR_ACCESS_DENIED;
  std::int64_t key = 0;
  if (LONG r = resolve(s, hKey, false, &key); r != ERROR_SUCCESS) return r;
  for (const auto& part : *parts) {
    key = findChild(s, key, part);
    if (!key) return ERROR_FILE_NOT_FOUND;
  }
  if (key == s.currentUser || key == s.localMachine) return ERROR_ACCESS_DENIED;
  *id = key;
  return ERROR_SUCCESS;
}

void deleteBelow(Store& s, std::int64_t id, bool keepKey) {
  Query values(s,
               "WITH RECURSIVE below(id) AS (SELECT ?1 UNION ALL SELECT key.id FROM key JOIN below ON key.parent = below.id) "
               "DELETE FROM value WHERE key IN below");
  values.bind(1, id);
  values.step();
  Query keys(s,
             "WITH RECURSIVE below(id) AS (SELECT ?1 UNION ALL SELECT key.id FROM key JOIN below ON key.parent = below.id) "
             "DELETE FROM key WHERE id IN below AND (?2 = 0 OR id <> ?1)");
  keys.bind(1, id).bind(2, keepKey ? 1 : 0);
  keys.step();
}

void touchParent(Store& s, std::int64_t id) {
  Query q(s, "UPDATE key SET written = ?2 WHERE id = (SELECT parent FROM key WHERE id = ?1)");
  q.bind(1, id).bind(2, nowMs());
  q.step();
}

}  // namespace

LONG RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) {
  std::lock_guard lock(detail::storeMutex());
  return openOrCreate(hKey, lpSubKey, phkResult, false);
}

LONG RegCreateKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) {
  std::lock_guard lock(detail::storeMutex());
  return openOrCreate(hKey, lpSubKey, phkResult, true);
}

LONG RegCloseKey(HKEY hKey) {
  std::lock_guard lock(detail::storeMutex());
  if (isPredefined(hKey)) return ERROR_SUCCESS;
  return handles().open.erase(static_cast<std::uint32_t>(hKey)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, DWORD* lpReserved, DWORD* lpType, BYTE* lpData,
                      DWORD* lpcbData) {
  if (lpReserved || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
  std::lock_guard lock(detail::storeMutex());
  return detail::change(false, [&](Store& s) {
    std::int64_t key = 0;
    if (LONG r = resolve(s, hKey, false, &key); r != ERROR_SUCCESS) return r;
    Query q(s, "SELECT type, data FROM value WHERE key = ?1 AND fold = ?2");
    q.bind(1, key).bindText(2, detail::foldName(nameOf(lpValueName)));
    if (!q.step()) return ERROR_FILE_NOT_FOUND;
    if (lpType) *lpType = static_cast<DWORD>(q.integer(0));
    return giveData(q.blob(1), lpData, lpcbData);
  });
}

LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                    DWORD cbData) {
  if (Reserved || (!lpData && cbData)) return ERROR_INVALID_PARAMETER;
  const std::string name = nameOf(lpValueName);
  if (detail::nameLength(name) > kMaxValueNameLength || cbData > kMaxValueSize) return ERROR_INVALID_PARAMETER;
  std::lock_guard lock(detail::storeMutex());
  return detail::change(true, [&](Store& s) {
    std::int64_t key = 0;
    if (LONG r = resolve(s, hKey, true, &key); r != ERROR_SUCCESS) return r;
    // An existing value keeps the name it was first written with.
    Query q(s,
            "INSERT INTO value(key, name, fold, type, data) VALUES(?1, ?2, ?3, ?4, ?5) "
            "ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, data = excluded.data");
    q.bind(1, key).bindText(2, name).bindText(3, detail::foldName(name)).bind(4, dwType).bindBlob(5, lpData, cbData);
    q.step();
    touch(s, key);
    return ERROR_SUCCESS;
  });
}

LONG RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
  std::lock_guard lock(detail::storeMutex());
  return detail::change(true, [&](Store& s) {
    std::int64_t key = 0;
    if (LONG r = resolve(s, hKey, false, &key); r != ERROR_SUCCESS) return r;
    Query q(s, "DELETE FROM value WHERE key = ?1 AND fold = ?2");
    q.bind(1, key).bindText(2, detail::foldName(nameOf(lpValueName)));
    q.step();
    if (sqlite3_changes(s.db) == 0) return ERROR_FILE_NOT_FOUND;
    touch(s, key);
    return ERROR_SUCCESS;
  });
}

LONG RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
  if (!lpSubKey) return ERROR_INVALID_PARAMETER;
  std::lock_guard lock(detail::storeMutex());
  return detail::change(true, [&](Store& s) {
    std::int64_t id = 0;
    if (LONG r = target(s, hKey, lpSubKey, &id); r != ERROR_SUCCESS) return r;
    Query children(s, "SELECT 1 FROM key WHERE parent = ?1 LIMIT 1");
    children.bind(1, id);
    if (children.step()) return ERROR_ACCESS_DENIED;
    touchParent(s, id);
    deleteBelow(s, id, false);
    return ERROR_SUCCESS;
  });
}

LONG RegDeleteTreeA(HKEY hKey, LPCSTR lpSubKey) {
  std::lock_guard lock(detail::storeMutex());
  return detail::change(true, [&](Store& s) {
    std::int64_t id = 0;
    if (LONG r = target(s, hKey, lpSubKey, &id); r != ERROR_SUCCESS) return r;
    if (lpSubKey) touchParent(s, id);
    else touch(s, id);
    deleteBelow(s, id, lpSubKey == nullptr);
    return ERROR_SUCCESS;
  });
}

LONG RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, DWORD* lpcchName, DWORD* lpReserved, LPSTR lpClass,
                   DWORD* lpcchClass, FILETIME* lpftLastWriteTime) {
  if (!lpName || !lpcchName || lpReserved || (lpClass && !lpcchClass)) return ERROR_INVALID_PARAMETER;
  std::lock_guard lock(detail::storeMutex());
  return detail::change(false, [&](Store& s) {
    std::int64_t key = 0;
    if (LONG r = resolve(s, hKey, false, &key); r != ERROR_SUCCESS) return r;
    Query q(s, "SELECT name, written FROM key WHERE parent = ?1 ORDER BY fold LIMIT 1 OFFSET ?2");
    q.bind(1, key).bind(2, dwIndex);
    if (!q.step()) return ERROR_NO_MORE_ITEMS;
    if (LONG r = giveName(q.text(0), lpName, lpcchName); r != ERROR_SUCCESS) return r;
    if (lpClass) {
      if (*lpcchClass == 0) return ERROR_MORE_DATA;
      lpClass[0] = '\0';
      *lpcchClass = 0;
    } else if (lpcchClass) {
      *lpcchClass = 0;
    }
    if (lpftLastWriteTime) *lpftLastWriteTime = fileTime(q.integer(1));
    return ERROR_SUCCESS;
  });
}

LONG RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, DWORD* lpcchValueName, DWORD* lpReserved,
                   DWORD* lpType, BYTE* lpData, DWORD* lpcbData) {
  if (!lpValueName || !lpcchValueName || lpReserved || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
  std::lock_guard lock(detail::storeMutex());
  return detail::change(false, [&](Store& s) {
    std::int64_t key = 0;
    if (LONG r = resolve(s, hKey, false, &key); r != ERROR_SUCCESS) return r;
    Query q(s, "SELECT name, type, data FROM value WHERE key = ?1 ORDER BY id LIMIT 1 OFFSET ?2");
    q.bind(1, key).bind(2, dwIndex);
    if (!q.step()) return ERROR_NO_MORE_ITEMS;
    if (lpType) *lpType = static_cast<DWORD>(q.integer(1));
    const LONG name = giveName(q.text(0), lpValueName, lpcchValueName);
    const LONG data = giveData(q.blob(2), lpData, lpcbData);
    return name != ERROR_SUCCESS ? name : data;
  });
}

}  // namespace registry
