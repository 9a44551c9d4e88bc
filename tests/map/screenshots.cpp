// Pictures of the map application for the documentation, drawn as a user
// sees them: the window with the land-use legend relabelled (table of
// contents and map), the layer's context menu open, the page layout view,
// and the exported page. Run by scripts/screenshots under Xvfb:
//   carrowind_map_screenshots MAP OUTPUT_DIR
// The component libraries must be registered in the settings store that
// CARROWIND_REGISTRY names (the script registers the build's own in a
// scratch store). The map document itself is not changed.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>
#include <filesystem>

#include "apps/carrowind-map/render/page_export.h"
#include "apps/carrowind-map/ui/contents_tree.h"
#include "apps/carrowind-map/ui/map_window.h"
#include "mapdoc/data/open.h"
#include "platform/qt_services/qt_services.h"
#include "platform/registry/class_registration.h"

namespace {

namespace fs = std::filesystem;
using carrowind::map::MapWindow;

bool report(bool ok, const QString& file) {
  std::printf("%s %s\n", ok ? "wrote" : "could not write", file.toLocal8Bit().constData());
  return ok;
}

// The screen where the window is, popups included.
bool grabScreen(const QWidget& window, const QString& file) {
  const QRect r = window.frameGeometry();
  return report(QGuiApplication::primaryScreen()->grabWindow(0, r.x(), r.y(), r.width(), r.height()).save(file, "PNG"),
                file);
}

void later(int ms, std::function<void()> f) { QTimer::singleShot(ms, qApp, std::move(f)); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s MAP OUTPUT_DIR\n", argv[0]);
    return 2;
  }
  QApplication app(argc, argv);
  const fs::path mapFile = argv[1];
  const QString out = QString::fromLocal8Bit(argv[2]);
  QDir().mkpath(out);
  mapdoc::registerHostClasses();
  registry::useRegisteredServers();
  platform::qt_services::installQtServices();

  bool ok = true;
  {
    MapWindow window;
    window.setSavePrompt([](const QString&) { return MapWindow::SaveChoice::Discard; });
    platform::qt_services::installQtServices(&window);
    window.move(0, 0);
    window.resize(1280, 780);
    window.show();
    if (!window.openDocument(mapFile)) return 1;
    auto landUse = window.document().current()->layer(u"Land use");
    if (!landUse) {
      std::fprintf(stderr, "no layer \"Land use\" in %s\n", mapFile.c_str());
      return 1;
    }

    std::unique_ptr<QMenu> menu;
    QAction* command = nullptr;
    later(400, [&] {
      // The context menu where a right click on the layer's row opens it.
      auto* tree = window.contents();
      const QRect row = tree->visualItemRect(tree->itemOf(landUse.get()));
      menu = window.contextMenuFor(landUse.get());
      for (auto* a : menu->actions())
        if (a->text() == QStringLiteral("Carrowind Labels...")) command = a;
      menu->popup(tree->viewport()->mapToGlobal(row.center() + QPoint(20, 0)));
    });
    later(900, [&] {
      ok = grabScreen(window, out + QStringLiteral("/map-context-menu.png")) && ok;
      menu->hide();
      if (!command) {
        std::fprintf(stderr, "the context menu holds no \"Carrowind Labels...\"\n");
        ok = false;
        qApp->quit();
        return;
      }
      // The dialog is modal: work it once it is up, then close it.
      later(300, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog) {
          std::fprintf(stderr, "the labeling dialog did not open\n");
          ok = false;
          return;
        }
        dialog->findChild<QCheckBox*>(QStringLiteral("chkWrapLabels"))->setChecked(true);
        dialog->findChild<QLineEdit*>(QStringLiteral("txtWrapLength"))->setText(QStringLiteral("28"));
        dialog->findChild<QPlainTextEdit*>(QStringLiteral("TxtExpression"))
            ->setPlainText(QStringLiteral("[USE].First.UCase - [DESCRIPT].First ([ACRES].Sum.Round(0) ac.)"));
        dialog->findChild<QPushButton*>(QStringLiteral("CmdApply"))->click();
        dialog->findChild<QPushButton*>(QStringLiteral("CmdCancel"))->click();
      });
      command->trigger();
      later(400, [&] { ok = grabScreen(window, out + QStringLiteral("/map-window.png")) && ok; });
      later(800, [&] { window.findChild<QTabWidget*>(QStringLiteral("Views"))->setCurrentIndex(1); });
      later(1400, [&] {
        ok = grabScreen(window, out + QStringLiteral("/map-layout.png")) && ok;
        const QString page = out + QStringLiteral("/map-page.png");
        try {
          carrowind::render::exportPage(*window.document().current(), page.toStdString(),
                                        carrowind::render::PageFormat::Png, 80);
          report(true, page);
        } catch (const std::exception& e) {
          std::fprintf(stderr, "%s\n", e.what());
          ok = report(false, page) && false;
        }
        qApp->quit();
      });
    });
    QApplication::exec();
  }
  for (QWidget* w : QApplication::topLevelWidgets())
    if (!w->parentWidget()) w->deleteLater();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  platform::qt_services::uninstallQtServices();
  return ok ? 0 : 1;
}
