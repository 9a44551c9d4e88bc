#pragma once
// The error sink: an outside component that takes finished error reports,
// created by class identifier (ProgID "QVXErrorSink.clsErrorSink"). The
// report needs only its two calls: the text, then Send(true).
#include <string>

#include "platform/com/unknown.h"

namespace support {

struct IErrorSink : com::IUnknown {
  COM_INTERFACE("6B1D3C2E-4F7A-4E38-9C55-2A7D0E61B4F1")
  // Takes one report's text (replacing one not yet sent).
  virtual com::HRESULT Record(const std::u16string& report) = 0;
  // true: hands the recorded report on (our sink appends it to its log);
  // false: drops it.
  virtual com::HRESULT Send(bool send) = 0;
};

inline const com::CLSID& CLSID_ErrorSink() {
  static const com::CLSID id = com::Guid::fromString("6B1D3C2E-4F7A-4E38-9C55-2A7D0E61B4F2");
  return id;
}

inline constexpr const char* kErrorSinkProgId = "QVXErrorSink.clsErrorSink";

}  // namespace support
