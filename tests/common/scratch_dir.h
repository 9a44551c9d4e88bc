#pragma once
// A fresh folder for the running test: below the system's temporary folder,
// named after the prefix, the process and the test, emptied first, so runs
// side by side and leftovers of an earlier run never meet.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace test_support {

// The bundled examples: map documents and their data/.
inline const std::filesystem::path kExamples = std::filesystem::path(CW_SOURCE_DIR) / "examples";

inline std::filesystem::path scratchDir(const std::string& prefix) {
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const auto dir = std::filesystem::temp_directory_path() /
                   (prefix + std::to_string(::getpid()) + "_" + (test ? test->name() : "suite"));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

// A scratch folder holding a copy of the bundled examples (the map
// documents and their data/), for tests that write documents.
inline std::filesystem::path examplesCopy(const std::string& prefix) {
  namespace fs = std::filesystem;
  const fs::path dir = scratchDir(prefix);
  for (const auto& entry : fs::directory_iterator(kExamples))
    if (entry.is_regular_file()) fs::copy(entry.path(), dir);
  fs::copy(kExamples / "data", dir / "data", fs::copy_options::recursive);
  return dir;
}

}  // namespace test_support
