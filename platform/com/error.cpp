#include "platform/com/error.h"

#include "platform/text/utf.h"

namespace com {

Error::Error(HRESULT code, std::u16string description, std::u16string source)
    : std::runtime_error(text::toUtf8(description)),
      code_(code),
      description_(std::move(description)),
      source_(std::move(source)) {}

void check(HRESULT code, const std::u16string& description) {
  if (failed(code)) throw Error(code, description);
}

}  // namespace com
