#include "platform/inputbox/input_box.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "platform/text/utf.h"
#include "platform/seam/handler_slot.h"

namespace platform::inputbox {
namespace {

platform::seam::HandlerSlot<Handler>& slot() {
  static auto* s = new platform::seam::HandlerSlot<Handler>;  // never destroyed
  return *s;
}

// End of input (Ctrl-D) cancels this box only; the next one reads the
// terminal again.
bool readLine(std::string& line) {
  if (std::getline(std::cin, line)) return true;
  std::cin.clear();
  std::clearerr(stdin);
  return false;
}

// On a terminal the prompt is asked there; Enter alone keeps the default,
// end of input cancels.
std::optional<std::u16string> askOnTerminal(const Request& request) {
  const std::string title = text::toUtf8(request.title);
  const std::string prompt = text::toUtf8(request.prompt);
  if (!::isatty(STDIN_FILENO)) {
    std::fprintf(stderr, "[input] %s: %s (no user to answer; cancelled)\n", title.c_str(), prompt.c_str());
    return std::nullopt;
  }
  std::fprintf(stderr, "%s%s%s", title.c_str(), title.empty() ? "" : ": ", prompt.c_str());
  if (!request.defaultText.empty()) std::fprintf(stderr, " [%s]", text::toUtf8(request.defaultText).c_str());
  std::fputc(' ', stderr);
  std::fflush(stderr);
  std::string line;
  if (!readLine(line)) return std::nullopt;
  if (line.empty()) return request.defaultText;
  return text::fromUtf8(line);
}

}  // namespace

Handler setHandler(Handler handler) {
  return slot().exchange(std::move(handler));
}

std::optional<std::u16string> ask(const Request& request) {
  const Handler handler = slot().current();
  if (handler) return handler(request);
  return askOnTerminal(request);
}

}  // namespace platform::inputbox
