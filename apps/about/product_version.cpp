#include "apps/about/product_version.h"

#include <gdal.h>
#include <ogr_srs_api.h>
#include <sqlite3.h>
#include <unicode/uversion.h>

#ifdef CW_WITH_QT
#include <QtGlobal>
#endif

#include "apps/about/version.h"

namespace carrowind::about {
namespace {

// PROJ as GDAL loaded it: the program reaches PROJ only through GDAL.
std::string projVersion() {
  int major = 0, minor = 0, patch = 0;
  OSRGetPROJVersion(&major, &minor, &patch);
  return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(patch);
}

std::string icuVersion() {
  UVersionInfo version;
  u_getVersion(version);
  char text[U_MAX_VERSION_STRING_LENGTH];
  u_versionToString(version, text);
  return text;
}

}  // namespace

std::string versionText(std::string_view program) {
  std::string text(program);
  text.append(" ").append(kProductVersion).append("\n");
  text.append("GDAL ").append(GDALVersionInfo("RELEASE_NAME"));
  text.append(", PROJ ").append(projVersion());
#ifdef CW_WITH_QT
  text.append(", Qt ").append(qVersion());
#endif
  text.append(", ICU ").append(icuVersion());
  text.append(", SQLite ").append(sqlite3_libversion());
  return text;
}

}  // namespace carrowind::about
