#include "mapdoc/document_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>

#include "mapdoc/atomic_file.h"

namespace mapdoc {
namespace fs = std::filesystem;

struct DocumentLock::Held {
  int fd = -1;
  pid_t owner = ::getpid();  // a forked child holds nothing of its parent's
  ~Held() {
    if (fd >= 0) ::close(fd);  // closing lets the lock go
  }
};

namespace {

std::mutex registryMutex;
std::map<std::string, std::weak_ptr<DocumentLock::Held>>& registry() {
  static std::map<std::string, std::weak_ptr<DocumentLock::Held>> held;
  return held;
}

std::chrono::milliseconds patience() {
  if (const char* text = std::getenv("CARROWIND_LOCK_WAIT"); text && *text) {
    char* end = nullptr;
    const double seconds = std::strtod(text, &end);
    if (end && *end == '\0' && seconds >= 0 && seconds < 1e6)
      return std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
  }
  return std::chrono::seconds(10);
}

bool sameFile(int fd, const fs::path& path) {
  struct stat open {}, named {};
  return ::fstat(fd, &open) == 0 && ::stat(path.c_str(), &named) == 0 && open.st_dev == named.st_dev &&
         open.st_ino == named.st_ino;
}

}  // namespace

DocumentLock DocumentLock::acquire(const fs::path& file) {
  const fs::path target = writeTarget(file).lexically_normal();
  const std::string key = target.string();
  std::lock_guard<std::mutex> lock(registryMutex);
  if (auto held = registry()[key].lock(); held && held->owner == ::getpid()) return DocumentLock(std::move(held));

  const auto deadline = std::chrono::steady_clock::now() + patience();
  for (;;) {
    // The file, or its folder while it is not there.
    bool folder = false;
    int fd = ::open(target.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
      folder = true;
      fd = ::open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    }
    if (fd < 0) {
      // Nothing to lock (a folder not there, no permission): writing will
      // say what is wrong.
      return DocumentLock(std::make_shared<Held>());
    }
    auto held = std::make_shared<Held>();
    held->fd = fd;
    for (;;) {
      if (::flock(fd, LOCK_EX | LOCK_NB) == 0) break;
      if (errno != EWOULDBLOCK && errno != EINTR) {
        // A file system without locks: go on as before they existed.
        registry()[key] = held;
        return DocumentLock(std::move(held));
      }
      if (std::chrono::steady_clock::now() >= deadline)
        throw DocumentLocked(target.string() + " is being written by another command; nothing was written. Run "
                             "again when it has finished");
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    // Another writer may have put a new file under the name meanwhile: lock that one.
    std::error_code ec;
    const bool current = folder ? !fs::exists(target, ec) : sameFile(fd, target);
    if (current) {
      registry()[key] = held;
      return DocumentLock(std::move(held));
    }
  }
}

DocumentLock::~DocumentLock() {
  if (!held_) return;
  std::lock_guard<std::mutex> lock(registryMutex);
  held_.reset();
}

}  // namespace mapdoc
