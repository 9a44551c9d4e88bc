// carrowind registry: back up and move settings and quick picks as registry
// editor files.
#include <CLI/CLI.hpp>
#include <fstream>
#include <iostream>
#include <sstream>
#include <vector>

#include "apps/carrowind/commands.h"
#include "mapdoc/atomic_file.h"
#include "platform/registry/reg_file.h"
#include "platform/registry/store.h"

namespace carrowind::cli {
namespace {

constexpr const char* kProductKey = "HKEY_CURRENT_USER\\Software\\Quorvex\\Carrowind";

struct RegistryOptions {
  std::string key = kProductKey;
  std::string output;
  std::string input;
};

CommandError failure(const registry::RegFileError& e) {
  // The store has already said why, in its own line on stderr.
  const bool storeBroken = e.code() == registry::ERROR_BADDB || e.code() == registry::ERROR_CANTOPEN;
  if (storeBroken) return {kExitFailure, "the settings store " + registry::storePath().string() + " cannot be used"};
  if (e.code() == registry::ERROR_SUCCESS || e.code() == registry::ERROR_FILE_NOT_FOUND) return inputError(e.what());
  return {kExitFailure, e.what()};
}

int runExport(const RegistryOptions& options) {
  auto key = registry::parseFullKeyPath(options.key);
  if (!key)
    throw inputError("\"" + options.key + "\" is not a key of HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE or HKEY_CLASSES_ROOT");
  std::string text;
  std::vector<std::string> leftOut;
  try {
    text = registry::exportRegFile(*key, &leftOut);
  } catch (const registry::RegFileError& e) {
    throw failure(e);
  }
  for (const auto& note : leftOut) std::cerr << "carrowind: " << note << '\n';
  if (options.output.empty() || options.output == "-") {
    std::cout << text << std::flush;
  } else {
    mapdoc::writeFileAtomically(options.output, text);
  }
  return kExitOk;
}

int runImport(const RegistryOptions& options) {
  std::ifstream in(options.input, std::ios::binary);
  if (!in) throw inputError("cannot read " + options.input);
  std::ostringstream contents;
  contents << in.rdbuf();
  registry::ImportSummary summary;
  try {
    summary = registry::importRegFile(contents.str());
  } catch (const registry::RegFileError& e) {
    if (e.line() > 0) throw inputError(options.input + ", " + e.what());
    throw failure(e);
  }
  std::cout << "imported " << summary.keys << " keys, " << summary.values << " values";
  if (summary.deletedKeys) std::cout << ", deleted " << summary.deletedKeys << " keys";
  std::cout << " from " << options.input << " into " << registry::storePath().string() << '\n';
  return kExitOk;
}

const CommandRegistration registryCommand{70, [](CLI::App& program) -> Runner {
  auto options = std::make_shared<RegistryOptions>();
  auto* command = program.add_subcommand(
      "registry",
      "Back up, restore and move settings and quick picks, in the registry editor's text format\n"
      "(\"Windows Registry Editor Version 5.00\"). The store is $CARROWIND_REGISTRY, or\n"
      "$XDG_CONFIG_HOME/quorvex/registry.db (~/.config/quorvex/registry.db).");
  command->require_subcommand(1);
  auto* exportCommand = command->add_subcommand("export", "Write a key with everything below it as a registry editor file.");
  exportCommand->add_option("key", options->key, "the key (HKEY_CURRENT_USER\\..., HKCU\\..., HKLM\\..., HKCR\\...)")
      ->capture_default_str();
  exportCommand->add_option("-o,--output", options->output, "write to this file (replaced whole) instead of stdout");
  auto* importCommand = command->add_subcommand(
      "import", "Apply a registry editor file: its keys and values are written, [-key] and \"name\"=- delete.\n"
                "A file with an error changes nothing.");
  importCommand->add_option("file", options->input, "the registry editor file")->required();
  return [options, exportCommand] { return exportCommand->parsed() ? runExport(*options) : runImport(*options); };
}};

}  // namespace
}  // namespace carrowind::cli
