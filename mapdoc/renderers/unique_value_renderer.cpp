#include "mapdoc/renderers/unique_value_renderer.h"

#include "mapdoc/data/gdal_session.h"
#include "mapdoc/document_error.h"
#include "mapdoc/renderers/clause_text.h"
#include "mapdoc/renderers/value_classifier.h"
#include "mapdoc/renderers/value_matching.h"
#include "platform/text/utf.h"

namespace mapdoc {
namespace {

using text::toUtf8;

host::Text valueText(const JsonReader& v) {
  if (v.json().is_string()) return v.utext();
  if (v.json().is_number_integer() || v.json().is_number_unsigned()) return text::fromUtf8(v.json().dump());
  if (v.json().is_number()) return text::fromUtf8(sqlNumber(v.number()));
  v.fail("expected a value (text or a number), found " + describeJsonType(v.json()));
}

}  // namespace

host::Ref<UniqueValueRenderer> UniqueValueRenderer::read(const JsonReader& json) {
  auto r = com::make<UniqueValueRenderer>();
  r->members_ = json.members({"type", "fields", "field_delimiter", "classes", "default"});
  auto fields = json.member("fields");
  for (const auto& f : fields.items()) r->fields_.push_back(f.utext());
  if (r->fields_.empty() || r->fields_.size() > 3) fields.fail("a unique-values renderer has one to three fields");
  if (auto d = json.optional("field_delimiter")) r->delimiter_ = d->utext();
  for (const auto& c : json.member("classes").items()) {
    ValueClass vc;
    vc.members = c.members({"values", "label", "symbol"});
    auto values = c.member("values");
    for (const auto& v : values.items()) vc.values.push_back(valueText(v));
    if (vc.values.empty()) values.fail("a class needs at least one value");
    vc.valuesJson = values.json();
    vc.label = c.optional("label") ? c.member("label").utext() : vc.values.front();
    vc.symbol = readSymbolMember(c);
    const int index = static_cast<int>(r->classes_.size());
    for (const auto& v : vc.values) {
      const auto [at, added] = r->classOfValue_.try_emplace(v, index);
      if (!added && at->second != index)
        values.fail("the value \"" + excerpt(toUtf8(v)) + "\" is in two classes");
    }
    r->classes_.push_back(std::move(vc));
  }
  r->index();
  if (auto d = json.optional("default")) {
    r->hasDefault_ = true;
    r->defaultMembers_ = d->members({"label", "symbol"});
    if (auto label = d->optional("label")) r->defaultLabel_ = label->utext();
    r->defaultSymbol_ = readSymbolMember(*d);
  }
  return r;
}

void UniqueValueRenderer::index() {
  values_.clear();
  for (std::size_t c = 0; c < classes_.size(); ++c) values_.emplace_back(static_cast<int>(c), classes_[c].values.front());
  for (std::size_t c = 0; c < classes_.size(); ++c)
    for (std::size_t v = 1; v < classes_[c].values.size(); ++v) values_.emplace_back(static_cast<int>(c), classes_[c].values[v]);
}

int UniqueValueRenderer::classOf(const host::Text& value) const {
  const auto at = classOfValue_.find(value);
  return at == classOfValue_.end() ? -1 : at->second;
}

host::Text UniqueValueRenderer::Field(int index) {
  if (index < 0 || index >= FieldCount()) data::throwHostError("field index " + std::to_string(index) + " is out of range");
  return fields_[static_cast<std::size_t>(index)];
}

host::Text UniqueValueRenderer::Value(int index) {
  if (index < 0 || index >= ValueCount()) data::throwHostError("value index " + std::to_string(index) + " is out of range");
  return values_[static_cast<std::size_t>(index)].second;
}

host::Text UniqueValueRenderer::Label(const host::Text& value) {
  const int c = classOf(value);
  if (c < 0) data::throwHostError("the renderer has no value \"" + toUtf8(value) + "\"");
  return classes_[static_cast<std::size_t>(c)].label;
}

void UniqueValueRenderer::Label(const host::Text& value, const host::Text& label) {
  const int c = classOf(value);
  if (c < 0) data::throwHostError("the renderer has no value \"" + toUtf8(value) + "\"");
  classes_[static_cast<std::size_t>(c)].label = label;
}

host::Symbol UniqueValueRenderer::Symbol(const host::Text& value) {
  const int c = classOf(value);
  return c < 0 ? defaultSymbol_.symbol : classes_[static_cast<std::size_t>(c)].symbol.symbol;
}

host::Text UniqueValueRenderer::Class(int index) {
  if (index < 0 || index >= ClassCount()) data::throwHostError("class index " + std::to_string(index) + " is out of range");
  if (static_cast<std::size_t>(index) == classes_.size()) return defaultLabel_;
  return classes_[static_cast<std::size_t>(index)].label;
}

std::vector<host::Text> UniqueValueRenderer::classValues(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= classes_.size()) return {};
  return classes_[static_cast<std::size_t>(index)].values;
}

std::shared_ptr<const ValueMatching> UniqueValueRenderer::matching(host::ITable* table) {
  if (!matching_ || matching_->table.get() != table) {
    std::vector<std::vector<host::Text>> values;
    for (const auto& c : classes_) values.push_back(c.values);
    matching_ = ValueMatching::build(table, fields_, delimiter_, values);
  }
  return matching_;
}

host::Text UniqueValueRenderer::WhereClause(int index, host::ITable* table) {
  if (index < 0 || index >= ClassCount()) data::throwHostError("class index " + std::to_string(index) + " is out of range");
  const auto m = matching(table);
  if (static_cast<std::size_t>(index) < classes_.size()) return text::fromUtf8(m->classClause(static_cast<std::size_t>(index)));
  return text::fromUtf8(m->otherValuesClause());
}

host::Ref<host::IRecordClassifier> UniqueValueRenderer::Classifier(host::ITable* table) {
  return com::make<ValueClassifier>(matching(table), hasDefault_ ? static_cast<int>(classes_.size()) : -1);
}

Json UniqueValueRenderer::ToJson(const SaveContext&) {
  Json classes = Json::array();
  for (const auto& c : classes_) {
    classes.push_back(composeMembers(c.members, {{"values", c.valuesJson}, {"label", toUtf8(c.label)}, {"symbol", c.symbol.toJson()}}));
  }
  Json fields = Json::array();
  for (const auto& f : fields_) fields.push_back(toUtf8(f));
  Json known = {{"type", "unique_values"}, {"fields", fields}, {"field_delimiter", toUtf8(delimiter_)}, {"classes", classes}};
  if (hasDefault_)
    known["default"] = composeMembers(defaultMembers_, {{"label", toUtf8(defaultLabel_)}, {"symbol", defaultSymbol_.toJson()}});
  return composeMembers(members_, known);
}

}  // namespace mapdoc
