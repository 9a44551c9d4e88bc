#include "mapdoc/data/gdal_session.h"

#include <cpl_error.h>
#include <gdal.h>

#include <mutex>
#include <string_view>

#include "platform/text/utf.h"

namespace mapdoc::data {
namespace {

thread_local std::string firstFailure;

// GDAL passes on a database server's message as it comes: on several lines,
// with the statement quoted ("LINE 1: ...") and a caret under the fault.
// A message is one line here; the statement is left out.
std::string oneLine(const char* message) {
  std::string out;
  std::string_view rest = message ? message : "";
  while (!rest.empty()) {
    const auto end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\r')) line.remove_suffix(1);
    while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
    if (line.empty() || line.rfind("LINE ", 0) == 0 || line.find_first_not_of("^ ") == std::string_view::npos) continue;
    if (!out.empty()) out += ' ';
    out += line;
  }
  return out;
}

// Quiet, as CPLQuietErrorHandler, but keeps the first failure.
void CPL_STDCALL keepFirstFailure(CPLErr type, CPLErrorNum, const char* message) {
  if (type >= CE_Failure && firstFailure.empty() && message) firstFailure = oneLine(message);
}

}  // namespace

void ensureGdal() {
  static std::once_flag once;
  std::call_once(once, [] {
    CPLSetErrorHandler(keepFirstFailure);
    GDALAllRegister();
  });
}

std::string firstGdalError() { return firstFailure.empty() ? lastGdalError() : firstFailure; }

std::string lastGdalError() { return oneLine(CPLGetLastErrorMsg()); }

void clearGdalError() {
  CPLErrorReset();
  firstFailure.clear();
}

void throwHostError(const std::string& message) { throw host::HostError(com::E_FAIL, text::fromUtf8(message)); }

void throwGdalError(const std::string& what) {
  const std::string detail = lastGdalError();
  clearGdalError();
  throwHostError(detail.empty() ? what : what + ": " + detail);
}

}  // namespace mapdoc::data
