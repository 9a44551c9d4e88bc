#include "platform/beep/system_beep.h"

#include <unistd.h>

#include <cstdio>

#include "platform/seam/handler_slot.h"

namespace support {
namespace {

platform::seam::HandlerSlot<BeepHandler>& slot() {
  static auto* s = new platform::seam::HandlerSlot<BeepHandler>;  // never destroyed
  return *s;
}

}  // namespace

BeepHandler setBeepHandler(BeepHandler handler) {
  return slot().exchange(std::move(handler));
}

void Beep() {
  const BeepHandler handler = slot().current();
  if (handler) {
    handler();
  } else if (::isatty(STDERR_FILENO)) {
    std::fputc('\a', stderr);
    std::fflush(stderr);
  }
}

}  // namespace support
