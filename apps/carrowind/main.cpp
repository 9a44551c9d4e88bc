// carrowind: legend labels from label expressions, on the command line.
#include <CLI/CLI.hpp>
#include <iostream>
#include <map>

#include "apps/about/product_version.h"
#include "apps/carrowind/commands.h"
#include "host/host.h"
#include "mapdoc/data/open.h"

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
    return kExitUsage;
  }

  for (auto* chosen : program.get_subcommands()) {
    try {
      return runners.at(chosen)();
    } catch (const CommandError& e) {
      std::cerr << "carrowind " << chosen->get_name() << ": " << e.what() << '\n';
      return e.exitCode();
    } catch (const host::HostError& e) {
      std::cerr << "carrowind " << chosen->get_name() << ": " << e.what() << '\n';
      return kExitFailure;
    } catch (const std::exception& e) {
      std::cerr << "carrowind " << chosen->get_name() << ": " << e.what() << '\n';
      return kExitFailure;
    }
  }
  return kExitUsage;
}
