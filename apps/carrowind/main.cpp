// carrowind: legend labels from label expressions, on the command line.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstring>
#include <iostream>
#include <map>

#include "apps/about/product_version.h"
#include "apps/carrowind/commands.h"
#include "host/host.h"
#include "mapdoc/data/open.h"
#include "mapdoc/json/json.h"

namespace {

// A command given --json answers in JSON however it ends: a failure prints
// {"ok": false, "message", "layer"} (the layer when one was named) as well
// as the line on stderr. A parse error may stop before --json is read, so
// the arguments are looked at too.
void printFailureJson(CLI::App* command, const std::string& message, int argc, char** argv) {
  auto* json = command ? command->get_option_no_throw("--json") : nullptr;
  if (!json) return;
  if (json->count() == 0 && std::none_of(argv + 1, argv + argc, [](const char* a) { return std::strcmp(a, "--json") == 0; }))
    return;
  mapdoc::Json out = {{"ok", false}, {"message", message}};
  if (auto* layer = command->get_option_no_throw("--layer"); layer && layer->count() > 0)
    out["layer"] = layer->as<std::string>();
  // a file's name need not be UTF-8
  std::cout << out.dump(2, ' ', false, mapdoc::Json::error_handler_t::replace) << '\n';
}

}  // namespace

int main(int argc, char** argv) {
  using namespace carrowind::cli;
  CLI::App program{
      "carrowind: rewrites the labels of a map layer's legend classes from one label expression.\n"
      "Map documents (.cwmap) name the layers, their data and their renderers; QGIS projects (.qgs, .qgz)\n"
      "and layer styles (.qml) are read and written as map documents too.",
      "carrowind"};
  program.require_subcommand(1);
  program.set_version_flag("--version", [] { return carrowind::about::versionText("carrowind"); },
                           "Print the version, and those of GDAL, PROJ, Qt, ICU and SQLite it runs with, and exit");

  mapdoc::registerHostClasses();
  std::map<CLI::App*, Runner> runners;
  for (const auto& command : registeredCommands()) {
    Runner runner = command.registrar(program);
    runners.emplace(program.get_subcommands({}).back(), std::move(runner));
  }

  try {
    program.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return program.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return program.exit(e);
  } catch (const CLI::Success& e) {
    return program.exit(e);
  } catch (const CLI::ParseError& e) {
    program.exit(e);
    const auto parsed = program.get_subcommands();
    printFailureJson(parsed.empty() ? nullptr : parsed.front(), e.what(), argc, argv);
    return kExitUsage;
  }

  for (auto* chosen : program.get_subcommands()) {
    const auto fail = [&](const char* message, int exitCode) {
      std::cerr << "carrowind " << chosen->get_name() << ": " << message << '\n';
      printFailureJson(chosen, message, argc, argv);
      return exitCode;
    };
    try {
      return runners.at(chosen)();
    } catch (const CommandError& e) {
      return fail(e.what(), e.exitCode());
    } catch (const std::exception& e) {  // a host error among them
      return fail(e.what(), kExitFailure);
    }
  }
  return kExitUsage;
}
