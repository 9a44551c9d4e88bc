#pragma once
// A folder of the fuzzing process's own for readers that take a file name:
// each input is written to one file there and read back by name. Under
// $TMPDIR when set (scripts/fuzz points it at a folder it removes), else on
// /dev/shm where there is one, so the many small writes stay in memory.
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>

namespace fuzzing {

constexpr std::string_view kScratchPrefix = "carrowind-fuzz-";

// Folders of processes that are gone: a finding ends a run with _Exit(),
// which runs no clean-up, and a crashing input replayed by hand leaves one.
inline void removeOrphanedScratchDirs(const std::filesystem::path& base) {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(base, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.compare(0, kScratchPrefix.size(), kScratchPrefix) != 0) continue;
    char* end = nullptr;
    const long pid = std::strtol(name.c_str() + kScratchPrefix.size(), &end, 10);
    if (pid <= 0 || *end != '-') continue;
    if (::kill(static_cast<pid_t>(pid), 0) == -1 && errno == ESRCH) std::filesystem::remove_all(entry.path(), ec);
  }
}

inline const std::filesystem::path& scratchDir() {
  // Never destroyed: the handler below runs after the statics are gone.
  static const std::filesystem::path* const dir = [] {
    const char* tmp = std::getenv("TMPDIR");
    const std::string base = tmp && *tmp ? std::string(tmp)
                             : ::access("/dev/shm", W_OK) == 0 ? std::string("/dev/shm")
                                                               : std::string("/tmp");
    removeOrphanedScratchDirs(base);
    std::string pattern = base + "/" + std::string(kScratchPrefix) + std::to_string(::getpid()) + "-XXXXXX";
    if (!::mkdtemp(pattern.data())) std::abort();
    // libFuzzer ends a run with exit(), which runs this
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(scratchDir(), ignored);
    });
    return new std::filesystem::path(pattern);
  }();
  return *dir;
}

// Empties the folder, so that nothing one input wrote is there for the next.
inline void clearScratchDir() {
  for (const auto& entry : std::filesystem::directory_iterator(scratchDir())) std::filesystem::remove_all(entry.path());
}

inline std::filesystem::path writeScratchFile(const std::string& name, std::string_view bytes) {
  const auto file = scratchDir() / name;
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) std::abort();
  return file;
}

inline std::filesystem::path writeScratchFile(const std::string& name, const std::uint8_t* data, std::size_t size) {
  return writeScratchFile(name, std::string_view(reinterpret_cast<const char*>(data), size));
}

inline std::string readScratchFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) std::abort();
  return bytes;
}

}  // namespace fuzzing
