// carrowind export-layout: the page layout drawn to PNG, PDF or SVG without
// a display.
#include <CLI/CLI.hpp>
#include <QGuiApplication>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>

#include "apps/carrowind-map/render/page_export.h"
#include "apps/carrowind/commands.h"
#include "apps/carrowind/document_access.h"
#include "apps/carrowind/document_options.h"

namespace carrowind::cli {
namespace {

struct ExportOptions {
  DocumentArg document;
  std::string output;
  double dpi = render::kDefaultDpi;
};

// Qt's warnings about its own set-up (no runtime folder on a server) are
// not the user's business; its errors are.
void qtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtCriticalMsg || type == QtFatalMsg)
    std::cerr << "carrowind export-layout: " << message.toStdString() << '\n';
}

// Qt draws text only with an application; scripts and servers have no
// display, so the offscreen platform is the default.
std::unique_ptr<QGuiApplication> guiApplication() {
  if (QGuiApplication::instance()) return nullptr;
  if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static int argc = 1;
  static char name[] = "carrowind";
  static char* argv[] = {name, nullptr};
  qInstallMessageHandler(qtMessages);
  return std::make_unique<QGuiApplication>(argc, argv);
}

int runExportLayout(const ExportOptions& options) {
  const auto format = render::pageFormatFor(options.output);
  if (!format) throw inputError("cannot tell the format of " + options.output + ": name it .png, .pdf or .svg");
  if (!(options.dpi >= render::kMinDpi && options.dpi <= render::kMaxDpi))
    throw inputError("--dpi must be from " + std::to_string(static_cast<int>(render::kMinDpi)) + " to " +
                     std::to_string(static_cast<int>(render::kMaxDpi)));
  auto document = openDocument(options.document);
  // a page drawn over the document or its data would destroy them
  std::error_code ec;
  if (std::filesystem::equivalent(options.output, document->path(), ec))
    throw inputError(options.output + " is the map document itself; nothing was written (name another file)");
  refuseOwnData(*document, options.output);
  auto app = guiApplication();
  std::vector<std::string> problems;
  try {
    problems = render::exportPage(*document, options.output, *format, options.dpi);
  } catch (const render::PageExportError& e) {
    throw inputError(e.what());
  } catch (const std::exception& e) {
    throw CommandError(kExitFailure, e.what());
  }
  for (const auto& p : problems) std::cerr << "carrowind export-layout: left out: " << p << '\n';
  return kExitOk;
}

const CommandRegistration exportLayoutCommand{50, [](CLI::App& program) -> Runner {
  auto options = std::make_shared<ExportOptions>();
  auto* command = program.add_subcommand(
      "export-layout",
      "Draw the document's page layout (the map with its visible layers and the legend frames) to a file,\n"
      "without a display. The format follows OUT's extension: .png (an image at --dpi), .pdf or .svg\n"
      "(text stays text; --dpi does not apply). The file is replaced atomically. Layers whose data\n"
      "cannot be drawn are left out with a notice on stderr.");
  addDocumentOption(command, options->document);
  command->add_option("output", options->output, "the file to write: OUT.png, OUT.pdf or OUT.svg")->required();
  command->add_option("--dpi", options->dpi, "PNG resolution in dots per inch (10 to 1200)")
      ->default_val(render::kDefaultDpi);
  return [options] { return runExportLayout(*options); };
}};

}  // namespace
}  // namespace carrowind::cli
