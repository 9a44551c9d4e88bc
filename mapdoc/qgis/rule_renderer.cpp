#include "mapdoc/qgis/rule_renderer.h"

#include <algorithm>

#include "mapdoc/data/gdal_session.h"
#include "platform/text/utf.h"

namespace mapdoc::qgis {

RuleRenderer::RuleRenderer(std::vector<Rule> rules) : rules_(std::move(rules)) {
  for (const auto& rule : rules_) {
    const host::Text filter = text::fromUtf8(rule.filter);
    host::Text value = filter;
    for (int n = 2; std::find(values_.begin(), values_.end(), value) != values_.end(); ++n)
      value = filter + u" (" + text::fromUtf8(std::to_string(n)) + u")";
    values_.push_back(std::move(value));
  }
}

RuleRenderer::Rule& RuleRenderer::at(int index) {
  if (index < 0 || index >= ValueCount()) data::throwHostError("rule index " + std::to_string(index) + " is out of range");
  return rules_[static_cast<std::size_t>(index)];
}

int RuleRenderer::indexOf(const host::Text& value) const {
  const auto at = std::find(values_.begin(), values_.end(), value);
  return at == values_.end() ? -1 : static_cast<int>(at - values_.begin());
}

host::Text RuleRenderer::Field(int index) {
  data::throwHostError("field index " + std::to_string(index) + " is out of range: rules name no field");
}

host::Text RuleRenderer::Value(int index) {
  at(index);
  return values_[static_cast<std::size_t>(index)];
}

host::Text RuleRenderer::Label(const host::Text& value) {
  const int i = indexOf(value);
  if (i < 0) data::throwHostError("the renderer has no rule \"" + text::toUtf8(value) + "\"");
  return rules_[static_cast<std::size_t>(i)].qgis.label;
}

void RuleRenderer::Label(const host::Text& value, const host::Text& label) {
  const int i = indexOf(value);
  if (i < 0) data::throwHostError("the renderer has no rule \"" + text::toUtf8(value) + "\"");
  rules_[static_cast<std::size_t>(i)].qgis.label = label;
}

host::Symbol RuleRenderer::Symbol(const host::Text& value) {
  const int i = indexOf(value);
  return i < 0 ? host::Symbol{} : rules_[static_cast<std::size_t>(i)].qgis.symbol.symbol;
}

host::Text RuleRenderer::Class(int index) { return at(index).qgis.label; }

host::Text RuleRenderer::WhereClause(int index, host::ITable* table) {
  const Rule& rule = at(index);
  if (!qgisClasses_) data::throwHostError(QgisOnly() + ", which only QGIS can evaluate");
  return qgisClasses_.clause(table, {rule.qgis.legendItem}, false);
}

host::Ref<host::IRecordClassifier> RuleRenderer::Classifier(host::ITable* table) {
  if (!qgisClasses_) data::throwHostError(QgisOnly() + ", which only QGIS can evaluate");
  std::vector<QgisClass> classes;
  for (const auto& r : rules_) classes.push_back(r.qgis);
  return qgisClasses_.classifier(table, classes, -1);
}

std::optional<host::RecordGrouping> RuleRenderer::Grouping(host::ITable*) {
  return std::nullopt;  // by feature ID: nothing to group by
}

std::string RuleRenderer::QgisOnly() {
  if (qgisClasses_) return {};
  return "it is drawn by QGIS's rule-based renderer";
}

}  // namespace mapdoc::qgis
