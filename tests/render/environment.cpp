#include "qt_environment.h"

#include "mapdoc/data/open.h"

namespace {
const auto* const offscreenQt = [] {
  mapdoc::registerHostClasses();
  return ::testing::AddGlobalTestEnvironment(new OffscreenQt);
}();
}  // namespace
