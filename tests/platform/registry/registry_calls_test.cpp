// The registry calls' roles and return codes, as callers written for the
// Windows ones rely on them.
#include <string>
#include <vector>

#include "store_fixture.h"

namespace registry::testing {
namespace {

std::vector<std::string> subkeys(HKEY hive, const std::string& path) {
  HKEY key{};
  std::vector<std::string> names;
  if (RegOpenKeyA(hive, path.c_str(), &key) != ERROR_SUCCESS) return names;
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name;
    if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(name, size);
  }
  RegCloseKey(key);
  return names;
}

std::vector<std::string> valueNames(HKEY hive, const std::string& path) {
  HKEY key{};
  std::vector<std::string> names;
  if (RegOpenKeyA(hive, path.c_str(), &key) != ERROR_SUCCESS) return names;
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name;
    if (RegEnumValueA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(name, size);
  }
  RegCloseKey(key);
  return names;
}

using RegistryCalls = StoreTest;

TEST_F(RegistryCalls, CreateMakesMissingParentsAndOpenFindsThemInAnyCase) {
  HKEY missing{};
  EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Quorvex\\Carrowind", &missing), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(missing, HKEY{});

  HKEY created{};
  ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Quorvex\\Carrowind\\QuickPicks", &created), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(created), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(created), ERROR_INVALID_HANDLE);

  for (const char* spelling : {"Software\\Quorvex\\Carrowind", "SOFTWARE\\quorvex\\CARROWIND\\", "software\\QUORVEX"}) {
    HKEY key{};
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, spelling, &key), ERROR_SUCCESS) << spelling;
    RegCloseKey(key);
  }
  // A second create under another spelling finds the key instead of adding one.
  HKEY again{};
  ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "SOFTWARE\\QUORVEX\\carrowind", &again), ERROR_SUCCESS);
  RegCloseKey(again);
  EXPECT_EQ(subkeys(HKEY_CURRENT_USER, "Software"), std::vector<std::string>{"Quorvex"});
  EXPECT_EQ(subkeys(HKEY_CURRENT_USER, "software\\quorvex"), std::vector<std::string>{"Carrowind"});
  // The other hive is apart.
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, "Software\\Quorvex"));
}

TEST_F(RegistryCalls, RelativeOpensAndTheHivesOwnHandle) {
  HKEY software{};
  ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software", &software), ERROR_SUCCESS);
  HKEY product{};
  ASSERT_EQ(RegCreateKeyA(software, "Quorvex\\Carrowind", &product), ERROR_SUCCESS);
  HKEY same{};
  ASSERT_EQ(RegOpenKeyA(product, "", &same), ERROR_SUCCESS);
  EXPECT_NE(same, product);  // a handle of its own, closed on its own
  ASSERT_EQ(RegSetValueExA(same, "v", 0, REG_DWORD, reinterpret_cast<const BYTE*>("\x01\x00\x00\x00"), 4),
            ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(same), ERROR_SUCCESS);
  EXPECT_EQ(getValue(HKEY_CURRENT_USER, "Software\\Quorvex\\Carrowind", "V"), (StoredValue{REG_DWORD, std::string("\x01\0\0\0", 4)}));
  HKEY hive{};
  EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, nullptr, &hive), ERROR_SUCCESS);
  EXPECT_EQ(hive, HKEY_CURRENT_USER);
  EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
  RegCloseKey(product);
  RegCloseKey(software);
}

