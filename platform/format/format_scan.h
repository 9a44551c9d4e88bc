#pragma once
// Reading format instructions: letter case, sections, quoted and escaped
// literals.
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace platform::format::scan {

inline char16_t lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

inline bool equalsIgnoringCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) { return lower(x) == lower(y); });
}

inline bool startsWithIgnoringCase(std::u16string_view s, std::size_t at, std::u16string_view prefix) {
  return at <= s.size() && s.size() - at >= prefix.size() && equalsIgnoringCase(s.substr(at, prefix.size()), prefix);
}

// The text of a quoted literal opening at `at`, and the index of its closing
// quote (the end of f when it is missing).
inline std::u16string_view quoted(std::u16string_view f, std::size_t at, std::size_t& close) {
  close = f.find(u'"', at + 1);
  if (close == std::u16string_view::npos) close = f.size();
  return f.substr(at + 1, close - at - 1);
}

// Sections split at ';' outside quotes and escapes.
inline std::vector<std::u16string> sections(std::u16string_view f) {
  std::vector<std::u16string> out(1);
  for (std::size_t i = 0; i < f.size(); ++i) {
    const char16_t c = f[i];
    if (c == u'"') {
      std::size_t close = 0;
      quoted(f, i, close);
      const std::size_t end = std::min(close + 1, f.size());
      out.back() += f.substr(i, end - i);
      i = end - 1;
    } else if (c == u'\\' && i + 1 < f.size()) {
      out.back() += f.substr(i, 2);
      ++i;
    } else if (c == u';') {
      out.emplace_back();
    } else {
      out.back() += c;
    }
  }
  return out;
}

// Whether f holds one of `codes` outside quotes and escapes.
inline bool hasCode(std::u16string_view f, std::u16string_view codes) {
  for (std::size_t i = 0; i < f.size(); ++i) {
    if (f[i] == u'"') quoted(f, i, i);
    else if (f[i] == u'\\') ++i;
    else if (codes.find(f[i]) != std::u16string_view::npos) return true;
  }
  return false;
}

inline std::u16string widen(std::string_view s) { return std::u16string(s.begin(), s.end()); }

// Placeholders fill from the right, one character each, and the leftmost of
// `count` takes whatever is left over: "(###) ###-####" lays out a phone
// number, "@@" shows all of "abcd". The characters placeholder k shows,
// worked out on its own so that no text per placeholder is kept.
template <typename Char>
std::basic_string_view<Char> filledFromRight(std::basic_string_view<Char> s, std::size_t count, std::size_t k) {
  const std::size_t toTheRight = count - 1 - k;  // placeholders that take one character before this one
  if (toTheRight >= s.size()) return {};
  const std::size_t end = s.size() - toTheRight;
  return k == 0 ? s.substr(0, end) : s.substr(end - 1, 1);
}

}  // namespace platform::format::scan
