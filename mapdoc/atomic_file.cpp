#include "mapdoc/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string>

namespace mapdoc {
namespace {

long failAfter = -1;

[[noreturn]] void fail(const std::filesystem::path& file, const std::string& what, int error) {
  throw std::runtime_error("cannot write " + file.string() + ": " + what + ": " + std::strerror(error));
}

}  // namespace

void failNextWriteAfter(long bytes) { failAfter = bytes; }

void writeFileAtomically(const std::filesystem::path& file, std::string_view contents) {
  const auto dir = file.parent_path().empty() ? std::filesystem::path(".") : file.parent_path();
  std::random_device random;
  const auto temp = dir / ("." + file.filename().string() + ".tmp" + std::to_string(random()));
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) fail(file, "cannot create a temporary file in " + dir.string(), errno);

  // keep the permissions of the file being replaced
  struct stat old{};
  if (::stat(file.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);

  long limit = failAfter;
  failAfter = -1;
  std::size_t written = 0;
  while (written < contents.size()) {
    std::size_t chunk = contents.size() - written;
    if (limit >= 0 && written + chunk > static_cast<std::size_t>(limit)) chunk = static_cast<std::size_t>(limit) - written;
    const ssize_t n = chunk ? ::write(fd, contents.data() + written, chunk) : -1;
    if (n < 0 && chunk && errno == EINTR) continue;
    if (n < 0) {
      const int error = chunk ? errno : EIO;
      ::close(fd);
      ::unlink(temp.c_str());
      fail(file, "writing failed", error);
    }
    written += static_cast<std::size_t>(n);
  }
  const int synced = ::fsync(fd) == 0 ? 0 : errno;
  const int closed = ::close(fd) == 0 ? 0 : errno;
  if (synced || closed) {
    const int error = synced ? synced : closed;
    ::unlink(temp.c_str());
    fail(file, "flushing failed", error);
  }
  if (::rename(temp.c_str(), file.c_str()) != 0) {
    const int error = errno;
    ::unlink(temp.c_str());
    fail(file, "renaming failed", error);
  }
  // the rename itself reaches the disk with the folder
  if (const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
}

}  // namespace mapdoc
