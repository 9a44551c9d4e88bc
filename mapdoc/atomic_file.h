#pragma once
// Replacing a user's file so that a failure at any point leaves the old
// file whole: write a temporary file in the same folder, flush it to disk,
// then rename it over the old one.
#include <filesystem>
#include <string_view>

namespace mapdoc {

// Throws std::runtime_error naming the file and the reason.
void writeFileAtomically(const std::filesystem::path& file, std::string_view contents);

// For tests: fail after this many bytes of the next write (-1: never).
void failNextWriteAfter(long bytes);

}  // namespace mapdoc
