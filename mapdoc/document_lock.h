#pragma once
// One writer at a time for a user's file: an advisory lock (flock) on the
// file itself, held by a command from reading the file to renaming its new
// version over it. The rename puts a new file under the name, so a command
// that was waiting and then gets the lock of the old file lets it go and
// locks the new one: it reads what the other wrote. A file that is not
// there yet is locked through its folder. Links are locked at the file
// they end at.
//
// Locks are re-entrant within a process: a command that holds one and then
// saves takes it again without waiting. Waiting is bounded (10 s, or
// CARROWIND_LOCK_WAIT seconds); then DocumentLocked says so.
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

namespace mapdoc {

class DocumentLocked : public std::runtime_error {
 public:
  explicit DocumentLocked(const std::string& message) : std::runtime_error(message) {}
};

class DocumentLock {
 public:
  // Throws DocumentLocked after waiting in vain, WriteRefused for a broken link.
  static DocumentLock acquire(const std::filesystem::path& file);

  DocumentLock() = default;
  DocumentLock(DocumentLock&&) noexcept = default;
  DocumentLock& operator=(DocumentLock&&) noexcept = default;
  ~DocumentLock();

  struct Held;

 private:
  explicit DocumentLock(std::shared_ptr<Held> held) : held_(std::move(held)) {}
  std::shared_ptr<Held> held_;
};

}  // namespace mapdoc
