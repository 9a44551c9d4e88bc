#include "platform/messagebox/message_box.h"

#include <cstdio>
#include <mutex>

#include "platform/text/utf.h"

namespace platform::messagebox {
namespace {

struct State {
  std::mutex mutex;
  Handler handler;
};

State& state() {
  static State* s = new State;  // never destroyed: boxes may be shown during static teardown
  return *s;
}

const char* iconWord(Icon icon) {
  switch (icon) {
    case Icon::Critical: return "error";
    case Icon::Question: return "question";
    case Icon::Exclamation: return "warning";
    case Icon::Information: return "information";
    case Icon::None: break;
  }
  return "message";
}

}  // namespace

Result defaultResult(Buttons buttons) {
  switch (buttons) {
    case Buttons::YesNo:
    case Buttons::YesNoCancel: return Result::Yes;
    case Buttons::RetryCancel: return Result::Retry;
    case Buttons::Ok:
    case Buttons::OkCancel: break;
  }
  return Result::Ok;
}

Handler setHandler(Handler handler) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  std::swap(s.handler, handler);
  return handler;
}

Result show(const Request& request) {
  Handler handler;
  {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    handler = s.handler;
  }
  // Called outside the lock: a handler may itself show a box.
  if (handler) return handler(request);
  std::fprintf(stderr, "[%s] %s: %s\n", iconWord(request.icon), text::toUtf8(request.title).c_str(),
               text::toUtf8(request.text).c_str());
  return defaultResult(request.buttons);
}

}  // namespace platform::messagebox
