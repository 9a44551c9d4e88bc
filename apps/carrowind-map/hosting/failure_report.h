#pragma once
// Failures of extensions, commands and the application's own work, told to
// the user in a message box titled with what was being done, written to
// standard error and handed to the error sink when one is registered. A
// failure never leaves the window's event handling: every call into an
// extension or command goes through guarded().
#include <exception>
#include <string>
#include <string_view>

namespace carrowind::map {

// action: what was being done, as the message box's title ("Opening the
// map document"); message: what went wrong.
void reportFailure(std::u16string_view action, std::u16string_view message);

// The description of the exception in flight (com::Error's own text, a
// standard exception's what(), or a word that nothing more is known).
std::u16string currentFailureText();

// Runs f; any exception is reported under action and false returned.
template <class F>
bool guarded(std::u16string_view action, F&& f) noexcept {
  try {
    f();
    return true;
  } catch (...) {
    try {
      reportFailure(action, currentFailureText());
    } catch (...) {
    }
    return false;
  }
}

}  // namespace carrowind::map
