#pragma once
// A file's bytes, read and written whole, for tests that compare documents
// byte for byte.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace test_support {

inline std::string readFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

inline void writeFile(const std::filesystem::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary) << bytes;
}

}  // namespace test_support
