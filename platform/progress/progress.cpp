#include "platform/progress/progress.h"

#include <mutex>
#include <utility>

namespace platform::progress {
namespace {

std::mutex& lock() {
  static std::mutex m;
  return m;
}

Handler& current() {
  static Handler handler;
  return handler;
}

}  // namespace

Handler setHandler(Handler handler) {
  std::lock_guard guard(lock());
  return std::exchange(current(), std::move(handler));
}

void report(int done, int total) {
  Handler handler;
  {
    std::lock_guard guard(lock());
    handler = current();
  }
  // A progress display must never stop the work it shows.
  if (handler) try {
      handler(done, total);
    } catch (...) {
    }
}

}  // namespace platform::progress
