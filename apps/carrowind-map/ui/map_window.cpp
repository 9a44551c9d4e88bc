// The window's construction: views, menus, toolbars, and the host objects
// that extensions are started with.
#include "apps/carrowind-map/ui/map_window.h"

#include <QActionGroup>
#include <QApplication>
#include <QDockWidget>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QToolBar>

#include "apps/carrowind-map/hosting/failure_report.h"
#include "apps/carrowind-map/hosting/map_application.h"
#include "apps/carrowind-map/ui/command_action.h"
#include "apps/carrowind-map/ui/contents_tree.h"
#include "apps/carrowind-map/ui/identify_window.h"
#include "apps/carrowind-map/ui/layout_view.h"
#include "apps/carrowind-map/ui/map_canvas.h"
#include "platform/text/utf.h"

// Resources of a static library are brought in by name, outside any namespace.
static void initialiseMapResources() { Q_INIT_RESOURCE(map); }

namespace carrowind::map {
namespace {

QIcon resourceIcon(const char* name) { return QIcon(QStringLiteral(":/carrowind-map/%1.svg").arg(QLatin1String(name))); }

MapWindow::SaveChoice askToSave(QWidget* parent, const QString& title) {
  const auto answer = QMessageBox::warning(parent, QStringLiteral("Carrowind Map"),
                                           QStringLiteral("Save the changes to \"%1\"?").arg(title),
                                           QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                                           QMessageBox::Save);
  if (answer == QMessageBox::Save) return MapWindow::SaveChoice::Save;
  if (answer == QMessageBox::Discard) return MapWindow::SaveChoice::Discard;
  return MapWindow::SaveChoice::Cancel;
}

}  // namespace

MapWindow::MapWindow(QWidget* parent) : QMainWindow(parent) {
  initialiseMapResources();
  setObjectName(QStringLiteral("MapWindow"));
  savePrompt_ = [this](const QString& title) { return askToSave(this, title); };

  document_ = com::make<AppDocument>();
  document_->setDirtyListener([this] { updateTitle(); });
  document_->setEventFailureListener([](const std::exception& e) {
    reportFailure(u"Telling an extension about the document", text::fromUtf8(e.what()));
  });
  buildViews();
  statusBar_ = com::make<QtStatusBar>(statusBar());
  coordinates_ = new QLabel(this);
  coordinates_->setObjectName(QStringLiteral("Coordinates"));
  coordinates_->setMinimumWidth(180);
  coordinates_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  statusBar()->addPermanentWidget(coordinates_);
  application_ = com::make<MapApplication>(document_, statusBar_);
  commands_ = std::make_unique<CommandCatalog>(application_);

  // The extensions start with a document in place and then hear of it, as
  // of every later one.
  showDocument(emptyMapDocument(std::filesystem::current_path() / "Untitled.cwmap"), true);
  extensions_.startup(application_.get());
  buildMenus();
  buildToolbars();
  buildRegisteredToolbars();
  document_->fireNewDocument();
  documentChanged();
  if (extensions_.loaded().empty())
    statusBar_->Message(0, u"No extensions are registered; run \"carrowind install\" to add the labeling command.");
  resize(1200, 800);
}

MapWindow::~MapWindow() { shutdownHost(); }

void MapWindow::buildViews() {
  canvas_ = new MapCanvas(this);
  layout_ = new LayoutView(this);
  views_ = new QTabWidget(this);
  views_->setObjectName(QStringLiteral("Views"));
  views_->setTabPosition(QTabWidget::South);
  views_->setDocumentMode(true);
  views_->addTab(canvas_, QStringLiteral("Data"));
  views_->addTab(layout_, QStringLiteral("Layout"));
  setCentralWidget(views_);

  contents_ = new ContentsTree(this);
  auto* dock = new QDockWidget(QStringLiteral("Table Of Contents"), this);
  dock->setObjectName(QStringLiteral("TableOfContentsDock"));
  dock->setWidget(contents_);
  dock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable | QDockWidget::DockWidgetClosable);
  addDockWidget(Qt::LeftDockWidgetArea, dock);
  resizeDocks({dock}, {340}, Qt::Horizontal);

  identify_ = new IdentifyWindow(this);

  connect(contents_, &ContentsTree::selectedLayerChanged, this, [this] { updateCommandStates(); });
  connect(contents_, &ContentsTree::layerVisibilityChanged, this, [this] {
    document_->SetDirty();
    canvas_->reload();
    layout_->invalidate();
    showLayerProblems();
  });
  connect(contents_, &ContentsTree::contextMenuRequested, this, &MapWindow::showContextMenu);
  connect(canvas_, &MapCanvas::selectionChanged, this, [this](int count, const QString& layers) {
    const QString text = count == 1 ? QStringLiteral("1 feature selected") : QStringLiteral("%1 features selected").arg(count);
    statusBar_->Message(0, (layers.isEmpty() ? text : text + QStringLiteral(" in ") + layers).toStdU16String());
    updateCommandStates();
  });
  connect(canvas_, &MapCanvas::featuresIdentified, this, [this](const std::vector<FeatureAttributes>& features) {
    identify_->showFeatures(features);
    identify_->show();
    identify_->raise();
  });
  connect(canvas_, &MapCanvas::mapPositionChanged, this, [this](const QPointF& p) {
    coordinates_->setText(QStringLiteral("%1, %2").arg(p.x(), 0, 'f', 3).arg(p.y(), 0, 'f', 3));
  });
}

