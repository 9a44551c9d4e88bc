#include "support/system_beep.h"

#include <unistd.h>

#include <cstdio>
#include <mutex>

namespace support {
namespace {

struct State {
  std::mutex mutex;
  BeepHandler handler;
};

State& state() {
  static State* s = new State;  // never destroyed
  return *s;
}

}  // namespace

BeepHandler setBeepHandler(BeepHandler handler) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  std::swap(s.handler, handler);
  return handler;
}

void Beep() {
  BeepHandler handler;
  {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    handler = s.handler;
  }
  if (handler) {
    handler();
  } else if (::isatty(STDERR_FILENO)) {
    std::fputc('\a', stderr);
    std::fflush(stderr);
  }
}

}  // namespace support
