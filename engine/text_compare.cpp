#include "engine/text_compare.h"

#include <unicode/uchar.h>
#include <unicode/utf16.h>

namespace engine {
namespace {

// Length in code units of the match of needle at text[at], or 0 when it
// does not match there.
std::size_t matchAt(std::u16string_view text, std::size_t at, std::u16string_view needle) {
  std::size_t i = at, j = 0;
  while (j < needle.size()) {
    if (i >= text.size()) return 0;
    UChar32 a, b;
    U16_NEXT(text.data(), i, text.size(), a);
    U16_NEXT(needle.data(), j, needle.size(), b);
    if (a != b && u_foldCase(a, U_FOLD_CASE_DEFAULT) != u_foldCase(b, U_FOLD_CASE_DEFAULT)) return 0;
  }
  return i - at;
}

}  // namespace

bool equalsNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.empty() || b.empty()) return a.empty() && b.empty();
  return matchAt(a, 0, b) == a.size();
}

bool startsWithNoCase(std::u16string_view text, std::size_t at, std::u16string_view prefix) {
  if (prefix.empty()) return true;
  return at <= text.size() && matchAt(text, at, prefix) != 0;
}

std::size_t findNoCase(std::u16string_view text, std::u16string_view needle, std::size_t from) {
  if (needle.empty()) return std::u16string_view::npos;
  for (std::size_t i = from; i < text.size(); ++i) {
    if (matchAt(text, i, needle) != 0) return i;
  }
  return std::u16string_view::npos;
}

std::u16string replaceNoCase(std::u16string_view text, std::u16string_view needle, std::u16string_view with) {
  if (needle.empty()) return std::u16string(text);
  std::u16string out;
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t n = matchAt(text, i, needle);
    if (n != 0) {
      out.append(with);
      i += n;
    } else {
      out.push_back(text[i]);
      ++i;
    }
  }
  return out;
}

}  // namespace engine
