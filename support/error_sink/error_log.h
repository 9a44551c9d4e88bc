#pragma once
// Our error sink: each report sent is appended, under a time stamp line, to
// $XDG_STATE_HOME/quorvex/errors.log (~/.local/state/quorvex/errors.log when
// XDG_STATE_HOME is unset or not absolute).
#include <ctime>
#include <filesystem>
#include <string>

#include "platform/com/object.h"
#include "support/error_sink/server_lock.h"
#include "support/error_sink/error_sink.h"

namespace support {

std::filesystem::path errorLogPath();

// One entry as the log holds it: "=== <local time, ISO 8601> pid <n> ===",
// a line break, the report as sent (UTF-8), two line breaks.
std::string errorLogEntry(const std::u16string& report, std::time_t when);

class clsErrorSink : public com::Object<IErrorSink> {
 public:
  com::HRESULT Record(const std::u16string& report) override;
  // Appends the recorded report in one write, so that reports of several
  // programs never interleave. A log that cannot be written gives
  // E_FAIL-class codes (the errno as a Win32 code).
  com::HRESULT Send(bool send) override;

 private:
  std::u16string report_;
  bool recorded_ = false;
  ServerLock::ObjectReference lock_;
};

}  // namespace support
