#include "mapdoc/qgis/qgis_document.h"

#include <cstring>
#include <map>

#include "mapdoc/atomic_file.h"
#include "mapdoc/file_text.h"
#include "mapdoc/layers/feature_layer.h"
#include "mapdoc/layers/group_layer.h"
#include "mapdoc/layers/raster_layer.h"
#include "mapdoc/qgis/layer_source.h"
#include "mapdoc/qgis/legend_items.h"
#include "mapdoc/qgis/qgis_evaluation.h"
#include "mapdoc/qgis/qgis_store.h"
#include "mapdoc/qgis/renderer_read.h"
#include "mapdoc/qgis/zipped_project.h"
#include "platform/text/utf.h"

namespace mapdoc::qgis {
namespace fs = std::filesystem;

namespace {

constexpr char kStyleKey[] = "style";

struct ProjectLayer {
  pugi::xml_node element;
  std::string name;
  LayerSource source;
  host::Ref<host::ILayer> layer;
  host::Ref<FeatureLayer> feature;  // null for a raster layer
  bool placed = false;              // in the table of contents
};

class Reader {
 public:
  // dir: the folder relative data paths count from.
  Reader(fs::path file, fs::path dir, QgisStore& store, const pugi::xml_node& root)
      : file_(std::move(file)), dir_(std::move(dir)), store_(store), root_(root) {}

  MapDocument::Parts readProject();
  MapDocument::Parts readStyle(const OpenOptions& options);
  bool relativePaths() const { return relativePaths_; }

 private:
  [[noreturn]] void fail(const std::string& problem) const { throw DocumentError(file_, "", problem); }
  void readMapLayer(const pugi::xml_node& element);
  // renderer: null for a table, which has none.
  // mapLayer: the project's <maplayer> (null for a style); provider: its data's.
  host::Ref<FeatureLayer> featureLayer(const std::string& key, const std::string& name, const LayerSource& source,
                                       const pugi::xml_node& renderer, bool table, const fs::path& baseDir,
                                       const pugi::xml_node& mapLayer, const std::string& provider,
                                       const std::vector<std::int32_t>& selection = {});
  void readJoins(ProjectLayer& layer);
  std::vector<host::Ref<host::ILayer>> readTree(const pugi::xml_node& group);