QAction* MapWindow::menuAction(QMenu* menu, const QString& text, const char* objectName, std::function<void()> run) {
  auto* action = menu->addAction(text);
  action->setObjectName(QLatin1String(objectName));
  connect(action, &QAction::triggered, this, [text, run = std::move(run)] {
    guarded(QString(text).remove(QChar(u'&')).remove(QStringLiteral("...")).toStdU16String(), run);
  });
  return action;
}

void MapWindow::buildMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  auto* newAction = menuAction(file, QStringLiteral("&New"), "ActionNew", [this] { newDocument(); });
  newAction->setShortcut(QKeySequence::New);
  newAction->setIcon(style()->standardIcon(QStyle::SP_FileIcon));
  auto* open = menuAction(file, QStringLiteral("&Open..."), "ActionOpen", [this] { chooseAndOpen(); });
  open->setShortcut(QKeySequence::Open);
  open->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
  recentMenu_ = file->addMenu(QStringLiteral("Open &Recent"));
  recentMenu_->setObjectName(QStringLiteral("MenuRecent"));
  connect(recentMenu_, &QMenu::aboutToShow, this, &MapWindow::fillRecentMenu);
  file->addSeparator();
  auto* saveAction = menuAction(file, QStringLiteral("&Save"), "ActionSave", [this] { save(); });
  saveAction->setShortcut(QKeySequence::Save);
  saveAction->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
  menuAction(file, QStringLiteral("Save &As..."), "ActionSaveAs", [this] { chooseAndSaveAs(); })
      ->setShortcut(QKeySequence::SaveAs);
  file->addSeparator();
  QMenu* exportMenu = file->addMenu(QStringLiteral("&Export"));
  exportMenu->setIcon(resourceIcon("export"));
  menuAction(exportMenu, QStringLiteral("Page as &PNG..."), "ActionExportPng",
            [this] { chooseAndExport(render::PageFormat::Png); });
  menuAction(exportMenu, QStringLiteral("Page as &SVG..."), "ActionExportSvg",
            [this] { chooseAndExport(render::PageFormat::Svg); });
  menuAction(exportMenu, QStringLiteral("Page as P&DF..."), "ActionExportPdf",
            [this] { chooseAndExport(render::PageFormat::Pdf); });
  file->addSeparator();
  menuAction(file, QStringLiteral("E&xit"), "ActionExit", [this] { close(); })->setShortcut(QKeySequence::Quit);

  QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
  auto* views = new QActionGroup(this);
  auto* data = menuAction(view, QStringLiteral("&Data View"), "ActionDataView", [this] { views_->setCurrentIndex(0); });
  auto* page = menuAction(view, QStringLiteral("&Layout View"), "ActionLayoutView", [this] { views_->setCurrentIndex(1); });
  for (auto* a : {data, page}) {
    a->setCheckable(true);
    views->addAction(a);
  }
  data->setChecked(true);
  connect(views_, &QTabWidget::currentChanged, this, [data, page](int index) { (index == 0 ? data : page)->setChecked(true); });
  view->addSeparator();
  auto* full = menuAction(view, QStringLiteral("Zoom To &Full Extent"), "ActionFullExtent", [this] { canvas_->zoomToFullExtent(); });
  full->setIcon(resourceIcon("full_extent"));
  full->setShortcut(QKeySequence(Qt::Key_Home));
  menuAction(view, QStringLiteral("Fixed Zoom &In"), "ActionFixedZoomIn", [this] { canvas_->zoomBy(1.5); })
      ->setShortcut(QKeySequence::ZoomIn);
  menuAction(view, QStringLiteral("Fixed Zoom &Out"), "ActionFixedZoomOut", [this] { canvas_->zoomBy(1 / 1.5); })
      ->setShortcut(QKeySequence::ZoomOut);
  view->addSeparator();
  menuAction(view, QStringLiteral("&Refresh"), "ActionRefresh", [this] {
    canvas_->reload();
    layout_->invalidate();
    contents_->refresh();
    showLayerProblems();
  })->setShortcut(QKeySequence::Refresh);
  view->addSeparator();
  view->addAction(findChild<QDockWidget*>(QStringLiteral("TableOfContentsDock"))->toggleViewAction());

  QMenu* toolsMenu = menuBar()->addMenu(QStringLiteral("&Tools"));
  tools_ = new QActionGroup(this);
  const struct {
    const char* text;
    const char* name;
    const char* icon;
    MapCanvas::Tool tool;
  } tools[] = {{"&Pan", "ActionPan", "pan", MapCanvas::Tool::Pan},
               {"Zoom &In", "ActionZoomIn", "zoom_in", MapCanvas::Tool::ZoomIn},
               {"Zoom &Out", "ActionZoomOut", "zoom_out", MapCanvas::Tool::ZoomOut},
               {"I&dentify", "ActionIdentify", "identify", MapCanvas::Tool::Identify},
               {"&Select Features", "ActionSelect", "select", MapCanvas::Tool::Select}};
  for (const auto& t : tools) {
    auto* action = menuAction(toolsMenu, QLatin1String(t.text), t.name, [this, tool = t.tool] {
      canvas_->setTool(tool);
      views_->setCurrentIndex(0);
    });
    action->setIcon(resourceIcon(t.icon));
    action->setCheckable(true);
    action->setChecked(t.tool == canvas_->tool());
    tools_->addAction(action);
  }
  toolsMenu->addSeparator();
  menuAction(toolsMenu, QStringLiteral("&Clear Selected Features"), "ActionClearSelection", [this] { clearSelection(); })
      ->setIcon(resourceIcon("clear_selection"));

  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
  menuAction(help, QStringLiteral("&About Carrowind Map"), "ActionAbout", [this] { about(); });
}

