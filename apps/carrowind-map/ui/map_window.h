#pragma once
// The map application's main window: the table of contents beside the map
// view and the page layout view, menus and toolbars, the status bar, and
// the host around them that extensions and commands see (the application,
// its one document object, command bars and status bar).
//
// On creation it starts a new, empty document, creates every registered
// extension with the application and builds the registered toolbars. Each
// new or opened document then gets fresh command bars, and the extensions
// hear NewDocument or OpenDocument for it. Commands are created once, with
// the application, the first time a menu or toolbar shows them.
#include <QMainWindow>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "apps/carrowind-map/hosting/app_document.h"
#include "apps/carrowind-map/hosting/command_catalog.h"
#include "apps/carrowind-map/hosting/extensions.h"
#include "apps/carrowind-map/hosting/qt_status_bar.h"
#include "apps/carrowind-map/render/page_export.h"

class QActionGroup;
class QLabel;
class QMenu;
class QTabWidget;

namespace carrowind::map {

class CommandAction;
class ContentsTree;
class IdentifyWindow;
class LayoutView;
class MapCanvas;

class MapWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit MapWindow(QWidget* parent = nullptr);
  ~MapWindow() override;

  // Document operations. Failures are shown to the user; false then (and
  // the current document stays).
  void newDocument();
  bool openDocument(const std::filesystem::path& file);
  bool save();
  bool saveAs(const std::filesystem::path& file);
  bool exportPage(const std::filesystem::path& file, render::PageFormat format);
  // When the document has unsaved changes, asks whether to save them;
  // false when the user cancels (or saving failed).
  bool maybeSave();

  enum class SaveChoice { Save, Discard, Cancel };
  // How the user is asked about unsaved changes (a Save / Discard / Cancel
  // box by default); tests answer it themselves.
  void setSavePrompt(std::function<SaveChoice(const QString& documentTitle)> prompt) {
    savePrompt_ = std::move(prompt);
  }

  // The feature layer context menu for a layer (its own items, then the
  // commands that extensions put on the document's
  // "esriCore.FeatureLayerContextMenu" bar); other layers get only the
  // window's own items. The caller owns the menu.
  std::unique_ptr<QMenu> contextMenuFor(host::ILayer* layer);
  // Polls every toolbar command's Enabled.
  void updateCommandStates();

  AppDocument& document() const { return *document_; }
  host::IApplication* application() const { return application_.get(); }
  QtStatusBar& hostStatusBar() const { return *statusBar_; }
  const Extensions& extensions() const { return extensions_; }
  ContentsTree* contents() const { return contents_; }
  MapCanvas* mapView() const { return canvas_; }
  LayoutView* layoutView() const { return layout_; }
  IdentifyWindow* identifyWindow() const { return identify_; }
  // The actions of the registered toolbars' commands.
  const std::vector<CommandAction*>& toolbarCommands() const { return toolbarCommands_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildViews();
  void buildMenus();
  void buildToolbars();
  void buildRegisteredToolbars();
  // A menu entry whose failures are reported under its own text.
  QAction* menuAction(QMenu* menu, const QString& text, const char* objectName, std::function<void()> run);
  // Tells the extensions the document closes, shuts them down and lets the
  // commands go; once, on closing or destruction.
  void shutdownHost();

  // Puts a map document behind the application's document object and
  // wires its redraws to the views; the caller tells the extensions.
  void showDocument(host::Ref<mapdoc::MapDocument> document, bool untitled);
  void closeCurrent();
  void documentChanged();
  void updateTitle();
  void showLayerProblems();
  void showContextMenu(host::ILayer* layer, const QPoint& globalPosition);
  void fillRecentMenu();
  void chooseAndOpen();
  bool chooseAndSaveAs();
  void chooseAndExport(render::PageFormat format);
  void clearSelection();
  void about();

  host::Ref<AppDocument> document_;
  host::Ref<QtStatusBar> statusBar_;
  host::Ref<host::IApplication> application_;
  std::unique_ptr<CommandCatalog> commands_;
  Extensions extensions_;
  std::vector<CommandAction*> toolbarCommands_;
  std::function<SaveChoice(const QString&)> savePrompt_;
  bool closed_ = false;

  ContentsTree* contents_ = nullptr;
  MapCanvas* canvas_ = nullptr;
  LayoutView* layout_ = nullptr;
  QTabWidget* views_ = nullptr;
  IdentifyWindow* identify_ = nullptr;
  QLabel* coordinates_ = nullptr;
  QMenu* recentMenu_ = nullptr;
  QActionGroup* tools_ = nullptr;
};

}  // namespace carrowind::map
