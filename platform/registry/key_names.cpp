#include "platform/registry/key_names.h"

#include <unicode/unistr.h>

#include "platform/registry/registry.h"

namespace registry::detail {

std::string foldName(std::string_view name) {
  // Plain ASCII, by far the usual case, needs no trip through ICU.
  bool ascii = true;
  for (unsigned char c : name) ascii = ascii && c < 0x80;
  std::string folded;
  if (ascii) {
    folded.assign(name);
    for (char& c : folded)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return folded;
  }
  icu::UnicodeString::fromUTF8(icu::StringPiece(name.data(), static_cast<int32_t>(name.size())))
      .foldCase()
      .toUTF8String(folded);
  return folded;
}

std::size_t nameLength(std::string_view utf8) {
  std::size_t units = 0;
  for (unsigned char c : utf8) {
    if ((c & 0xc0) != 0x80) ++units;  // continuation bytes add nothing
    if (c >= 0xf0) ++units;           // beyond the BMP: a surrogate pair
  }
  return units;
}

std::optional<std::vector<std::string>> splitKeyPath(std::string_view path) {
  std::vector<std::string> parts;
  if (path.empty()) return parts;
  if (path.size() > 1 && path.back() == '\\') path.remove_suffix(1);
  std::size_t start = 0;
  while (true) {
    const auto end = path.find('\\', start);
    const auto part = path.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (part.empty() || nameLength(part) > kMaxKeyNameLength) return std::nullopt;
    parts.emplace_back(part);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return parts;
}

}  // namespace registry::detail
