#include "platform/progress/progress.h"

#include "platform/seam/handler_slot.h"

namespace platform::progress {
namespace {

platform::seam::HandlerSlot<Handler>& slot() {
  static auto* s = new platform::seam::HandlerSlot<Handler>;  // never destroyed
  return *s;
}

}  // namespace

Handler setHandler(Handler handler) { return slot().exchange(std::move(handler)); }

void report(int done, int total) {
  const Handler handler = slot().current();
  // A progress display must never stop the work it shows.
  if (handler) try {
      handler(done, total);
    } catch (...) {
    }
}

}  // namespace platform::progress
