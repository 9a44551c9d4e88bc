#include "mapdoc/document_error.h"

namespace mapdoc {
namespace {

std::string describe(const std::filesystem::path& file, const std::string& member, const std::string& problem) {
  std::string text = file.string();
  if (!member.empty()) text += ": " + member;
  return text + ": " + problem;
}

}  // namespace

DocumentError::DocumentError(std::filesystem::path file, std::string member, std::string problem)
    : std::runtime_error(describe(file, member, problem)),
      file_(std::move(file)),
      member_(std::move(member)),
      problem_(std::move(problem)) {}

}  // namespace mapdoc
