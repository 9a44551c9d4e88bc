#pragma once
// Replacing a user's file so that a failure at any point leaves the old
// file whole: write a temporary file in the same folder, flush it to disk,
// then rename it over the old one.
//
// A symbolic link is written through: the temporary file goes into the
// folder of the file the link (or chain of links) ends at and is renamed
// over that file, so the link stays a link. The replaced file's permission
// bits (and, where allowed, owner) carry over to the new one.
//
// Temporary files are named ".NAME.tmp.PID.RANDOM" and locked while written;
// one that nobody holds any more was left by a writer that died, and the
// next write of NAME removes it.
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace mapdoc {

// Refused before anything was written: the name is a symbolic link to
// nothing, or links in a loop.
class WriteRefused : public std::runtime_error {
 public:
  WriteRefused(const std::filesystem::path& file, const std::string& problem)
      : std::runtime_error(file.string() + " " + problem), problem_(problem) {}
  // what is wrong, without the file's name ("is a symbolic link to ...")
  const std::string& problem() const { return problem_; }

 private:
  std::string problem_;
};

// The file that writing to file replaces: file made absolute, or when it is
// a symbolic link, the file the chain of links ends at (canonical). Throws
// WriteRefused for a dangling link or a loop, naming the link and where it
// points.
std::filesystem::path writeTarget(const std::filesystem::path& file);

// The folder relative paths inside file count from: that of the file it
// links to, as editors and GIS desktops take it; file's own folder when it
// is no link or a broken one.
std::filesystem::path realFolder(const std::filesystem::path& file);

// Whether an existing file's permission bits forbid the caller to write it.
// The superuser passes every permission check, so for it the owner's write
// bit decides: a file made read-only (chmod 444) counts for everyone. False
// for a file that is not there.
bool isWriteProtected(const std::filesystem::path& file);

// Throws std::runtime_error naming the file and the reason (WriteRefused
// for a broken link).
void writeFileAtomically(const std::filesystem::path& file, std::string_view contents);

// For tests: fail after this many bytes of the next write (-1: never).
void failNextWriteAfter(long bytes);

}  // namespace mapdoc
