#pragma once
// A map document: the layers of one map, the table of contents, the page
// layout with its legends and the application around them, read from and
// written to a JSON file (".cwmap" by convention; any name is read).
//
// Every object handed out is live: a label written into a renderer, a
// selection or a definition query changed through the host interfaces is
// what the next call sees and what save() writes.
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/host.h"
#include "mapdoc/command_bars.h"
#include "mapdoc/contents_view.h"
#include "mapdoc/document_error.h"
#include "mapdoc/document_event_sinks.h"
#include "mapdoc/document_store.h"
#include "mapdoc/json/json_reader.h"
#include "mapdoc/map.h"
#include "mapdoc/page_layout.h"
#include "mapdoc/status_bar.h"
#include "platform/com/object.h"

namespace mapdoc {

class Application;
class MapSurroundFrame;

struct OpenOptions {
  OpenOptions() = default;
  OpenOptions(std::string data, std::string provider = "ogr", std::vector<std::int32_t> selection = {})
      : styleData(std::move(data)), styleProvider(std::move(provider)), styleSelection(std::move(selection)) {}

  // The data a QGIS layer style (.qml) draws, which the style does not name:
  // a path, with "|layername=" and "|subset=" as QGIS writes them.
  std::string styleData;
  // The QGIS provider that reads styleData: "ogr" (files) or "postgres"
  // (QGIS's connection URI with table="schema"."table").
  std::string styleProvider = "ogr";
  // The style's layer's selected features, by object ID (QGIS's feature IDs).
  std::vector<std::int32_t> styleSelection;
  // A file of the classes QGIS put the features in (see
  // mapdoc/qgis/feature_classes.h), for a style QGIS alone can classify by.
  std::filesystem::path styleClasses;
};

class MapDocument
    : public com::Object<host::IMxDocument, host::IDocument, host::IDocumentDirty, host::IDocumentEventSource> {
 public:
  // Reads a document. Throws DocumentError naming the file, the member and
  // the problem; nothing is returned unless the whole document was read.
  // Data sources are opened when first used, so a missing data file makes
  // its layer invalid (ILayer::Valid) instead of failing the document.
  MapDocument() = default;  // empty; use open() or fromJson()

  //
  // The extension tells the kind: QGIS projects (.qgs, .qgz) and layer
  // styles (.qml) are read as documents too (mapdoc/qgis/), and saving
  // writes back into them; every other name is a map document of our own.
  static host::Ref<MapDocument> open(const std::filesystem::path& file, const OpenOptions& options = {});

  // A document made of objects read from a file of another format, which
  // store saves.
  struct Parts {
    std::vector<host::Ref<host::ILayer>> layers;  // the top of the table of contents
    host::Ref<host::ILayer> selected;             // may be null
    std::vector<host::Ref<MapSurroundFrame>> legends;
    std::shared_ptr<DocumentStore> store;
  };
  static host::Ref<MapDocument> assemble(const std::filesystem::path& file, Parts parts);

  // Builds a document from JSON as if it had been read from file (relative
  // data paths resolve against file's folder). Nothing is written.
  static host::Ref<MapDocument> fromJson(const Json& document, const std::filesystem::path& file);

  const std::filesystem::path& path() const { return path_; }

  // The layer named exactly so (letter case as typed), searched through
  // group layers too; null when there is none.
  host::Ref<host::ILayer> layer(const host::Text& name) const;
  // Every layer in table-of-contents order, a group layer before its members.
  std::vector<host::Ref<host::ILayer>> layers() const;

  // Writes the document back to its file, or to another file, atomically
  // (a temporary file in the same folder, flushed, then renamed): a failure
  // leaves the old file whole. Members this program does not know are kept.
  // A symbolic link is written through (see atomic_file.h); relative data
  // paths count from the folder of the file it links to, and are rewritten
  // so they still name the same files from a new folder. Throws
  // DocumentError; marks the document clean.
  void save();
  void saveAs(const std::filesystem::path& file);

  // The document as save() would write it.
  Json toJson() const;
  std::string toText() const;

  // An application whose Document is this one (the same object while any
  // caller holds it).
  host::Ref<host::IApplication> application();

  // The members of a layer that this program does not interpret; they are
  // saved with the layer (by the store, for a document of another format).
  // Throws DocumentError when no layer has the name.
  Json& layerExtra(const host::Text& layerName);
  // The same for the document's top level.
  Json& extra() { return members_.extra; }

  // The objects behind the host interfaces, for programs and tests that
  // draw them or look at what was asked of them.
  const host::Ref<ContentsView>& contentsView() const { return contents_; }
  const host::Ref<mapdoc::PageLayout>& pageLayout() const { return layout_; }
  const host::Ref<StatusBar>& statusBar() const { return statusBar_; }
  const host::Ref<mapdoc::CommandBars>& commandBars() const { return commandBars_; }
  const host::Ref<Map>& map() const { return map_; }
  // What saves a document of another format; null for one of our own.
  DocumentStore* store() const { return store_.get(); }

  // Tells the listeners (IDocumentEventSource) that this document was
  // created, opened or is closing.
  void fireNewDocument();
  void fireOpenDocument();
  void fireCloseDocument();

  // How often UpdateContents was called.
  int updateContentsCount() const { return updateContents_; }

  // IMxDocument
  host::Ref<host::IMap> FocusMap() override;
  host::Ref<host::IActiveView> ActiveView() override;
  host::Ref<host::IContentsView> CurrentContentsView() override;
  host::Ref<host::IPageLayout> PageLayout() override;
  void UpdateContents() override;
  // IDocument
  host::Text Title() override;
  host::Ref<host::ICommandBars> CommandBars() override;
  // IDocumentDirty
  void SetDirty() override { dirty_ = true; }
  bool IsDirty() override { return dirty_; }
  void SetClean() override { dirty_ = false; }
  // IDocumentEventSource
  std::uint32_t Advise(host::IDocumentEvents* sink) override;
  void Unadvise(std::uint32_t cookie) override;

 private:
  friend class Application;
  void applicationGone(Application* app);
  void read(const Json& document);
  void makeParts();

  std::filesystem::path path_;
  std::filesystem::path baseDir_;
  Members members_, pageMembers_;
  std::vector<Members> legendMembers_;
  host::Ref<Map> map_;
  host::Ref<ContentsView> contents_;
  host::Ref<mapdoc::PageLayout> layout_;
  host::Ref<StatusBar> statusBar_;
  host::Ref<mapdoc::CommandBars> commandBars_;
  std::shared_ptr<DocumentStore> store_;  // null for a map document of our own
  Application* application_ = nullptr;  // not owned: the application owns the document
  DocumentEventSinks sinks_;
  // The file's bytes as read or last written by this document; none for
  // one built in memory.
  std::optional<std::string> readText_;
  bool dirty_ = false;
  int updateContents_ = 0;
};

}  // namespace mapdoc
