#pragma once
// A scratch folder holding the sample data and a copy of a QGIS file to
// read and write, for the QGIS document tests.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/common/scratch_dir.h"

namespace mapdoc::qgis::testing {

namespace fs = std::filesystem;

inline const fs::path kHere = fs::path(CW_SOURCE_DIR) / "tests" / "mapdoc" / "qgis";

inline std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void writeFile(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }

// text with the first occurrence of what replaced (which must be there).
inline std::string replaced(std::string text, const std::string& what, const std::string& with) {
  const auto at = text.find(what);
  if (at == std::string::npos) ADD_FAILURE() << "\"" << what << "\" is not in the text";
  else text.replace(at, what.size(), with);
  return text;
}

class QgisFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = test_support::scratchDir("cw_qgis_");
    fs::copy(fs::path(CW_SOURCE_DIR) / "examples" / "data", dir / "data", fs::copy_options::recursive);
  }
  void TearDown() override { fs::remove_all(dir); }
  // A copy of a file of this folder, under name.
  fs::path copy(const std::string& source, const std::string& name) {
    fs::copy_file(kHere / source, dir / name);
    return dir / name;
  }
  fs::path dir;
};

}  // namespace mapdoc::qgis::testing
