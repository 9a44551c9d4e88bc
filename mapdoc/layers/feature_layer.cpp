#include "mapdoc/layers/feature_layer.h"

#include "mapdoc/data/gdal_session.h"
#include "mapdoc/layers/source_json.h"
#include "mapdoc/renderers/renderer_json.h"
#include "platform/text/utf.h"

namespace mapdoc {
namespace fs = std::filesystem;
using text::toUtf8;

namespace {

std::vector<std::int32_t> readIds(const JsonReader& json) {
  std::vector<std::int32_t> ids;
  for (const auto& item : json.items()) ids.push_back(item.int32());
  return ids;
}

}  // namespace

host::Ref<FeatureLayer> FeatureLayer::read(const JsonReader& json, const fs::path& baseDir) {
  auto l = com::make<FeatureLayer>();
  l->members_ = json.members({"name", "type", "visible", "source", "definition_query", "definition_selection",
                              "selection", "join", "renderer"});
  l->baseDir_ = baseDir;
  l->name_ = json.member("name").utext();
  if (auto v = json.optional("visible")) l->visible_ = v->boolean();
  l->source_ = readSource(json.member("source"), l->sourceMembers_);
  if (auto q = json.optional("definition_query")) l->definitionQuery_ = q->utext();
  // A filter that is a whole SELECT statement (as QGIS's ogr provider takes
  // one) is no where clause: the statement's result is the layer's data, so
  // no search can leave it out.
  if (l->source_.connection.empty() && isSelectStatement(toUtf8(l->definitionQuery_))) {
    l->source_.statement = toUtf8(l->definitionQuery_);
    l->definitionQuery_.clear();
  }
  if (auto d = json.optional("definition_selection")) l->definitionSelection_ = readIds(*d);
  if (auto s = json.optional("selection")) l->initialSelection_ = readIds(*s);
  if (auto j = json.optional("join")) {
    JoinSpec join;
    join.members = j->members({"table", "field", "join_field"});
    join.table = readSource(j->member("table"), join.tableMembers);
    join.field = j->member("field").text();
    join.joinField = j->member("join_field").text();
    l->joins_.push_back(std::move(join));
  }
  l->renderer_ = readRenderer(json.member("renderer"));
  return l;
}

void FeatureLayer::open() {
  if (opened_) return;
  opened_ = true;
  try {
    featureClass_ = openFeatureClass(source_, baseDir_);
    auto table = com::query<host::ITable>(featureClass_.get());
    selection_ = makeSelectionSet(table.get(), initialSelection_);
    if (definitionSelection_) definitionSet_ = makeSelectionSet(table.get(), *definitionSelection_);
  } catch (const host::HostError& e) {
    problem_ = e.what();
    featureClass_ = nullptr;
  }
}

void FeatureLayer::setUnreadable(std::string problem) {
  opened_ = true;
  problem_ = std::move(problem);
  featureClass_ = nullptr;
}

void FeatureLayer::readRecordsFrom(SourceSpec table) {
  source_ = std::move(table);
  joins_.clear();
  definitionQuery_.clear();
  definitionSelection_.reset();
  opened_ = false;
  problem_.clear();
  featureClass_ = nullptr;
  displayTable_ = nullptr;
  joinCounts_.clear();
  definitionSet_ = nullptr;
}

bool FeatureLayer::Valid() {
  open();
  return featureClass_ != nullptr;
}

std::string FeatureLayer::problem() {
  open();
  return problem_;
}

host::Ref<host::IFeatureClass> FeatureLayer::FeatureClass() {
  open();
  if (!featureClass_) data::throwHostError("layer \"" + toUtf8(name_) + "\": " + problem_);
  return featureClass_;
}

host::Ref<host::ISelectionSet> FeatureLayer::DefinitionSelectionSet() {
  if (!definitionSelection_) return nullptr;
  FeatureClass();
  return definitionSet_;
}

host::Ref<host::ITable> FeatureLayer::DisplayTable() {
  auto own = com::query<host::ITable>(FeatureClass().get());
  if (joins_.empty()) return own;
  if (!displayTable_) {
    try {
      host::Ref<host::ITable> table = own;
      std::vector<host::Ref<data::IJoinCount>> counts;
      for (const auto& join : joins_) {
        auto other = openTable(join.table, baseDir_);
        table = joinTables(table.get(), other.get(), text::fromUtf8(join.field), text::fromUtf8(join.joinField),
                           join.options);
        counts.push_back(com::query<data::IJoinCount>(table.get()));
      }
      displayTable_ = table;
      joinCounts_ = std::move(counts);
    } catch (const host::HostError& e) {
      data::throwHostError("layer \"" + toUtf8(name_) + "\": the join cannot be made: " + e.what());
    }
  }
  return displayTable_;
}

namespace {

// A joined table as its join names it: the file, or the layer in it.
std::string joinedTableName(const SourceSpec& source) {
  const std::string layer = "\"" + source.layer + "\"";
  // a connection string may hold a password: never shown
  if (!source.connection.empty()) return source.layer.empty() ? "the connection's first layer" : layer;
  const fs::path file = fs::path(splitSourcePath(source.path).first).filename();
  if (source.layer.empty() || source.layer == file.stem().string()) return file.string();
  return layer + " in " + file.string();
}

}  // namespace

std::vector<JoinOutcome> FeatureLayer::joinOutcomes() const {
  std::vector<JoinOutcome> out;
  for (std::size_t i = 0; i < joinCounts_.size() && i < joins_.size(); ++i)
    if (joinCounts_[i]) out.push_back({joinedTableName(joins_[i].table), joinCounts_[i]->Count()});
  return out;
}

host::Ref<host::IName> FeatureLayer::DataSourceName() { return com::query<host::IName>(FeatureClass().get()); }

host::Ref<host::ISelectionSet> FeatureLayer::SelectionSet() {
  FeatureClass();
  return selection_;
}

void FeatureLayer::SelectionSet(host::ISelectionSet* set) {
  FeatureClass();
  selection_ = makeSelectionSet(com::query<host::ITable>(featureClass_.get()).get(), set ? set->IDs() : std::vector<std::int32_t>{});
}

void FeatureLayer::Clear() { SelectionSet(nullptr); }

void FeatureLayer::Moved(const fs::path& newDir) {
  if (source_.connection.empty()) source_.path = relocatePath(source_.path, baseDir_, newDir);
  for (auto& join : joins_)
    if (join.table.connection.empty()) join.table.path = relocatePath(join.table.path, baseDir_, newDir);
  baseDir_ = newDir;
}

Json FeatureLayer::ToJson(const SaveContext& context) {
  Json known = {{"name", toUtf8(name_)}, {"type", "feature"}};
  if (!visible_ || members_.extra.contains("visible") || std::find(members_.order.begin(), members_.order.end(), "visible") != members_.order.end())
    known["visible"] = visible_;
  known["source"] = sourceToJson(source_, sourceMembers_, baseDir_, context);
  if (!definitionQuery_.empty()) known["definition_query"] = toUtf8(definitionQuery_);
  else if (!source_.statement.empty()) known["definition_query"] = source_.statement;
  if (definitionSelection_) known["definition_selection"] = definitionSet_ ? Json(definitionSet_->IDs()) : Json(*definitionSelection_);
  const auto selected = selection_ ? selection_->IDs() : initialSelection_;
  if (!selected.empty()) known["selection"] = selected;
  if (!joins_.empty()) {
    const auto& join = joins_.front();
    known["join"] = composeMembers(join.members, {{"table", sourceToJson(join.table, join.tableMembers, baseDir_, context)},
                                                  {"field", join.field},
                                                  {"join_field", join.joinField}});
  }
  known["renderer"] = rendererToJson(renderer_.get(), context);
  return composeMembers(members_, known);
}

}  // namespace mapdoc
