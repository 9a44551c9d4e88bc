// Imports arbitrary bytes as a registry editor file, as `carrowind registry
// import` does, into a settings store in a scratch folder. A file is
// applied whole or not at all (RegFileError); whatever it wrote must export
// as files that import again into the same store, byte for byte. The store
// is emptied after each input so that inputs do not depend on each other.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/check.h"
#include "fuzz/scratch_file.h"
#include "platform/registry/reg_file.h"
#include "platform/registry/store.h"

namespace {

using namespace registry;
using fuzzing::fail;
using fuzzing::require;

// HKEY_CLASSES_ROOT is a view of a key in HKEY_CURRENT_USER, so these two
// hold everything.
constexpr HKEY kHives[] = {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE};
constexpr std::size_t kHiveCount = std::size(kHives);

std::string exportHive(HKEY hive) {
  std::vector<std::string> leftOut;
  std::string text = exportRegFile({hive, ""}, &leftOut);
  if (!leftOut.empty()) fail("an import let in what a registry cannot hold", leftOut.front(), text);
  return text;
}

// Everything in the hive goes; the hive itself may not be deleted.
void clearHive(HKEY hive) {
  std::string name(4096, '\0');
  for (;;) {
    DWORD length = static_cast<DWORD>(name.size());
    const LONG r = RegEnumKeyExA(hive, 0, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (r == ERROR_NO_MORE_ITEMS) break;
    require(r == ERROR_SUCCESS, "a key is listed");
    require(RegDeleteTreeA(hive, std::string(name.data(), length).c_str()) == ERROR_SUCCESS, "a listed key is deleted");
  }
  for (;;) {
    DWORD length = static_cast<DWORD>(name.size());
    const LONG r = RegEnumValueA(hive, 0, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (r == ERROR_NO_MORE_ITEMS) break;
    require(r == ERROR_SUCCESS, "a value is listed");
    require(RegDeleteValueA(hive, std::string(name.data(), length).c_str()) == ERROR_SUCCESS, "a listed value is deleted");
  }
}

void clearHives() {
  for (HKEY hive : kHives) clearHive(hive);
}

std::string emptyHive[kHiveCount];

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setStorePath(fuzzing::scratchDir() / "registry.db");
  for (std::size_t i = 0; i < kHiveCount; ++i) emptyHive[i] = exportHive(kHives[i]);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  bool imported = true;
  try {
    importRegFile(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const RegFileError&) {
    imported = false;
  }
  std::string first[kHiveCount];
  for (std::size_t i = 0; i < kHiveCount; ++i) {
    first[i] = exportHive(kHives[i]);
    if (!imported && first[i] != emptyHive[i]) fail("a refused file changed the store", first[i]);
  }
  if (!imported) return 0;
  try {
    exportRegFile({HKEY_CLASSES_ROOT, ""});
  } catch (const RegFileError&) {
    // no class was written
  }

  clearHives();
  for (std::size_t i = 0; i < kHiveCount; ++i) {
    try {
      importRegFile(first[i]);
    } catch (const RegFileError& e) {
      fail("an exported hive does not import again", e.what(), first[i]);
    }
  }
  for (std::size_t i = 0; i < kHiveCount; ++i) {
    const std::string again = exportHive(kHives[i]);
    if (again != first[i]) fail("an exported hive imports as another", first[i], again);
  }
  clearHives();
  return 0;
}
