#include "mapdoc/document_error.h"

#include <algorithm>

namespace mapdoc {
namespace {

constexpr std::size_t kLongestMember = 160;
constexpr std::size_t kLongestProblem = 400;

std::string describe(const std::filesystem::path& file, const std::string& member, const std::string& problem) {
  std::string text = file.string();
  if (!member.empty()) text += ": " + member;
  return text + ": " + problem;
}

bool continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

std::string lineAndColumn(std::string_view text, std::size_t offset) {
  offset = std::min(offset, text.size());
  std::size_t line = 1, lineStart = 0;
  for (std::size_t i = 0; i < offset; ++i)
    if (text[i] == '\n') ++line, lineStart = i + 1;
  return "line " + std::to_string(line) + ", column " + std::to_string(offset - lineStart + 1);
}

std::string excerpt(std::string_view text, std::size_t max) {
  if (text.size() <= max) return std::string(text);
  // most of what tells one text from another is at its start
  std::size_t head = max * 3 / 4, tail = text.size() - (max - head);
  while (head > 0 && continuation(text[head])) --head;
  while (tail < text.size() && continuation(text[tail])) ++tail;
  return std::string(text.substr(0, head)) + "\u2026" + std::string(text.substr(tail));
}

DocumentError::DocumentError(std::filesystem::path file, std::string member, std::string problem)
    : std::runtime_error(describe(file, excerpt(member, kLongestMember), excerpt(problem, kLongestProblem))),
      file_(std::move(file)),
      member_(excerpt(member, kLongestMember)),
      problem_(excerpt(problem, kLongestProblem)) {}

}  // namespace mapdoc
