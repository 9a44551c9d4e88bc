#pragma once
// Saving a document read from a QGIS project or style: only the label
// attributes of the classes whose labels changed are replaced in the text
// QGIS wrote, so every other byte stays as it was; legend items' own labels
// are the user's and stay. A zipped project is written again with the same
// members. The labels to reset to are kept in a file beside it.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "host/host.h"
#include "mapdoc/document_store.h"
#include "mapdoc/qgis/qgis_file.h"
#include "mapdoc/qgis/xml_text.h"

namespace mapdoc::qgis {

// A label attribute's value in the text, and the label it holds. QGIS
// leaves an empty label out of a rule, as it is written here too: the
// attribute is written into the element (at span, empty) once a label is
// set, and taken out again when the label is emptied.
struct LabelSpot {
  ValueSpan span;
  std::string text;
  bool attribute = true;       // the element has the attribute
  bool omitEmpty = false;      // an empty label leaves the element without one
  std::size_t attributeAt = 0;  // with omitEmpty and attribute: the blank before its name
};

// The spot of element's label: its attribute's value, or where it would go.
LabelSpot labelSpot(const std::string& text, const pugi::xml_node& element);

struct LabelledLayer {
  std::string key;  // the QGIS layer id ("style" for a layer style)
  host::Ref<host::ILayer> layer;
  host::Ref<host::IFeatureRenderer> renderer;  // as read
  std::vector<LabelSpot> classes;              // by class index
  std::vector<int> legendIndex;                // by class index: N of "legend/label-N"
  // What QGIS knows of the layer that we may not read: its provider and its
  // virtual (expression) fields.
  std::string provider;
  std::vector<std::string> virtualFields;
};

// A legend item's own label for one class of a layer ("legend/label-N"):
// never written, except to give back one that an earlier version replaced.
struct LegendOverride {
  std::string layerKey;
  std::string legend;  // "<layout name> <legend item uuid>", or "layers panel"
  int index = 0;
  LabelSpot spot;
};

class QgisStore : public DocumentStore {
 public:
  // bytes: the file as read; text: the XML (the project inside, for a .qgz;
  // bytes otherwise). Reads the kept labels beside file (DocumentError).
  QgisStore(std::filesystem::path file, FileKind kind, std::string bytes, std::string member, std::string text);

  const std::string& text() const { return text_; }
  // Whether data paths count from the file's folder (it then stays there).
  void relativePaths(bool relative) { relativePaths_ = relative; }
  void addLayer(LabelledLayer layer) { layers_.push_back(std::move(layer)); }
  void addOverride(LegendOverride legendOverride) { overrides_.push_back(std::move(legendOverride)); }

  // The layer as read (null for a layer of no QGIS map layer), the file.
  const LabelledLayer* labelledLayer(host::ILayer* layer) const;
  const std::filesystem::path& file() const { return file_; }
  FileKind kind() const { return kind_; }

  void save(MapDocument& document, const std::filesystem::path& file) override;
  Json& layerData(host::ILayer* layer) override;

 private:
  struct Edit;
  std::vector<Edit> edits(Json& kept);
  std::optional<std::vector<std::string>> currentLabels(const LabelledLayer& layer) const;
  LabelledLayer& find(host::ILayer* layer);
  Json cleaned(const Json& kept) const;

  std::filesystem::path file_;
  FileKind kind_;
  std::string bytes_, member_, text_;
  bool relativePaths_ = false;
  std::vector<LabelledLayer> layers_;
  std::vector<LegendOverride> overrides_;
  Json kept_, keptOnDisk_;  // per layer key, as now and as in the file beside
};

}  // namespace mapdoc::qgis
