#pragma once
// Message boxes as a replaceable seam. Libraries without a window of their
// own (the engine) call show(); a program with a user interface installs a
// handler that draws a real box, tests install one that records the call.
// Without a handler the box is written to standard error and answered with
// its default button.
#include <functional>
#include <string>

namespace platform::messagebox {

enum class Icon { None, Critical, Question, Exclamation, Information };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class Result { Ok, Cancel, Yes, No, Retry };

struct Request {
  std::u16string text;
  std::u16string title;
  Icon icon = Icon::None;
  Buttons buttons = Buttons::Ok;
};

using Handler = std::function<Result(const Request&)>;

// Installs a handler (an empty one restores the default) and returns the
// one it replaces, so a caller can put it back.
Handler setHandler(Handler handler);

Result show(const Request& request);
inline Result show(std::u16string text, std::u16string title, Icon icon = Icon::None,
                   Buttons buttons = Buttons::Ok) {
  return show(Request{std::move(text), std::move(title), icon, buttons});
}

// The first button of a button set: what the default handler answers.
Result defaultResult(Buttons buttons);

}  // namespace platform::messagebox
