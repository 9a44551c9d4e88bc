#pragma once
// The error a map document reports when it cannot be read or written: the
// file, the member (a path such as "layers[2].renderer.classes[0].label",
// empty when the problem is the whole file) and what is wrong.
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace mapdoc {

class DocumentError : public std::runtime_error {
 public:
  // A member or problem longer than a line (an echoed 100 000-digit number,
  // a path 100 levels deep) is cut in the middle.
  DocumentError(std::filesystem::path file, std::string member, std::string problem);
  const std::filesystem::path& file() const { return file_; }
  const std::string& member() const { return member_; }
  const std::string& problem() const { return problem_; }

 private:
  std::filesystem::path file_;
  std::string member_;
  std::string problem_;
};

// Where byte `offset` of text lies, for a message: "line L, column C"
// (columns count bytes from 1).
std::string lineAndColumn(std::string_view text, std::size_t offset);

// text for a message: when longer than max bytes, its start and end with
// "…" between them, cut between UTF-8 characters.
std::string excerpt(std::string_view text, std::size_t max = 80);

}  // namespace mapdoc
