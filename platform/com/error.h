#pragma once
// The one error type that crosses object boundaries: a result code and a
// description, as a COM error object carries them. Host calls that fail throw
// it; the engine and the dialogs trap it and read the description.
#include <stdexcept>
#include <string>

#include "platform/com/hresult.h"

namespace com {

class Error : public std::runtime_error {
 public:
  Error(HRESULT code, std::u16string description, std::u16string source = {});
  HRESULT code() const { return code_; }
  const std::u16string& description() const { return description_; }
  const std::u16string& source() const { return source_; }

 private:
  HRESULT code_;
  std::u16string description_;
  std::u16string source_;
};

// Throws Error(code, description) when code is a failure.
void check(HRESULT code, const std::u16string& description = {});

}  // namespace com
