#include "apps/carrowind/labeler_access.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "apps/carrowind/commands.h"
#include "apps/setup/component_registration.h"
#include "platform/com/error.h"
#include "platform/com/library_loader.h"
#include "platform/progress/progress.h"
#include "platform/registry/class_registration.h"
#include "platform/registry/store.h"
#include "platform/text/utf.h"

namespace carrowind::cli {
namespace {

namespace fs = std::filesystem;

fs::path besideProgram() { return setup::componentDirectory(setup::programPrefix()) / "libQVXCRW.so"; }

std::optional<fs::path> locate(const com::CLSID& clsid) {
  // Only a store that exists is asked: a lookup must not create one.
  std::error_code ec;
  if (fs::exists(registry::storePath(), ec)) {
    if (auto registered = registry::registeredServer(clsid); registered && fs::exists(*registered, ec))
      return registered;
  }
  if (clsid == engine::CLSID_QVXCarrowind) {
    if (auto local = besideProgram(); !local.empty() && fs::exists(local, ec)) return local;
  }
  return std::nullopt;
}

}  // namespace

com::ComPtr<engine::_QVXCarrowind> createLabeler() {
  // The engine reports through the registered error sink.
  setup::ensureRegistered();
  com::setServerLocator(locate);
  try {
    return com::create<engine::_QVXCarrowind>(engine::CLSID_QVXCarrowind);
  } catch (const com::Error& e) {
    // The registration may name components that cannot load in this program
    // (another build's, a damaged file): this program's own take their place.
    try {
      setup::registerComponents(setup::componentDirectory(setup::programPrefix()));
      return com::create<engine::_QVXCarrowind>(engine::CLSID_QVXCarrowind);
    } catch (const std::exception&) {
    }
    throw CommandError(kExitFailure, "cannot create the labeler (" + text::toUtf8(e.description()) +
                                         "); run \"carrowind install\" or reinstall Carrowind");
  }
}

TerminalProgress::TerminalProgress(std::string what) {
  if (!::isatty(STDERR_FILENO)) return;
  active_ = true;
  platform::progress::setHandler([what = std::move(what)](int done, int total) {
    if (total > 0) std::fprintf(stderr, "\r%s: %d %%", what.c_str(), static_cast<int>(done * 100LL / total));
    else std::fprintf(stderr, "\r%s: %d records", what.c_str(), done);
    if (done >= total) std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
  });
}

TerminalProgress::~TerminalProgress() {
  if (active_) platform::progress::setHandler({});
}

}  // namespace carrowind::cli
