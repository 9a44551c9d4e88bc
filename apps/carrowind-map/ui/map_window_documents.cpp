// The window's documents: new, open, save, export, the recent files, and
// closing with unsaved changes.
#include <QCloseEvent>
#include <QMenu>
#include <iostream>

#include "apps/carrowind-map/hosting/failure_report.h"
#include "apps/carrowind-map/render/measuring_display.h"
#include "apps/carrowind-map/ui/command_action.h"
#include "apps/carrowind-map/ui/contents_tree.h"
#include "apps/carrowind-map/ui/layout_view.h"
#include "apps/carrowind-map/ui/map_canvas.h"
#include "apps/carrowind-map/ui/map_window.h"
#include "apps/carrowind-map/ui/recent_files.h"
#include "platform/filedialog/file_dialog.h"
#include "platform/text/utf.h"

namespace carrowind::map {
namespace {

namespace fs = std::filesystem;

constexpr char16_t kOpenFilter[] =
    u"Map Documents and QGIS Projects (*.cwmap;*.qgs;*.qgz)|*.cwmap;*.qgs;*.qgz|"
    u"Carrowind Map Documents (*.cwmap)|*.cwmap|QGIS Projects (*.qgs;*.qgz)|*.qgs;*.qgz|All Files (*.*)|*.*|";

struct SaveKind {
  const char16_t* filter;
  const char16_t* extension;
};

// A document is saved as the kind it was read as: a QGIS project is written
// back into QGIS's own file, never turned into a map document of ours.
SaveKind saveKind(const fs::path& current) {
  const std::string ext = current.extension().string();
  if (ext == ".qgs" || ext == ".QGS") return {u"QGIS Projects (*.qgs)|*.qgs|", u"qgs"};
  if (ext == ".qgz" || ext == ".QGZ") return {u"Zipped QGIS Projects (*.qgz)|*.qgz|", u"qgz"};
  return {u"Carrowind Map Documents (*.cwmap)|*.cwmap|All Files (*.*)|*.*|", u"cwmap"};
}

std::u16string fileText(const fs::path& file) { return text::fromUtf8(file.string()); }

struct ExportKind {
  const char16_t* filter;
  const char16_t* extension;
};

ExportKind exportKind(render::PageFormat format) {
  switch (format) {
    case render::PageFormat::Png:
      return {u"PNG Images (*.png)|*.png|", u"png"};
    case render::PageFormat::Svg:
      return {u"SVG Drawings (*.svg)|*.svg|", u"svg"};
    case render::PageFormat::Pdf:
      break;
  }
  return {u"PDF Documents (*.pdf)|*.pdf|", u"pdf"};
}

}  // namespace

void MapWindow::showDocument(host::Ref<mapdoc::MapDocument> document, bool untitled) {
  if (auto old = document_->current()) {
    old->contentsView()->setRefreshListener({});
    old->pageLayout()->setRefreshListener({});
  }
  // Legends re-fitted after their labels change take the size they are
  // drawn at, and the views redraw when the document's host objects say so.
  document->pageLayout()->setScreenDisplay(com::make<render::MeasuringDisplay>());
  QPointer<MapWindow> self(this);
  document->contentsView()->setRefreshListener([self](const host::Value&) {
    if (self) self->contents_->refresh();
  });
  document->pageLayout()->setRefreshListener([self] {
    if (self) self->layout_->invalidate();
  });
  document_->setCurrent(document, untitled);
  contents_->showDocument(document);
  canvas_->setDocument(document);
  layout_->setDocument(document);
}

void MapWindow::closeCurrent() {
  if (document_->current()) document_->fireCloseDocument();
}

void MapWindow::documentChanged() {
  updateTitle();
  updateCommandStates();
  canvas_->redraw();
}

void MapWindow::updateTitle() {
  setWindowTitle(QString::fromStdU16String(document_->Title()) + QStringLiteral("[*] - Carrowind Map"));
  setWindowModified(document_->IsDirty());
}

void MapWindow::showLayerProblems() {
  const auto& problems = canvas_->contents().problems;
  if (problems.empty()) return;
  std::string text = "Left out of the map: ";
  for (std::size_t i = 0; i < problems.size(); ++i) text += (i ? "; " : "") + problems[i];
  std::cerr << "carrowind-map: " << text << std::endl;
  statusBar_->Message(0, text::fromUtf8(text));
}

void MapWindow::newDocument() {
  if (!maybeSave()) return;
  closeCurrent();
  const fs::path folder = document_->current() ? document_->current()->path().parent_path() : fs::current_path();
  showDocument(emptyMapDocument(folder / "Untitled.cwmap"), true);
  document_->fireNewDocument();
  documentChanged();
}

bool MapWindow::openDocument(const fs::path& file) {
  host::Ref<mapdoc::MapDocument> opened;
  // Read first: a document that cannot be opened leaves the current one
  // alone, without asking about its changes.
  if (!guarded(u"Opening a Map Document", [&] { opened = mapdoc::MapDocument::open(file); })) return false;
  if (!maybeSave()) return false;
  // Saving the current document may just have rewritten the file read.
  if (document_->current()->path() == opened->path() &&
      !guarded(u"Opening a Map Document", [&] { opened = mapdoc::MapDocument::open(file); }))
    return false;
  closeCurrent();
  showDocument(opened, false);
  document_->fireOpenDocument();
  addRecentFile(opened->path());
  documentChanged();
  showLayerProblems();
  return true;
}

bool MapWindow::save() {
  if (document_->untitled()) return chooseAndSaveAs();
  const bool ok = guarded(u"Saving the Map Document", [&] { document_->current()->save(); });
  if (ok) {
    addRecentFile(document_->current()->path());
    statusBar_->Message(0, u"Saved " + fileText(document_->current()->path()));
  }
  updateTitle();
  return ok;
}

bool MapWindow::saveAs(const fs::path& file) {
  const bool ok = guarded(u"Saving the Map Document", [&] { document_->current()->saveAs(file); });
  if (ok) {
    document_->markSaved();
    addRecentFile(document_->current()->path());
    statusBar_->Message(0, u"Saved " + fileText(document_->current()->path()));
  }
  updateTitle();
  return ok;
}

bool MapWindow::chooseAndSaveAs() {
  const fs::path current = document_->current()->path();
  const SaveKind kind = saveKind(current);
  auto file = platform::filedialog::getSaveFileName(u"Save Map Document As", kind.filter, kind.extension, current);
  return file && saveAs(*file);
}

void MapWindow::chooseAndOpen() {
  auto file = platform::filedialog::getOpenFileName(u"Open Map Document", kOpenFilter, u"cwmap",
                                                    document_->current()->path().parent_path());
  if (file) openDocument(*file);
}

bool MapWindow::exportPage(const fs::path& file, render::PageFormat format) {
  std::vector<std::string> problems;
  if (!guarded(u"Exporting the Page",
               [&] { problems = render::exportPage(*document_->current(), file, format, render::kDefaultDpi); }))
    return false;
  std::u16string message = u"Exported the page to " + fileText(file);
  for (const auto& p : problems) message += u"; left out " + text::fromUtf8(p);
  statusBar_->Message(0, message);
  return true;
}

void MapWindow::chooseAndExport(render::PageFormat format) {
  const auto kind = exportKind(format);
  fs::path initial = document_->current()->path();
  initial.replace_extension(text::toUtf8(kind.extension));
  auto file = platform::filedialog::getSaveFileName(u"Export Page", kind.filter, kind.extension, initial);
  if (file) exportPage(*file, format);
}

void MapWindow::fillRecentMenu() {
  recentMenu_->clear();
  const auto files = recentFiles();
  if (files.empty()) recentMenu_->addAction(QStringLiteral("(none)"))->setEnabled(false);
  int n = 0;
  for (const auto& file : files) {
    auto* action = recentMenu_->addAction(QStringLiteral("&%1 %2").arg(++n).arg(QString::fromStdString(file.string())));
    connect(action, &QAction::triggered, this, [this, file] {
      if (!fs::exists(file)) {
        reportFailure(u"Opening a Map Document", fileText(file) + u" is no longer there.");
        removeRecentFile(file);
        return;
      }
      openDocument(file);
    });
  }
}

void MapWindow::clearSelection() {
  for (const auto& layer : document_->current()->layers())
    if (auto selection = com::query<host::IFeatureSelection>(layer.get()); selection && layer->Valid()) selection->Clear();
  canvas_->redraw();
  statusBar_->Message(0, u"No features selected");
  updateCommandStates();
}

bool MapWindow::maybeSave() {
  if (!document_->IsDirty()) return true;
  switch (savePrompt_(QString::fromStdU16String(document_->Title()))) {
    case SaveChoice::Save:
      return save();
    case SaveChoice::Discard:
      return true;
    case SaveChoice::Cancel:
      break;
  }
  return false;
}

void MapWindow::closeEvent(QCloseEvent* event) {
  if (!closed_ && !maybeSave()) {
    event->ignore();
    return;
  }
  shutdownHost();
  event->accept();
}

void MapWindow::shutdownHost() {
  if (closed_) return;
  closed_ = true;
  guarded(u"Closing the Map Document", [&] { closeCurrent(); });
  extensions_.shutdown();
  for (auto* action : toolbarCommands_) delete action;
  toolbarCommands_.clear();
  commands_->clear();
  statusBar_->detach();
  if (auto current = document_->current()) {
    current->contentsView()->setRefreshListener({});
    current->pageLayout()->setRefreshListener({});
  }
  document_->setDirtyListener({});
}

}  // namespace carrowind::map
