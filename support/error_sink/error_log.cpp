#include "support/error_sink/error_log.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "platform/text/utf.h"
#include "support/error_sink/server_lock.h"

namespace support {
namespace {

// HRESULT_FROM_WIN32 of an errno: good enough to tell causes apart.
com::HRESULT fromErrno(int error) {
  return static_cast<com::HRESULT>(0x80070000u | (static_cast<unsigned>(error) & 0xffffu));
}

}  // namespace

std::filesystem::path errorLogPath() {
  std::filesystem::path base;
  if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/') {
    base = state;
  } else {
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
      const passwd* user = ::getpwuid(::getuid());
      home = user && user->pw_dir ? user->pw_dir : "/";
    }
    base = std::filesystem::path(home) / ".local" / "state";
  }
  return base / "quorvex" / "errors.log";
}

std::string errorLogEntry(const std::u16string& report, std::time_t when) {
  std::tm local{};
  ::localtime_r(&when, &local);
  char stamp[64];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S%z", &local);
  return std::string("=== ") + stamp + " pid " + std::to_string(::getpid()) + " ===\r\n" + text::toUtf8(report) +
         "\r\n\r\n";
}


com::HRESULT clsErrorSink::Record(const std::u16string& report) {
  report_ = report;
  recorded_ = true;
  return com::S_OK;
}

com::HRESULT clsErrorSink::Send(bool send) {
  if (!send || !recorded_) {
    report_.clear();
    recorded_ = false;
    return com::S_OK;
  }
  const auto file = errorLogPath();
  std::error_code ec;
  if (!std::filesystem::exists(file.parent_path(), ec)) {
    std::filesystem::create_directories(file.parent_path(), ec);
    if (ec) return fromErrno(ec.value());
    ::chmod(file.parent_path().c_str(), 0700);
  }
  const int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return fromErrno(errno);
  const std::string entry = errorLogEntry(report_, std::time(nullptr));
  // One write of the whole entry: O_APPEND places it at the end atomically.
  std::size_t written = 0;
  int error = 0;
  while (written < entry.size()) {
    const ssize_t n = ::write(fd, entry.data() + written, entry.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? errno : EIO;
      break;
    }
    written += static_cast<std::size_t>(n);
  }
  if (!error && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && !error) error = errno;
  if (error) return fromErrno(error);
  report_.clear();
  recorded_ = false;
  return com::S_OK;
}

}  // namespace support
