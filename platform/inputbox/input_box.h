#pragma once
// The input box as a replaceable seam: one line of text asked for with a
// prompt. A program with windows installs a handler that shows a real box,
// tests one that answers from a script. Without a handler the prompt is
// asked on the terminal when standard input is one, and counts as
// cancelled otherwise (a program without a user must never wait for one).
#include <functional>
#include <optional>
#include <string>

namespace platform::inputbox {

struct Request {
  std::u16string prompt;
  std::u16string title;
  std::u16string defaultText;
};

// The text the user accepted, or nothing when the box was cancelled.
using Handler = std::function<std::optional<std::u16string>(const Request&)>;

// Installs a handler (an empty one restores the default) and returns the
// one it replaces, so a caller can put it back.
Handler setHandler(Handler handler);

// Tells a cancel apart from an accepted empty text.
std::optional<std::u16string> ask(const Request& request);

// The classic input box: an empty text after Cancel.
inline std::u16string InputBox(std::u16string prompt, std::u16string title = {},
                               std::u16string defaultText = {}) {
  return ask(Request{std::move(prompt), std::move(title), std::move(defaultText)}).value_or(u"");
}

}  // namespace platform::inputbox
