#include "dialogs/dialog_errors.h"

#include "platform/com/error.h"
#include "platform/messagebox/message_box.h"
#include "platform/text/utf.h"

namespace dialogs {

std::u16string errorDescription(const std::exception& error) {
  if (const auto* com = dynamic_cast<const com::Error*>(&error)) return com->description();
  return text::fromUtf8(error.what());
}

void reportError(const std::exception& error, std::u16string_view title) {
  reportError(errorDescription(error), title);
}

void reportError(std::u16string_view description, std::u16string_view title) {
  platform::messagebox::show(std::u16string(description), std::u16string(title),
                             platform::messagebox::Icon::Critical);
}

}  // namespace dialogs
