#include "platform/inputbox/input_box.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <mutex>

#include "platform/text/utf.h"

namespace platform::inputbox {
namespace {

struct State {
  std::mutex mutex;
  Handler handler;
};

State& state() {
  static State* s = new State;  // never destroyed: a box may be asked for during static teardown
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
  auto& s = state();
  std::lock_guard lock(s.mutex);
  std::swap(s.handler, handler);
  return handler;
}

std::optional<std::u16string> ask(const Request& request) {
  Handler handler;
  {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    handler = s.handler;
  }
  if (handler) return handler(request);
  return askOnTerminal(request);
}

}  // namespace platform::inputbox
