#include "platform/messagebox/message_box.h"

#include <cstdio>

#include "platform/text/utf.h"
#include "platform/seam/handler_slot.h"

namespace platform::messagebox {
namespace {

platform::seam::HandlerSlot<Handler>& slot() {
  static auto* s = new platform::seam::HandlerSlot<Handler>;  // never destroyed
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
  return slot().exchange(std::move(handler));
}

Result show(const Request& request) {
  const Handler handler = slot().current();
  // Called outside the lock: a handler may itself show a box.
  if (handler) return handler(request);
  std::fprintf(stderr, "[%s] %s: %s\n", iconWord(request.icon), text::toUtf8(request.title).c_str(),
               text::toUtf8(request.text).c_str());
  return defaultResult(request.buttons);
}

}  // namespace platform::messagebox
