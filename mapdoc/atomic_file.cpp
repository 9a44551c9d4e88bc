#include "mapdoc/atomic_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>
#include <string>

namespace mapdoc {
namespace fs = std::filesystem;

namespace {

long failAfter = -1;

// Temporaries of the naming before locks were used carry no lock to test;
// one this old cannot belong to a write still under way.
constexpr std::time_t kOldStyleTemporaryAge = 60 * 60;

[[noreturn]] void fail(const fs::path& file, const std::string& what, int error) {
  throw std::runtime_error("cannot write " + file.string() + ": " + what + ": " + std::strerror(error));
}

bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Whether fd is the file the name now stands for.
bool namesOpenFile(const fs::path& name, int fd) {
  struct stat open{}, named{};
  return ::fstat(fd, &open) == 0 && ::lstat(name.c_str(), &named) == 0 && sameFile(open, named);
}

bool allOf(std::string_view text, bool (*test)(char)) {
  if (text.empty()) return false;
  for (char c : text)
    if (!test(c)) return false;
  return true;
}
bool digit(char c) { return c >= '0' && c <= '9'; }
bool hexDigit(char c) { return digit(c) || (c >= 'a' && c <= 'f'); }

std::string temporaryPrefix(const fs::path& target) { return "." + target.filename().string() + ".tmp"; }

// ".PID.HEX", as writeFileAtomically names them.
bool lockedStyle(std::string_view suffix) {
  if (suffix.size() < 3 || suffix[0] != '.') return false;
  const auto dot = suffix.find('.', 1);
  return dot != std::string_view::npos && allOf(suffix.substr(1, dot - 1), digit) &&
         suffix.size() - dot - 1 == 16 && allOf(suffix.substr(dot + 1), hexDigit);
}

// Removes the temporaries of target that writers left when they died.
//
// A writer holds an advisory lock (flock) on its temporary file from before
// the first byte until after the rename, and the kernel drops the lock when
// the writer dies however it dies; a file nobody holds is therefore stale.
// The lock is preferred to a process id in the name, which would be reused,
// and means nothing to a writer in another container or on another machine
// sharing the folder. Where the file system offers no locks, neither writer
// nor cleaner can lock, and the file is left alone.
void removeStaleTemporaries(const fs::path& dir, const fs::path& target) {
  const std::string prefix = temporaryPrefix(target);
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path path = it->path();
    const std::string name = path.filename().string();
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string_view suffix = std::string_view(name).substr(prefix.size());
    const bool locked = lockedStyle(suffix);
    if (!locked && !allOf(suffix, digit)) continue;
    struct stat st{};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    if (!locked) {
      if (std::time(nullptr) - st.st_mtime >= kOldStyleTemporaryAge) ::unlink(path.c_str());
      continue;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    // locked and still under that name: its writer is gone
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && namesOpenFile(path, fd)) ::unlink(path.c_str());
    ::close(fd);
  }
}

std::string randomHex() {
  std::random_device random;
  const unsigned long long value = (static_cast<unsigned long long>(random()) << 32) ^ random();
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", value);
  return text;
}

// Creates target's temporary file in dir, locked. Returns the descriptor.
int createTemporary(const fs::path& file, const fs::path& dir, const fs::path& target, fs::path& temp) {
  const std::string prefix = temporaryPrefix(target) + "." + std::to_string(::getpid()) + ".";
  for (int attempt = 0; attempt < 16; ++attempt) {
    temp = dir / (prefix + randomHex());
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) fail(file, "the folder " + dir.string() + " does not let a file be made in it; nothing was written", errno);
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      if (namesOpenFile(temp, fd)) return fd;
    } else if (errno != EWOULDBLOCK) {
      return fd;  // no locks on this file system: cleaners cannot lock it either
    }
    // a cleaner took it for stale between creating and locking, and removes it
    ::close(fd);
  }
  fail(file, "no temporary file could be made in " + dir.string(), EEXIST);
}

}  // namespace