TEST_F(RegistryCalls, MalformedPathsAndHandles) {
  HKEY key{};
  for (const char* path : {"\\Software", "Software\\\\Quorvex", "\\"}) {
    EXPECT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, path, &key), ERROR_BAD_PATHNAME) << path;
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, path, &key), ERROR_BAD_PATHNAME) << path;
  }
  EXPECT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, std::string(256, 'k').c_str(), &key), ERROR_BAD_PATHNAME);
  EXPECT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software", nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegOpenKeyA(static_cast<HKEY>(12345), "x", &key), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegOpenKeyA(static_cast<HKEY>(0x80000003u), "x", &key), ERROR_INVALID_HANDLE);
  DWORD size = 0;
  DWORD reserved = 0;
  EXPECT_EQ(RegQueryValueExA(HKEY_CURRENT_USER, "x", &reserved, nullptr, nullptr, &size), ERROR_INVALID_PARAMETER);
  BYTE buffer[4];
  EXPECT_EQ(RegQueryValueExA(HKEY_CURRENT_USER, "x", nullptr, nullptr, buffer, nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegSetValueExA(HKEY_CURRENT_USER, "x", 0, REG_BINARY, nullptr, 3), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegSetValueExA(HKEY_CURRENT_USER, "x", 1, REG_BINARY, buffer, 1), ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryCalls, QueryGivesTypeAndSizeFirstThenTheData) {
  ASSERT_EQ(setText(HKEY_CURRENT_USER, "Software\\Q", "Wrap Labels", "TRUE"), ERROR_SUCCESS);
  HKEY key{};
  ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Q", &key), ERROR_SUCCESS);

  DWORD type = 0;
  DWORD size = 0;
  ASSERT_EQ(RegQueryValueExA(key, "wrap labels", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(size, 5u);

  char small[3] = {'x', 'x', 'x'};
  DWORD smallSize = sizeof small;
  EXPECT_EQ(RegQueryValueExA(key, "Wrap Labels", nullptr, nullptr, reinterpret_cast<BYTE*>(small), &smallSize),
            ERROR_MORE_DATA);
  EXPECT_EQ(smallSize, 5u);
  EXPECT_EQ(std::string(small, 3), "xxx");  // nothing half-copied

  char buffer[16] = {};
  DWORD bufferSize = sizeof buffer;
  ASSERT_EQ(RegQueryValueExA(key, "WRAP LABELS", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bufferSize),
            ERROR_SUCCESS);
  EXPECT_EQ(bufferSize, 5u);
  EXPECT_EQ(std::string(buffer, 5), std::string("TRUE\0", 5));

  EXPECT_EQ(RegQueryValueExA(key, "Wrap Length", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
  // The default value is the empty name, unset until written.
  EXPECT_EQ(RegQueryValueExA(key, nullptr, nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(RegSetValueExA(key, "", 0, REG_SZ, reinterpret_cast<const BYTE*>("d"), 2), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExA(key, nullptr, nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 2u);
  RegCloseKey(key);
}

TEST_F(RegistryCalls, ValuesKeepTheirFirstSpellingAndTheirOrder) {
  ASSERT_EQ(setText(HKEY_CURRENT_USER, "K", "Show Introduction Tab", "TRUE"), ERROR_SUCCESS);
  ASSERT_EQ(setText(HKEY_CURRENT_USER, "K", "Wrap Length", "x"), ERROR_SUCCESS);
  ASSERT_EQ(setText(HKEY_CURRENT_USER, "K", "aardvark", "y"), ERROR_SUCCESS);
  ASSERT_EQ(setValue(HKEY_CURRENT_USER, "K", "WRAP LENGTH", REG_DWORD, std::string("\x32\0\0\0", 4)), ERROR_SUCCESS);
  EXPECT_EQ(valueNames(HKEY_CURRENT_USER, "K"),
            (std::vector<std::string>{"Show Introduction Tab", "Wrap Length", "aardvark"}));
  EXPECT_EQ(getValue(HKEY_CURRENT_USER, "K", "wrap length"), (StoredValue{REG_DWORD, std::string("\x32\0\0\0", 4)}));

  HKEY key{};
  ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "K", &key), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueA(key, "SHOW INTRODUCTION TAB"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueA(key, "Show Introduction Tab"), ERROR_FILE_NOT_FOUND);
  // A short name buffer asks for more and tells how long the name is.
  char name[4];
  DWORD nameSize = sizeof name;
  DWORD dataSize = 0;
  EXPECT_EQ(RegEnumValueA(key, 0, name, &nameSize, nullptr, nullptr, nullptr, &dataSize), ERROR_MORE_DATA);
  EXPECT_EQ(nameSize, 11u);
  EXPECT_EQ(dataSize, 4u);
  nameSize = sizeof name;
  EXPECT_EQ(RegEnumValueA(key, 2, name, &nameSize, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
  RegCloseKey(key);
}

TEST_F(RegistryCalls, NamesBeyondAsciiCompareWithoutCase) {
  ASSERT_EQ(setText(HKEY_CURRENT_USER, "Software\\Ärger", "Größe", "1"), ERROR_SUCCESS);
  EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, "software\\ÄRGER"));
  EXPECT_TRUE(getValue(HKEY_CURRENT_USER, "Software\\ärger", "GRÖSSE").has_value());
  EXPECT_EQ(subkeys(HKEY_CURRENT_USER, "Software"), std::vector<std::string>{"Ärger"});
}

TEST_F(RegistryCalls, SubkeysComeInNameOrderIgnoringCase) {
  for (const char* name : {"beta", "Alpha", "gamma", "BETA2", "alpha1"}) {
    HKEY key{};
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, (std::string("P\\") + name).c_str(), &key), ERROR_SUCCESS);
    RegCloseKey(key);
  }
  EXPECT_EQ(subkeys(HKEY_CURRENT_USER, "P"), (std::vector<std::string>{"Alpha", "alpha1", "beta", "BETA2", "gamma"}));

  HKEY key{};
  ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "P", &key), ERROR_SUCCESS);
  char name[3];
  DWORD size = sizeof name;
  EXPECT_EQ(RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
  EXPECT_EQ(size, 5u);
  char big[16];
  size = sizeof big;
  FILETIME written{};
  ASSERT_EQ(RegEnumKeyExA(key, 4, big, &size, nullptr, nullptr, nullptr, &written), ERROR_SUCCESS);
  EXPECT_EQ(std::string(big), "gamma");
  EXPECT_GT(written.dwHighDateTime, 0x01d00000u);  // some time after 2015
  size = sizeof big;
  EXPECT_EQ(RegEnumKeyExA(key, 5, big, &size, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
  RegCloseKey(key);
}

TEST_F(RegistryCalls, ClassesRootIsTheUsersSoftwareClasses) {
  HKEY clsid{};
  EXPECT_EQ(RegOpenKeyA(HKEY_CLASSES_ROOT, "CLSID", &clsid), ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(setText(HKEY_CLASSES_ROOT, "QVXCRW.QVXCarrowind\\CLSID", "", "{0}"), ERROR_SUCCESS);
  EXPECT_EQ(getValue(HKEY_CURRENT_USER, "Software\\Classes\\qvxcrw.qvxcarrowind\\CLSID", ""),
            (StoredValue{REG_SZ, std::string("{0}\0", 4)}));
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, "Software\\Classes"));
  EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, ""), ERROR_ACCESS_DENIED);
}

TEST_F(RegistryCalls, DeletingKeys) {
  HKEY leaf{};
  ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "A\\B\\C", &leaf), ERROR_SUCCESS);
  ASSERT_EQ(setText(HKEY_CURRENT_USER, "A\\B", "v", "1"), ERROR_SUCCESS);

  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "A\\B"), ERROR_ACCESS_DENIED);  // it has a subkey
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "A\\X"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "a\\b\\c"), ERROR_SUCCESS);
  // A handle outliving its key says so, and a new key of that name is another key.
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(leaf, "v", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
  HKEY recreated{};
  ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "A\\B\\C", &recreated), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExA(leaf, "v", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
  EXPECT_EQ(RegCloseKey(leaf), ERROR_SUCCESS);
  RegCloseKey(recreated);

  // A tree goes at once; with no subkey name only what is below goes.
  ASSERT_EQ(setText(HKEY_CURRENT_USER, "A", "top", "1"), ERROR_SUCCESS);
  HKEY a{};
  ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "A", &a), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteTreeA(a, nullptr), ERROR_SUCCESS);
  EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, "A"));
  EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, "A\\B"));
  EXPECT_FALSE(getValue(HKEY_CURRENT_USER, "A", "top"));
  RegCloseKey(a);
  ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "A\\B\\C", &leaf), ERROR_SUCCESS);
  RegCloseKey(leaf);
  EXPECT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, "A"), ERROR_SUCCESS);
  EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, "A"));
  EXPECT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, "A"), ERROR_FILE_NOT_FOUND);

  // The hives stay, whatever is asked.
  EXPECT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, nullptr), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, ""), ERROR_ACCESS_DENIED);
}

