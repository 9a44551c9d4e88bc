#include "mapdoc/data/gdal_session.h"

#include <cpl_error.h>
#include <gdal.h>

#include <mutex>

#include "platform/text/utf.h"

namespace mapdoc::data {
namespace {

thread_local std::string firstFailure;

// Quiet, as CPLQuietErrorHandler, but keeps the first failure.
void CPL_STDCALL keepFirstFailure(CPLErr type, CPLErrorNum, const char* message) {
  if (type >= CE_Failure && firstFailure.empty() && message) firstFailure = message;
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

std::string lastGdalError() {
  const char* message = CPLGetLastErrorMsg();
  return message ? message : "";
}

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