void MapWindow::buildToolbars() {
  QToolBar* standard = addToolBar(QStringLiteral("Standard"));
  standard->setObjectName(QStringLiteral("StandardToolBar"));
  for (const char* name : {"ActionNew", "ActionOpen", "ActionSave"}) standard->addAction(findChild<QAction*>(QLatin1String(name)));
  QToolBar* tools = addToolBar(QStringLiteral("Tools"));
  tools->setObjectName(QStringLiteral("ToolsToolBar"));
  for (const char* name : {"ActionPan", "ActionZoomIn", "ActionZoomOut", "ActionFullExtent", "ActionIdentify",
                           "ActionSelect", "ActionClearSelection"})
    tools->addAction(findChild<QAction*>(QLatin1String(name)));
}

void MapWindow::buildRegisteredToolbars() {
  for (const auto& definition : registeredToolBars()) {
    QToolBar* bar = addToolBar(QString::fromStdU16String(definition.caption));
    bar->setObjectName(QString::fromStdU16String(definition.name));
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    for (const auto& uid : definition.items) {
      auto command = commands_->command(uid);
      if (!command) continue;
      auto* action = new CommandAction(command, bar);
      connect(action, &CommandAction::ran, this, [this] { documentChanged(); });
      bar->addAction(action);
      toolbarCommands_.push_back(action);
    }
  }
}

void MapWindow::updateCommandStates() {
  for (auto* action : toolbarCommands_) action->refresh();
}

std::unique_ptr<QMenu> MapWindow::contextMenuFor(host::ILayer* layer) {
  auto menu = std::make_unique<QMenu>(this);
  menu->setObjectName(QStringLiteral("LayerContextMenu"));
  // The commands work on the contents view's selected item: the layer the
  // menu is for.
  if (auto* item = contents_->itemOf(layer)) contents_->setCurrentItem(item);
  host::Ref<host::ILayer> target(layer);
  menuAction(menu.get(), QStringLiteral("&Zoom To Layer"), "ActionZoomToLayer", [this, target] {
    views_->setCurrentIndex(0);
    canvas_->zoomToLayer(target.get());
  })->setIcon(resourceIcon("full_extent"));
  if (!com::query<host::IFeatureLayer>(layer)) return menu;
  menuAction(menu.get(), QStringLiteral("&Clear Selected Features"), "ActionClearLayerSelection", [this, target] {
    com::query<host::IFeatureSelection>(target.get())->Clear();
    canvas_->redraw();
    updateCommandStates();
  })->setEnabled(layer->Valid());
  auto bar = document_->current()->commandBars()->bar(u"esriCore.FeatureLayerContextMenu");
  if (!bar || bar->Count() == 0) return menu;
  menu->addSeparator();
  for (int i = 0; i < bar->Count(); ++i) {
    auto command = commands_->command(bar->Item(i)->ID());
    if (!command) continue;
    auto* action = new CommandAction(command, menu.get());
    connect(action, &CommandAction::ran, this, [this] { documentChanged(); });
    menu->addAction(action);
  }
  return menu;
}

void MapWindow::showContextMenu(host::ILayer* layer, const QPoint& globalPosition) {
  auto menu = contextMenuFor(layer);
  menu->exec(globalPosition);
}

void MapWindow::about() {
  QStringList names;
  for (const auto& e : extensions_.loaded()) {
    host::Text name;
    if (guarded(u"Reading an extension's name", [&] { name = e->Name(); })) names << QString::fromStdU16String(name);
  }
  QMessageBox::about(this, QStringLiteral("About Carrowind Map"),
                     QStringLiteral("<b>Carrowind Map</b><p>Map documents with their legends and page layout, and the "
                                    "commands that extensions add.</p><p>Extensions loaded: %1</p>")
                         .arg(names.isEmpty() ? QStringLiteral("none") : names.join(QStringLiteral(", "))));
}

}  // namespace carrowind::map