TEST_F(RegistryCalls, BinaryDataAndEmptyValuesAreKeptByteForByte) {
  const std::string bytes("\0\x01\xff\0", 4);
  ASSERT_EQ(setValue(HKEY_CURRENT_USER, "K", "bin", REG_BINARY, bytes), ERROR_SUCCESS);
  ASSERT_EQ(setValue(HKEY_CURRENT_USER, "K", "empty", REG_SZ, ""), ERROR_SUCCESS);
  EXPECT_EQ(getValue(HKEY_CURRENT_USER, "K", "bin"), (StoredValue{REG_BINARY, bytes}));
  EXPECT_EQ(getValue(HKEY_CURRENT_USER, "K", "empty"), (StoredValue{REG_SZ, ""}));
}

TEST_F(RegistryCalls, ReopeningTheStoreFindsWhatWasWritten) {
  ASSERT_EQ(setText(HKEY_CURRENT_USER, "Software\\Quorvex\\Carrowind", "Wrap Labels", "TRUE"), ERROR_SUCCESS);
  HKEY open{};
  ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software", &open), ERROR_SUCCESS);
  setStorePath(dir / "other.db");
  EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, "Software\\Quorvex"));
  setStorePath(file);
  // Handles do not survive the store being closed.
  HKEY key{};
  EXPECT_EQ(RegOpenKeyA(open, "Quorvex", &key), ERROR_INVALID_HANDLE);
  EXPECT_EQ(getValue(HKEY_CURRENT_USER, "software\\quorvex\\carrowind", "wrap labels"),
            (StoredValue{REG_SZ, std::string("TRUE\0", 5)}));
}

}  // namespace
}  // namespace registry::testing
