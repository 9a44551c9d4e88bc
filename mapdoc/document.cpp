#include "mapdoc/document.h"

#include <mutex>

#include "host/classes.h"
#include "mapdoc/application.h"
#include "mapdoc/atomic_file.h"
#include "mapdoc/data/open.h"
#include "mapdoc/document_lock.h"
#include "mapdoc/file_text.h"
#include "mapdoc/json/json_text.h"
#include "mapdoc/layers/group_layer.h"
#include "mapdoc/qgis/qgis_document.h"
#include "platform/com/class_factory.h"
#include "platform/text/utf.h"

namespace mapdoc {
namespace fs = std::filesystem;

namespace {

constexpr int kVersion = 1;

void registerClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    registerHostClasses();
    com::CoRegisterClassObject(host::CLSID_UID, com::make<com::ClassFactory<Uid>>().get());
    com::CoRegisterClassObject(host::CLSID_Envelope, com::make<com::ClassFactory<Envelope>>().get());
  });
}

void collect(host::ILayer* layer, std::vector<host::Ref<host::ILayer>>& out) {
  out.emplace_back(layer);
  if (auto group = com::query<host::ICompositeLayer>(layer))
    for (int i = 0; i < group->Count(); ++i) collect(group->Layer(i).get(), out);
}

}  // namespace

host::Ref<MapDocument> MapDocument::open(const fs::path& file, const OpenOptions& options) {
  if (qgis::isQgisFile(file)) {
    registerClasses();
    return qgis::openQgisDocument(file, options);
  }
  if (!options.styleData.empty()) throw DocumentError(file, "", "only a QGIS layer style (.qml) takes a data source");
  std::string text = readFileText(file);
  auto doc = fromJson(parseJsonText(text, file), file);
  doc->readText_ = std::move(text);
  return doc;
}

host::Ref<MapDocument> MapDocument::fromJson(const Json& document, const fs::path& file) {
  registerClasses();
  auto doc = com::make<MapDocument>();
  doc->path_ = fs::absolute(file);
  doc->baseDir_ = realFolder(doc->path_);
  try {
    doc->read(document);
  } catch (const JsonProblem& p) {
    throw DocumentError(file, p.member(), p.problem());
  }
  return doc;
}

host::Ref<MapDocument> MapDocument::assemble(const fs::path& file, Parts parts) {
  registerClasses();
  auto doc = com::make<MapDocument>();
  doc->path_ = fs::absolute(file);
  doc->baseDir_ = realFolder(doc->path_);
  doc->makeParts();
  doc->map_->layers() = std::move(parts.layers);
  if (parts.selected) doc->contents_->SelectedItem(host::Value(parts.selected));
  for (auto& frame : parts.legends) doc->layout_->add(std::move(frame));
  doc->store_ = std::move(parts.store);
  return doc;
}

void MapDocument::makeParts() {
  map_ = com::make<Map>();
  contents_ = com::make<ContentsView>();
  layout_ = com::make<mapdoc::PageLayout>();
  statusBar_ = com::make<StatusBar>();
  commandBars_ = com::make<mapdoc::CommandBars>();
}

void MapDocument::read(const Json& document) {
  const JsonReader root(document, "");
  root.requireObject();
  members_ = root.members({"format", "version", "layers", "selected_layer", "page_layout"});
  if (root.member("format").text() != "carrowind-map")
    root.member("format").fail("expected \"carrowind-map\"; this is not a Carrowind map document");
  const auto version = root.member("version").int32();
  if (version < 1 || version > kVersion)
    root.member("version").fail("version " + std::to_string(version) + " is not one this program reads (1 to " +
                                std::to_string(kVersion) + ")");

  makeParts();
  for (const auto& item : root.member("layers").items()) map_->layers().push_back(readLayer(item, baseDir_));
  const auto all = layers();
  for (std::size_t i = 0; i < all.size(); ++i)
    for (std::size_t k = 0; k < i; ++k)
      if (all[i]->Name() == all[k]->Name())
        throw JsonProblem("layers", "two layers are named \"" + text::toUtf8(all[i]->Name()) + "\"");

  if (auto selected = root.optional("selected_layer")) {
    auto layer = this->layer(selected->utext());
    if (!layer) selected->fail("no layer is named \"" + selected->text() + "\"");
    contents_->SelectedItem(host::Value(layer));
  }
  if (auto page = root.optional("page_layout")) {
    pageMembers_ = page->members({"legends"});
    if (auto legends = page->optional("legends")) {
      for (const auto& l : legends->items()) {
        legendMembers_.push_back(l.members({"layers", "bounds"}));
        std::vector<host::Ref<host::ILayer>> shown;
        for (const auto& name : l.member("layers").items()) {
          auto layer = this->layer(name.utext());
          if (!layer) name.fail("no layer is named \"" + name.text() + "\"");
          shown.push_back(layer);
        }
        double b[4] = {0.5, 0.5, 2.0, 3.0};
        if (auto bounds = l.optional("bounds")) {
          auto items = bounds->items();
          if (items.size() != 4) bounds->fail("expected [x, y, width, height]");
          for (int i = 0; i < 4; ++i) b[i] = items[static_cast<std::size_t>(i)].number();
          if (b[2] < 0 || b[3] < 0) bounds->fail("width and height cannot be negative");
        }
        layout_->add(com::make<MapSurroundFrame>(com::make<Legend>(std::move(shown)), b[0], b[1], b[2], b[3]));
      }
    }
  }
}

host::Ref<host::ILayer> MapDocument::layer(const host::Text& name) const {
  for (const auto& l : layers())
    if (l->Name() == name) return l;
  return nullptr;
}

