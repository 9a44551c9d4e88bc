#pragma once
// How the dialogs report an error they caught: a message box whose text is
// the error's description and whose title names the action that failed,
// with an error icon and a single OK button.
#include <exception>
#include <string>
#include <string_view>

namespace dialogs {

// The description of a caught error: a host or COM error's own text, else
// what() read as UTF-8.
std::u16string errorDescription(const std::exception& error);

void reportError(const std::exception& error, std::u16string_view title);
void reportError(std::u16string_view description, std::u16string_view title);

}  // namespace dialogs
