// carrowind install / uninstall: per-user registration of the component
// libraries, as regsvr32 does on the original platform, and the product key
// the dialog needs. The programs register by themselves on first use; these
// commands do it on request, and say what they did.
#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>

#include "apps/carrowind/commands.h"
#include "apps/setup/component_registration.h"
#include "platform/registry/store.h"

namespace carrowind::cli {
namespace {

namespace fs = std::filesystem;

fs::path componentDirectory(const std::string& prefixOption) {
  return setup::componentDirectory(prefixOption.empty() ? setup::programPrefix() : fs::path(prefixOption));
}

int runInstall(const std::string& prefixOption) {
  const fs::path lib = componentDirectory(prefixOption);
  setup::Progress progress;
  progress.registered = [](const fs::path& file) { std::cout << "registered " << file.string() << '\n'; };
  progress.skipped = [](const fs::path& file, const std::string& why) {
    std::cerr << "carrowind install: " << file.string() << ' ' << why << "; skipped\n";
  };
  try {
    if (setup::registerComponents(lib, progress) == 0) throw inputError("no component library in " + lib.string());
    if (setup::createProductKey())
      std::cout << "created the settings key Software\\Quorvex\\Carrowind with the dialog's defaults\n";
  } catch (const setup::RegistrationError& e) {
    throw CommandError(kExitFailure, e.what());
  }
  std::cout << "settings store: " << registry::storePath().string() << '\n';
  return kExitOk;
}

int runUninstall(const std::string& prefixOption) {
  try {
    setup::unregisterComponents(componentDirectory(prefixOption),
                                [](const std::string& library) { std::cout << "unregistered " << library << '\n'; });
  } catch (const setup::RegistrationError& e) {
    throw CommandError(kExitFailure, e.what());
  }
  std::cout << "settings and quick picks are kept in " << registry::storePath().string() << '\n';
  return kExitOk;
}

const CommandRegistration installCommand{80, [](CLI::App& program) -> Runner {
  auto prefix = std::make_shared<std::string>();
  auto* command = program.add_subcommand(
      "install",
      "Register the component libraries (QVXCRW, QVXCRWUI, the error sink) for this user, as regsvr32 does,\n"
      "and create the settings key Software\\Quorvex\\Carrowind with the dialog's defaults when it is missing.\n"
      "The programs do this by themselves the first time they need it.");
  command->add_option("--prefix", *prefix,
                      "the installation folder; its lib/carrowind/ or lib/ holds the libraries (default: this program's)");
  return [prefix] { return runInstall(*prefix); };
}};

const CommandRegistration uninstallCommand{81, [](CLI::App& program) -> Runner {
  auto prefix = std::make_shared<std::string>();
  auto* command = program.add_subcommand(
      "uninstall", "Remove this user's registration of the component libraries. Settings and quick picks stay.");
  command->add_option("--prefix", *prefix, "the installation folder (default: this program's)");
  return [prefix] { return runUninstall(*prefix); };
}};

}  // namespace
}  // namespace carrowind::cli
