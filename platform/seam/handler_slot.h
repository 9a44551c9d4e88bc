#pragma once
// The slot behind every replaceable seam (message box, input box, file
// dialogs, beep, shell, help, progress): one handler, swapped and read
// under a lock, so a window's thread and a worker can both use the seam.
// A seam keeps its slot in a function-local pointer that is never
// destroyed, because a seam may be used during static teardown.
#include <mutex>
#include <utility>

namespace platform::seam {

template <class Handler>
class HandlerSlot {
 public:
  // Installs a handler and returns the one it replaces.
  Handler exchange(Handler handler) {
    std::lock_guard lock(mutex_);
    std::swap(handler_, handler);
    return handler;
  }
  // A copy, so the handler runs without the lock held.
  Handler current() const {
    std::lock_guard lock(mutex_);
    return handler_;
  }

 private:
  mutable std::mutex mutex_;
  Handler handler_;
};

}  // namespace platform::seam