std::vector<host::Ref<host::ILayer>> MapDocument::layers() const {
  std::vector<host::Ref<host::ILayer>> out;
  if (map_)
    for (const auto& l : map_->layers()) collect(l.get(), out);
  return out;
}

Json MapDocument::toJson() const {
  SaveContext context{baseDir_};
  Json layers = Json::array();
  for (const auto& l : map_->layers()) layers.push_back(layerToJson(l.get(), context));
  Json known = {{"format", "carrowind-map"}, {"version", kVersion}, {"layers", layers}};
  auto selected = contents_->SelectedItem();
  if (selected.isObject())
    if (auto l = com::query<host::ILayer>(selected.object().get())) known["selected_layer"] = text::toUtf8(l->Name());
  if (!layout_->frames().empty() || !pageMembers_.order.empty()) {
    Json legends = Json::array();
    for (std::size_t i = 0; i < layout_->frames().size(); ++i) {
      const auto& frame = layout_->frames()[i];
      auto legend = com::query<host::ILegend>(frame->MapSurround().get());
      Json names = Json::array();
      for (int k = 0; legend && k < legend->ItemCount(); ++k) names.push_back(text::toUtf8(legend->ItemLayer(k)->Name()));
      auto g = frame->Geometry();
      Json bounds = {g->XMin(), g->YMin(), g->Width(), g->Height()};
      legends.push_back(composeMembers(i < legendMembers_.size() ? legendMembers_[i] : Members{},
                                       {{"layers", names}, {"bounds", bounds}}));
    }
    known["page_layout"] = composeMembers(pageMembers_, {{"legends", legends}});
  }
  return composeMembers(members_, known);
}

std::string MapDocument::toText() const { return jsonText(toJson()) + "\n"; }

void MapDocument::save() { saveAs(path_); }

void MapDocument::saveAs(const fs::path& file) {
  const fs::path target = fs::absolute(file);
  // One writer at a time; a command that read under this lock holds it already.
  DocumentLock lock;
  try {
    lock = DocumentLock::acquire(target);
  } catch (const DocumentLocked& e) {
    throw DocumentError(target, "", e.what());
  } catch (const WriteRefused& e) {
    throw DocumentError(target, "", e.problem());
  }
  if (store_) {
    store_->save(*this, target);
    path_ = target;
    baseDir_ = realFolder(target);
    dirty_ = false;
    return;
  }
  std::string text;
  fs::path folder;  // of the file written: a link's target's
  try {
    folder = writeTarget(target).parent_path();
    SaveContext context{folder};
    Json layers = Json::array();
    for (const auto& l : map_->layers()) layers.push_back(layerToJson(l.get(), context));
    Json doc = toJson();
    doc["layers"] = layers;
    text = jsonText(doc) + "\n";
    // Written by an editor that takes no lock since it was read: its work
    // would be lost.
    if (readText_ && target == path_ && currentFileText(target) != *readText_)
      throw DocumentError(target, "", "changed on disk since it was read; nothing was written. Run again");
    writeFileAtomically(target, text);
    readText_ = text;
  } catch (const DocumentError&) {
    throw;
  } catch (const WriteRefused& e) {
    throw DocumentError(target, "", e.problem());
  } catch (const std::exception& e) {
    throw DocumentError(target, "", e.what());
  }
  if (target != path_) {
    // relative data paths now count from the new folder; the layers stay the
    // same objects, so what callers hold remains this document's
    path_ = target;
    if (baseDir_ != folder) {
      baseDir_ = folder;
      for (const auto& l : map_->layers())
        if (auto persist = com::query<IPersistJson>(l.get())) persist->Moved(baseDir_);
    }
  }
  dirty_ = false;
}

Json& MapDocument::layerExtra(const host::Text& layerName) {
  auto l = layer(layerName);
  if (store_) {
    if (!l) throw DocumentError(path_, "layers", "no layer is named \"" + text::toUtf8(layerName) + "\"");
    return store_->layerData(l.get());
  }
  auto persist = l ? com::query<IPersistJson>(l.get()) : nullptr;
  if (!persist) throw DocumentError(path_, "layers", "no layer is named \"" + text::toUtf8(layerName) + "\"");
  return persist->Extra();
}

host::Ref<host::IApplication> MapDocument::application() {
  if (application_) return host::Ref<host::IApplication>(application_);
  auto app = com::make<Application>(host::Ref<MapDocument>(this));
  application_ = app.get();
  return app;
}

void MapDocument::applicationGone(Application* app) {
  if (application_ == app) application_ = nullptr;
}

host::Ref<host::IMap> MapDocument::FocusMap() { return map_; }
host::Ref<host::IActiveView> MapDocument::ActiveView() { return layout_; }
host::Ref<host::IContentsView> MapDocument::CurrentContentsView() { return contents_; }
host::Ref<host::IPageLayout> MapDocument::PageLayout() { return layout_; }
void MapDocument::UpdateContents() { ++updateContents_; }
host::Text MapDocument::Title() { return text::fromUtf8(path_.filename().string()); }
host::Ref<host::ICommandBars> MapDocument::CommandBars() { return commandBars_; }

std::uint32_t MapDocument::Advise(host::IDocumentEvents* sink) { return sinks_.advise(sink); }
void MapDocument::Unadvise(std::uint32_t cookie) { sinks_.unadvise(cookie); }

void MapDocument::fireNewDocument() { sinks_.fireNewDocument(); }
void MapDocument::fireOpenDocument() { sinks_.fireOpenDocument(); }
void MapDocument::fireCloseDocument() { sinks_.fireCloseDocument(); }

}  // namespace mapdoc