  fs::path file_, dir_;
  QgisStore& store_;
  pugi::xml_node root_;
  std::map<std::string, ProjectLayer> layers_;
  std::vector<std::string> order_;  // ids as the project lists them
  bool relativePaths_ = false;
};

host::Ref<FeatureLayer> Reader::featureLayer(const std::string& key, const std::string& name, const LayerSource& source,
                                             const pugi::xml_node& renderer, bool table, const fs::path& baseDir,
                                             const pugi::xml_node& mapLayer, const std::string& provider,
                                             const std::vector<std::int32_t>& selection) {
  Json json = {{"name", name}, {"source", Json::object()}, {"renderer", {{"type", "simple"}}}};
  if (!selection.empty()) json["selection"] = selection;
  if (source.source.connection.empty()) json["source"]["path"] = source.source.path;
  else json["source"]["connection"] = source.source.connection;
  if (!source.source.layer.empty()) json["source"]["layer"] = source.source.layer;
  if (!source.subset.empty()) json["definition_query"] = source.subset;
  auto layer = FeatureLayer::read(JsonReader(json, ""), baseDir);
  if (!source.problem.empty()) layer->setUnreadable(source.problem);

  LabelledLayer labelled{key, layer, nullptr, {}, {}, provider, {}};
  for (const auto& field : mapLayer.child("expressionfields").children("field"))
    labelled.virtualFields.push_back(field.attribute("name").value());
  if (renderer || !table) {
    auto read = readRenderer(renderer);
    labelled.renderer = read.renderer;
    labelled.legendIndex = std::move(read.legendIndex);
    for (const auto& element : read.labelElements) {
      try {
        labelled.classes.push_back(labelSpot(store_.text(), element));
      } catch (const std::runtime_error& e) {
        fail("layer \"" + name + "\": " + e.what());
      }
    }
  }
  // a table without geometry has no renderer
  layer->Renderer(labelled.renderer.get());
  store_.addLayer(std::move(labelled));
  return layer;
}

void Reader::readMapLayer(const pugi::xml_node& element) {
  const std::string id = element.child_value("id");
  const std::string type = element.attribute("type").value();
  const std::string name = element.child_value("layername");
  if (id.empty()) fail("a map layer (\"" + name + "\") has no id");
  if (layers_.count(id)) fail("two map layers have the id \"" + id + "\"");
  if (type != "vector" && type != "raster") return;  // meshes, tiles, point clouds ...: not in our maps
  const auto datasource = element.child("datasource");
  if (!datasource || !*datasource.child_value()) fail("layer \"" + name + "\" has no data source");
  ProjectLayer layer;
  layer.element = element;
  layer.name = name;
  if (type == "raster") {
    layer.source.source.path = datasource.child_value();
    Json json = {{"name", name}, {"type", "raster"}, {"source", {{"path", layer.source.source.path}}}};
    layer.layer = RasterLayer::read(JsonReader(json, ""), dir_);
    store_.addLayer({id, layer.layer, nullptr, {}, {}, {}, {}});
  } else {
    const std::string provider = element.child_value("provider");
    layer.source = layerSource(provider, datasource.child_value());
    const bool table = std::strcmp(element.attribute("geometry").value(), "No geometry") == 0;
    layer.feature = featureLayer(id, name, layer.source, element.child("renderer-v2"), table, dir_, element, provider);
    layer.layer = layer.feature;
  }
  relativePaths_ = relativePaths_ || layer.source.relativePath ||
                   (type == "raster" && fs::path(layer.source.source.path).is_relative());
  layers_.emplace(id, std::move(layer));
  order_.push_back(id);
}

void Reader::readJoins(ProjectLayer& layer) {
  const auto& feature = layer.feature;
  if (!feature) return;
  for (const auto& join : layer.element.child("vectorjoins").children("join")) {
    const std::string joinId = join.attribute("joinLayerId").value();
    const auto other = layers_.find(joinId);
    if (other == layers_.end() || !other->second.feature) {
      feature->setUnreadable("its join names the layer \"" + joinId + "\", which is not a vector layer of the project");
      return;
    }
    const auto& source = other->second.source;
    if (!source.problem.empty()) {
      feature->setUnreadable("its join's layer \"" + other->second.name + "\": " + source.problem);
      return;
    }
    JoinSpec joinSpec;
    joinSpec.table = source.source;
    joinSpec.field = join.attribute("targetFieldName").value();
    joinSpec.joinField = join.attribute("joinFieldName").value();
    joinSpec.options.prefixed = true;
    joinSpec.options.prefix = text::fromUtf8(join.attribute("hasCustomPrefix").as_int() ? join.attribute("customPrefix").value()
                                                                                    : other->second.name + "_");
    if (const auto subset = join.child("joinFieldsSubset")) {
      joinSpec.options.fields.emplace();
      for (const auto& field : subset.children("field")) joinSpec.options.fields->push_back(text::fromUtf8(field.attribute("name").value()));
    }
    // QGIS reads the joined layer through its filter, or its statement.
    if (source.source.connection.empty() && isSelectStatement(source.subset)) joinSpec.table.statement = source.subset;
    else joinSpec.options.where = source.subset;
    joinSpec.options.match = join.attribute("memoryCache").as_int() ? JoinMatch::QgisCached : JoinMatch::QgisDirect;
    feature->addJoin(std::move(joinSpec));
  }
}

std::vector<host::Ref<host::ILayer>> Reader::readTree(const pugi::xml_node& group) {
  std::vector<host::Ref<host::ILayer>> out;
  for (const auto& node : group.children()) {
    const bool checked = std::strcmp(node.attribute("checked").value(), "Qt::Unchecked") != 0;
    if (std::strcmp(node.name(), "layer-tree-layer") == 0) {
      auto found = layers_.find(node.attribute("id").value());
      if (found == layers_.end() || found->second.placed) continue;
      found->second.placed = true;
      found->second.layer->Visible(checked);
      out.push_back(found->second.layer);
    } else if (std::strcmp(node.name(), "layer-tree-group") == 0) {
      out.push_back(GroupLayer::make(text::fromUtf8(node.attribute("name").value()), checked, readTree(node)));
    }
  }
  return out;
}

MapDocument::Parts Reader::readProject() {
  for (const auto& element : root_.child("projectlayers").children("maplayer")) readMapLayer(element);
  for (auto& [id, layer] : layers_) readJoins(layer);
  MapDocument::Parts parts;
  parts.layers = readTree(root_.child("layer-tree-group"));
  // layers the tree does not show are still the project's
  for (const auto& id : order_)
    if (!layers_.at(id).placed) parts.layers.push_back(layers_.at(id).layer);

  std::vector<host::Ref<host::ILayer>> shown;
  std::function<void(const std::vector<host::Ref<host::ILayer>>&)> collect = [&](const auto& layers) {
    for (const auto& l : layers) {
      if (auto group = com::query<host::ICompositeLayer>(l.get())) {
        std::vector<host::Ref<host::ILayer>> members;
        for (int i = 0; i < group->Count(); ++i) members.push_back(group->Layer(i));
        collect(members);
      } else {
        shown.push_back(l);
      }
    }
  };
  collect(parts.layers);
  auto layerOf = [&](const std::string& id) -> host::Ref<host::ILayer> {
    auto found = layers_.find(id);
    return found == layers_.end() ? nullptr : found->second.layer;
  };
  parts.legends = layoutLegends(root_, layerOf, shown);
  try {
    for (auto& o : legendOverrides(root_, store_.text())) store_.addOverride(std::move(o));
  } catch (const std::runtime_error& e) {
    fail(std::string("a legend item's label: ") + e.what());
  }
  return parts;
}

MapDocument::Parts Reader::readStyle(const OpenOptions& options) {
  if (options.styleData.empty())
    fail("a QGIS layer style names no data; give the data source it styles (carrowind: --data PATH)");
  if (options.styleProvider != "ogr" && options.styleProvider != "postgres")
    fail("a QGIS layer style's data is read by the ogr or the postgres provider, not \"" + options.styleProvider + "\"");
  MapDocument::Parts parts;
  auto layer = featureLayer(kStyleKey, file_.stem().string(), layerSource(options.styleProvider, options.styleData),
                            root_.child("renderer-v2"), false, fs::current_path(), {}, options.styleProvider,
                            options.styleSelection);
  if (!options.styleClasses.empty()) {
    try {
      useQgisClasses(*layer, options.styleClasses);
    } catch (const std::runtime_error& e) {
      fail(e.what());
    }
  }
  parts.layers.push_back(layer);
  parts.selected = layer;
  return parts;
}

}  // namespace

bool isQgisFile(const fs::path& file) { return fileKind(file).has_value(); }

host::Ref<MapDocument> openQgisDocument(const fs::path& path, const OpenOptions& options) {
  const fs::path file = fs::absolute(path).lexically_normal();
  const auto kind = *fileKind(file);
  if (kind != FileKind::Style &&
      (!options.styleData.empty() || !options.styleSelection.empty() || !options.styleClasses.empty()))
    throw DocumentError(file, "", "only a QGIS layer style (.qml) takes a data source");
  std::string bytes = readFileText(file);
  std::string member, text = bytes;
  if (kind == FileKind::ZippedProject) {
    try {
      auto project = unzipProject(bytes);
      member = std::move(project.member);
      text = std::move(project.text);
    } catch (const std::runtime_error& e) {
      throw DocumentError(file, "", std::string("is not a zipped QGIS project: ") + e.what());
    }
  }
  // The store holds the text that the tree's offsets count in.
  // A link stands for the project it links to: data paths count from that
  // project's folder, and its kept labels lie beside it.
  fs::path real = file;
  try {
    real = writeTarget(file);
  } catch (const WriteRefused&) {  // gone since it was read
  }
  auto store = std::make_shared<QgisStore>(real, kind, std::move(bytes), std::move(member), std::move(text));
  pugi::xml_document xml;
  parseXml(store->text(), xml, file);
  const auto root = xml.child("qgis");
  if (!root) throw DocumentError(file, "", "is not a QGIS file: its root element is not <qgis>");
  Reader reader(file, real.parent_path(), *store, root);
  auto parts = kind == FileKind::Style ? reader.readStyle(options) : reader.readProject();
  store->relativePaths(reader.relativePaths());
  parts.store = store;
  return MapDocument::assemble(file, std::move(parts));
}

}  // namespace mapdoc::qgis
