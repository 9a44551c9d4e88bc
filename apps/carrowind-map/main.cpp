// carrowind-map: the desktop map application. Opens a map document, shows
// its layers, map and page layout, and loads the registered extensions
// (the labeling command among them).
#include <CLI/CLI.hpp>
#include <cstring>
#include <iostream>

#include "apps/about/product_version.h"
#include "apps/carrowind-map/ui/guarded_application.h"
#include "apps/carrowind-map/ui/map_window.h"
#include "apps/setup/component_registration.h"
#include "mapdoc/data/open.h"
#include "platform/qt_services/qt_services.h"
#include "platform/registry/class_registration.h"

namespace {

constexpr int kExitUsage = 2;

struct Options {
  std::string document;
};

void describe(CLI::App& program, Options& options) {
  program.description(
      "carrowind-map: a desktop map application for Carrowind map documents (.cwmap).\n"
      "Shows the document's layers in a table of contents with their legend classes, the map\n"
      "(pan, zoom, identify, select) and the page layout (export to PNG, SVG or PDF). Extensions\n"
      "registered for this user are loaded at start (the first start registers those installed with\n"
      "it); the labeling command \"Carrowind Labels...\" is on the context menu of feature layers in\n"
      "the table of contents.\n"
      "Qt's own options (-platform, -style, ...) are accepted as well.");
  program.set_version_flag("--version", [] { return carrowind::about::versionText("carrowind-map"); },
                           "Print the version, and those of GDAL, PROJ, Qt, ICU and SQLite it runs with, and exit");
  program.add_option("document", options.document, "a map document to open (.cwmap)");
}

// Help, the version and mistakes in our own options need no display, so
// they are answered before the window system is asked for one. Qt's options
// have one dash; ours (but -h) have two.
bool answerableWithoutDisplay(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "-h") == 0 || std::strncmp(argv[i], "--", 2) == 0) return true;
  return false;
}

int parse(CLI::App& program, int argc, char** argv) {
  try {
    program.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return program.exit(e);
  } catch (const CLI::ParseError& e) {
    program.exit(e);
    return kExitUsage;
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App program{"", "carrowind-map"};
  Options options;
  describe(program, options);
  if (answerableWithoutDisplay(argc, argv))
    if (int code = parse(program, argc, argv); code >= 0) return code;

  carrowind::map::GuardedApplication app(argc, argv);  // takes Qt's own options out of argv
  QApplication::setApplicationName(QStringLiteral("Carrowind Map"));
  QApplication::setOrganizationName(QStringLiteral("Quorvex"));
  if (int code = parse(program, argc, argv); code >= 0) return code;

  mapdoc::registerHostClasses();
  // The extensions come from the user's registration, made on first use.
  carrowind::setup::ensureRegistered();
  registry::useRegisteredServers();
  platform::qt_services::installQtServices();
  int code = 0;
  {
    carrowind::map::MapWindow window;
    platform::qt_services::installQtServices(&window);
    window.show();
    if (!options.document.empty()) window.openDocument(options.document);
    code = QApplication::exec();
  }
  // Windows that extensions' libraries made (the labeling dialog) go while
  // their libraries and the application are still there.
  for (QWidget* w : QApplication::topLevelWidgets())
    if (!w->parentWidget()) w->deleteLater();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  platform::qt_services::uninstallQtServices();
  return code;
}
