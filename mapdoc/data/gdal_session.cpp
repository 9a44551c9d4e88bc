#include "mapdoc/data/gdal_session.h"

#include <cpl_error.h>
#include <gdal.h>

#include <mutex>

#include "platform/text/utf.h"

namespace mapdoc::data {

void ensureGdal() {
  static std::once_flag once;
  std::call_once(once, [] {
    CPLSetErrorHandler(CPLQuietErrorHandler);
    GDALAllRegister();
  });
}

std::string lastGdalError() {
  const char* message = CPLGetLastErrorMsg();
  return message ? message : "";
}

void clearGdalError() { CPLErrorReset(); }

void throwHostError(const std::string& message) { throw host::HostError(com::E_FAIL, text::fromUtf8(message)); }

void throwGdalError(const std::string& what) {
  const std::string detail = lastGdalError();
  clearGdalError();
  throwHostError(detail.empty() ? what : what + ": " + detail);
}

}  // namespace mapdoc::data