void failNextWriteAfter(long bytes) { failAfter = bytes; }

fs::path writeTarget(const fs::path& file) {
  const fs::path absolute = fs::absolute(file);
  struct stat st{};
  if (::lstat(absolute.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return absolute;
  std::error_code ec;
  fs::path real = fs::canonical(absolute, ec);
  if (!ec) return real;
  if (ec == std::errc::too_many_symbolic_link_levels)
    throw WriteRefused(file, "is a symbolic link in a loop of links");
  if (ec != std::errc::no_such_file_or_directory)
    throw WriteRefused(file, "is a symbolic link that cannot be followed: " + ec.message());
  // name the end of the chain, which is what is missing
  fs::path end = absolute;
  for (int i = 0; i < 40 && ::lstat(end.c_str(), &st) == 0 && S_ISLNK(st.st_mode); ++i) {
    const fs::path next = fs::read_symlink(end, ec);
    if (ec) break;
    end = next.is_absolute() ? next : end.parent_path() / next;
  }
  throw WriteRefused(file, "is a symbolic link to " + end.lexically_normal().string() + ", which does not exist");
}

fs::path realFolder(const fs::path& file) {
  try {
    return writeTarget(file).parent_path();
  } catch (const WriteRefused&) {
    return fs::absolute(file).parent_path();
  }
}

bool isWriteProtected(const fs::path& file) {
  struct stat st{};
  if (::stat(file.c_str(), &st) != 0) return false;
  if (::geteuid() == 0) return (st.st_mode & S_IWUSR) == 0;
  return ::faccessat(AT_FDCWD, file.c_str(), W_OK, AT_EACCESS) != 0 && errno == EACCES;
}

void writeFileAtomically(const fs::path& file, std::string_view contents) {
  const fs::path target = writeTarget(file);
  const fs::path dir = target.parent_path();
  struct stat old{};
  const bool replacing = ::stat(target.c_str(), &old) == 0;
  // a rename would put a plain file where a device, pipe or folder was
  if (replacing && !S_ISREG(old.st_mode)) fail(file, "it is not a regular file; nothing was written", EINVAL);

  removeStaleTemporaries(dir, target);
  fs::path temp;
  const int fd = createTemporary(file, dir, target, temp);
  auto abandon = [&](const std::string& what, int error) {
    ::unlink(temp.c_str());
    ::close(fd);
    fail(file, what, error);
  };

  // the new file is the old one's in owner and permissions (owner first:
  // changing it clears set-id bits)
  if (replacing) {
    struct stat made{};
    if (::fstat(fd, &made) == 0 && (made.st_uid != old.st_uid || made.st_gid != old.st_gid))
      (void)!::fchown(fd, old.st_uid, old.st_gid);  // only the superuser may give a file away
    if (::fchmod(fd, old.st_mode & 07777) != 0) abandon("cannot give the new file the old one's permissions", errno);
  }

  long limit = failAfter;
  failAfter = -1;
  std::size_t written = 0;
  while (written < contents.size()) {
    std::size_t chunk = contents.size() - written;
    if (limit >= 0 && written + chunk > static_cast<std::size_t>(limit)) chunk = static_cast<std::size_t>(limit) - written;
    const ssize_t n = chunk ? ::write(fd, contents.data() + written, chunk) : -1;
    if (n < 0 && chunk && errno == EINTR) continue;
    if (n < 0) abandon("writing failed", chunk ? errno : EIO);
    written += static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0) abandon("flushing failed", errno);
  // The lock is held until the name is gone, so no cleaner takes the file
  // for stale in between.
  if (::rename(temp.c_str(), target.c_str()) != 0)
    abandon("it cannot be replaced in " + dir.string() + "; nothing was written", errno);
  ::close(fd);  // fsync has reported any error the data could meet
  // the rename itself reaches the disk with the folder
  if (const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
}

}  // namespace mapdoc
