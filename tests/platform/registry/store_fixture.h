#pragma once
// A fresh settings store in a temporary folder for each test, and short
// ways to write and read values through the registry calls.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/registry/registry.h"
#include "platform/registry/store.h"
#include "tests/common/scratch_dir.h"

namespace registry::testing {

struct StoredValue {
  DWORD type = 0;
  std::string data;
  friend bool operator==(const StoredValue&, const StoredValue&) = default;
};

inline LONG setValue(HKEY hive, const std::string& path, const std::string& name, DWORD type,
                     const std::string& data) {
  HKEY key{};
  if (LONG r = RegCreateKeyA(hive, path.c_str(), &key); r != ERROR_SUCCESS) return r;
  LONG r = RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size()));
  RegCloseKey(key);
  return r;
}

inline LONG setText(HKEY hive, const std::string& path, const std::string& name, const std::string& text) {
  return setValue(hive, path, name, REG_SZ, text + '\0');
}

inline std::optional<StoredValue> getValue(HKEY hive, const std::string& path, const std::string& name) {
  HKEY key{};
  if (RegOpenKeyA(hive, path.c_str(), &key) != ERROR_SUCCESS) return std::nullopt;
  StoredValue v;
  DWORD size = 0;
  std::optional<StoredValue> result;
  if (RegQueryValueExA(key, name.c_str(), nullptr, &v.type, nullptr, &size) == ERROR_SUCCESS) {
    v.data.resize(size);
    if (RegQueryValueExA(key, name.c_str(), nullptr, &v.type, reinterpret_cast<BYTE*>(v.data.data()), &size) ==
        ERROR_SUCCESS)
      result = v;
  }
  RegCloseKey(key);
  return result;
}

inline bool keyExists(HKEY hive, const std::string& path) {
  HKEY key{};
  if (RegOpenKeyA(hive, path.c_str(), &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = test_support::scratchDir("cw_registry_");
    file = dir / "registry.db";
    setStorePath(file);
  }
  void TearDown() override {
    setStorePath({});
    std::filesystem::remove_all(dir);
  }
  std::filesystem::path dir;
  std::filesystem::path file;
};

}  // namespace registry::testing
