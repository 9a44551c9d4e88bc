#pragma once
// A layer over a vector data source, with its renderer, definition query,
// definition selection, current selection and optional join. The data is
// opened when first asked for; a source that cannot be opened makes the
// layer invalid and every data call fails with the reason.
#include <optional>

#include "mapdoc/data/join_count.h"
#include "mapdoc/data/open.h"
#include "mapdoc/json/json_reader.h"
#include "mapdoc/json/persist_json.h"
#include "platform/com/object.h"

namespace mapdoc {

struct JoinSpec {
  SourceSpec table;
  std::string field;       // the layer's key
  std::string joinField;   // the joined table's key
  JoinOptions options;
  Members members, tableMembers;
};

// What one join of a layer matched, with the joined table as the user
// named it ("owners.csv", "\"owners\" in data.gpkg").
struct JoinOutcome {
  std::string table;
  data::JoinCount count;
};

class FeatureLayer
    : public com::Object<host::ILayer, host::IFeatureLayer, host::IGeoFeatureLayer, host::IFeatureLayerDefinition,
                         host::IDisplayTable, host::IDataLayer, host::IFeatureSelection, IPersistJson> {
 public:
  static host::Ref<FeatureLayer> read(const JsonReader& json, const std::filesystem::path& baseDir);

  host::Text Name() override { return name_; }
  void Name(const host::Text& name) override { name_ = name; }
  bool Visible() override { return visible_; }
  void Visible(bool visible) override { visible_ = visible; }
  bool Valid() override;

  host::Ref<host::IFeatureClass> FeatureClass() override;
  host::Ref<host::IFeatureRenderer> Renderer() override { return renderer_; }
  void Renderer(host::IFeatureRenderer* renderer) override { renderer_ = host::Ref<host::IFeatureRenderer>(renderer); }
  host::Text DefinitionExpression() override { return definitionQuery_; }
  void DefinitionExpression(const host::Text& expression) override { definitionQuery_ = expression; }
  host::Ref<host::ISelectionSet> DefinitionSelectionSet() override;
  host::Ref<host::ITable> DisplayTable() override;
  host::Ref<host::IName> DataSourceName() override;
  host::Ref<host::ISelectionSet> SelectionSet() override;
  void SelectionSet(host::ISelectionSet* set) override;
  void Clear() override;

  Json ToJson(const SaveContext& context) override;
  Json& Extra() override { return members_.extra; }
  void Moved(const std::filesystem::path& newDir) override;

  // Why the data cannot be opened ("" while it can).
  std::string problem();

  // Where the layer's data lives, whatever kind of document it came from.
  const SourceSpec& source() const { return source_; }
  const std::filesystem::path& baseDir() const { return baseDir_; }
  // The tables joined to the layer's data, in the order they are made.
  const std::vector<JoinSpec>& joins() const { return joins_; }

  // For documents of other formats, after read(): a further join, made on
  // the display table the joins before it made (a document of our own has
  // one join, saved as "join"); and a layer whose data this program cannot
  // read, for the reason given.
  void addJoin(JoinSpec join) { joins_.push_back(std::move(join)); }
  void setUnreadable(std::string problem);
  // From now on the records come from table: a copy QGIS made of them with
  // its filter, joins, virtual fields and edits applied, so the layer has
  // no join or definition query of its own any more.
  void readRecordsFrom(SourceSpec table);

  // What each join matched, in the order they are made: counted when the
  // display table was made (the labeler makes it), so empty before that,
  // without joins, and once QGIS hands the records over.
  std::vector<JoinOutcome> joinOutcomes() const;

 private:
  void open();

  host::Text name_;
  bool visible_ = true;
  SourceSpec source_;
  Members sourceMembers_;
  std::filesystem::path baseDir_;
  host::Text definitionQuery_;
  std::optional<std::vector<std::int32_t>> definitionSelection_;
  std::vector<std::int32_t> initialSelection_;
  std::vector<JoinSpec> joins_;
  host::Ref<host::IFeatureRenderer> renderer_;
  Members members_;

  bool opened_ = false;
  std::string problem_;
  host::Ref<host::IFeatureClass> featureClass_;
  host::Ref<host::ITable> displayTable_;
  std::vector<host::Ref<data::IJoinCount>> joinCounts_;  // one per join of displayTable_
  host::Ref<host::ISelectionSet> definitionSet_, selection_;
};

}  // namespace mapdoc
