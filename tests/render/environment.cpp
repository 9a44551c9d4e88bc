#include "qt_environment.h"

#include "mapdoc/data/open.h"

namespace {
const auto* const offscreenQt = [] {
  mapdoc::registerHostClasses();
  return ::testing::AddGlobalTestEnvironment(new OffscreenQt);
}();
}  // namespace

// The same for this test program in sanitized builds.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
