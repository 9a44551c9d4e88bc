#pragma once
// A broken invariant is a finding: say which, with what shows it, then
// abort so that libFuzzer keeps the input.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace fuzzing {

[[noreturn]] inline void fail(std::string_view what, std::string_view first = {}, std::string_view second = {}) {
  std::fprintf(stderr, "\n==== broken invariant: %.*s\n", static_cast<int>(what.size()), what.data());
  // the texts as they are, bytes included, up to a screenful each
  for (std::string_view text : {first, second}) {
    if (text.empty()) continue;
    std::fprintf(stderr, "---- (%zu bytes)\n", text.size());
    std::fwrite(text.data(), 1, std::min<std::size_t>(text.size(), 4000), stderr);
    std::fputs("\n", stderr);
  }
  std::fflush(stderr);
  std::abort();
}

inline void require(bool ok, std::string_view what) {
  if (!ok) fail(what);
}

}  // namespace fuzzing
