#include "mapdoc/qgis/categorized_renderer.h"

#include <stdexcept>
#include <unordered_set>

#include "mapdoc/data/gdal_session.h"
#include "mapdoc/qgis/qgis_values.h"
#include "mapdoc/renderers/value_classifier.h"
#include "mapdoc/renderers/value_matching.h"
#include "platform/text/utf.h"

namespace mapdoc::qgis {

CategorizedRenderer::CategorizedRenderer(host::Text field, std::string expression, std::vector<Category> categories,
                                         std::optional<QgisClass> allOther)
    : field_(std::move(field)), expression_(std::move(expression)), categories_(std::move(categories)),
      allOther_(std::move(allOther)) {
  for (std::size_t c = 0; c < categories_.size(); ++c) {
    host::Text text;
    for (const auto& v : categories_[c].values) text += (text.empty() ? u"" : u";") + v;
    if (indexOf(text) >= 0)
      throw std::runtime_error("two categories hold the value \"" + text::toUtf8(text) +
                               "\" (QGIS draws its features in the first); give each category values of its own");
    valueTexts_.push_back(std::move(text));
  }
}

int CategorizedRenderer::indexOf(const host::Text& value) const {
  for (std::size_t i = 0; i < valueTexts_.size(); ++i)
    if (valueTexts_[i] == value) return static_cast<int>(i);
  return -1;
}

host::Text CategorizedRenderer::Field(int index) {
  if (index != 0) data::throwHostError("field index " + std::to_string(index) + " is out of range");
  return field_.empty() ? text::fromUtf8(expression_) : field_;
}

host::Text CategorizedRenderer::Value(int index) {
  if (index < 0 || index >= ValueCount()) data::throwHostError("value index " + std::to_string(index) + " is out of range");
  return valueTexts_[static_cast<std::size_t>(index)];
}

host::Text CategorizedRenderer::Label(const host::Text& value) {
  const int c = indexOf(value);
  if (c < 0) data::throwHostError("the renderer has no value \"" + text::toUtf8(value) + "\"");
  return categories_[static_cast<std::size_t>(c)].qgis.label;
}

void CategorizedRenderer::Label(const host::Text& value, const host::Text& label) {
  const int c = indexOf(value);
  if (c < 0) data::throwHostError("the renderer has no value \"" + text::toUtf8(value) + "\"");
  categories_[static_cast<std::size_t>(c)].qgis.label = label;
}

host::Symbol CategorizedRenderer::Symbol(const host::Text& value) {
  const int c = indexOf(value);
  return c < 0 ? DefaultSymbol() : categories_[static_cast<std::size_t>(c)].qgis.symbol.symbol;
}

void CategorizedRenderer::DefaultLabel(const host::Text& label) {
  if (allOther_) allOther_->label = label;
}

host::Text CategorizedRenderer::Class(int index) {
  if (index < 0 || index >= ClassCount()) data::throwHostError("class index " + std::to_string(index) + " is out of range");
  if (static_cast<std::size_t>(index) == categories_.size()) return allOther_->label;
  return categories_[static_cast<std::size_t>(index)].qgis.label;
}

std::vector<QgisClass> CategorizedRenderer::allClasses() const {
  std::vector<QgisClass> out;
  for (const auto& c : categories_) out.push_back(c.qgis);
  if (allOther_) out.push_back(*allOther_);
  return out;
}

std::shared_ptr<const ValueMatching> CategorizedRenderer::matching(host::ITable* table) {
  if (!matching_ || matching_->table.get() != table) {
    // QGIS draws a value that two categories hold with the later one.
    std::vector<std::vector<host::Text>> values(categories_.size());
    std::unordered_set<host::Text> later;
    for (std::size_t c = categories_.size(); c-- > 0;) {
      for (const auto& v : categories_[c].values)
        if (!later.count(v)) values[c].push_back(v);
      later.insert(categories_[c].values.begin(), categories_[c].values.end());
    }
    matching_ = ValueMatching::build(table, {field_}, u"", values, qgisKeyRules());
  }
  return matching_;
}

host::Text CategorizedRenderer::WhereClause(int index, host::ITable* table) {
  if (index < 0 || index >= ClassCount()) data::throwHostError("class index " + std::to_string(index) + " is out of range");
  const bool other = static_cast<std::size_t>(index) == categories_.size();
  if (qgisClasses_) {
    // the all-other-values class: every feature that no category holds
    std::vector<int> items;
    if (other) {
      for (const auto& c : categories_) items.push_back(c.qgis.legendItem);
    } else {
      items.push_back(categories_[static_cast<std::size_t>(index)].qgis.legendItem);
    }
    return qgisClasses_.clause(table, items, other);
  }
  if (!QgisOnly().empty()) data::throwHostError(QgisOnly() + ", which only QGIS can evaluate");
  const auto m = matching(table);
  return text::fromUtf8(other ? m->otherValuesClause() : m->classClause(static_cast<std::size_t>(index)));
}

std::vector<host::Text> CategorizedRenderer::ClassifierFields() {
  if (qgisClasses_) return {qgisClasses_.idField()};
  return {field_};
}

host::Ref<host::IRecordClassifier> CategorizedRenderer::Classifier(host::ITable* table) {
  const int allOther = allOther_ ? static_cast<int>(categories_.size()) : -1;
  if (qgisClasses_) return qgisClasses_.classifier(table, allClasses(), allOther);
  if (!QgisOnly().empty()) data::throwHostError(QgisOnly() + ", which only QGIS can evaluate");
  return com::make<ValueClassifier>(matching(table), allOther);
}

std::optional<host::RecordGrouping> CategorizedRenderer::Grouping(host::ITable*) {
  if (qgisClasses_ || !QgisOnly().empty()) return std::nullopt;  // by feature ID: nothing to group by
  return host::RecordGrouping{host::RecordGrouping::Kind::Values, {field_}, {}, {}};
}

std::string CategorizedRenderer::QgisOnly() {
  if (qgisClasses_ || !field_.empty()) return {};
  return "its categories are on the expression " + expression_;
}

std::vector<host::Text> CategorizedRenderer::ReadFields() {
  if (field_.empty()) return {};
  return {field_};
}

}  // namespace mapdoc::qgis
