#include "mapdoc/file_text.h"

#include <fstream>
#include <sstream>

#include "mapdoc/document_error.h"
#include "mapdoc/json/json_text.h"

namespace mapdoc {

std::string readFileText(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw DocumentError(file, "", "cannot be opened for reading");
  std::stringstream buffer;
  buffer << in.rdbuf();
  if (in.bad()) throw DocumentError(file, "", "cannot be read");
  return buffer.str();
}

std::string currentFileText(const std::filesystem::path& file) {
  try {
    return readFileText(file);
  } catch (const DocumentError&) {
    return {};
  }
}

Json readJsonFile(const std::filesystem::path& file) {
  return parseJsonText(readFileText(file), file);
}

}  // namespace mapdoc
