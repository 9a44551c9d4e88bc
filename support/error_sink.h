#pragma once
// The error sink: an outside component that takes finished error reports.
// It is created by class identifier; ErrorHandling only needs these two calls.
#include <string>

#include "platform/com/unknown.h"

namespace support {

struct IErrorSink : com::IUnknown {
  COM_INTERFACE("6B1D3C2E-4F7A-4E38-9C55-2A7D0E61B4F1")
  // Takes one report's text.
  virtual com::HRESULT Record(const std::u16string& report) = 0;
  // Called once after Record, with true: hand the report on (write it out).
  virtual com::HRESULT Send(bool send) = 0;
};

// The sink's class, "QVXErrorSink.clsErrorSink".
inline const com::CLSID& errorSinkClsid() {
  static const com::CLSID id = com::Guid::fromString("6B1D3C2E-4F7A-4E38-9C55-2A7D0E61B4F2");
  return id;
}

}  // namespace support
