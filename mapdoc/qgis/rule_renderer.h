#pragma once
// QGIS's rule-based renderer: a class per rule, nested rules included, in
// the order QGIS's legend lists them (depth first). A feature is in the
// class of every rule QGIS draws it with, so classes may overlap; only QGIS
// evaluates the rules, so the classes are always taken from QGIS. A rule's
// value is its filter ("ELSE" for an else rule), numbered where two rules
// share one.
#include <memory>

#include "mapdoc/qgis/qgis_renderer.h"
#include "platform/com/object.h"

namespace mapdoc::qgis {

class RuleRenderer
    : public com::Object<host::IFeatureRenderer, host::IUniqueValueRenderer, host::IRendererClasses,
                         host::IRendererClassifier, host::IRendererOwnClasses, host::IRendererGrouping,
                         IQgisClassified> {
 public:
  struct Rule {
    std::string filter;  // "" for none, "ELSE" for an else rule
    QgisClass qgis;
  };
  explicit RuleRenderer(std::vector<Rule> rules);

  host::Text RendererType() override { return u"rule_based"; }
  int FieldCount() override { return 0; }
  host::Text Field(int index) override;
  host::Text FieldDelimiter() override { return {}; }
  int ValueCount() override { return static_cast<int>(rules_.size()); }
  host::Text Value(int index) override;
  host::Text Label(const host::Text& value) override;
  void Label(const host::Text& value, const host::Text& label) override;
  host::Symbol Symbol(const host::Text& value) override;
  bool UseDefaultSymbol() override { return false; }
  host::Text DefaultLabel() override { return {}; }
  void DefaultLabel(const host::Text&) override {}
  host::Symbol DefaultSymbol() override { return {}; }

  int ClassCount() override { return ValueCount(); }
  host::Text Class(int index) override;
  host::Text WhereClause(int index, host::ITable* table) override;

  std::vector<host::Text> ClassifierFields() override { return {qgisClasses_.idField()}; }
  host::Ref<host::IRecordClassifier> Classifier(host::ITable* table) override;
  std::optional<host::RecordGrouping> Grouping(host::ITable* table) override;

  std::string QgisOnly() override;
  void UseFeatureClasses(std::shared_ptr<const FeatureClasses> classes) override { qgisClasses_.use(std::move(classes)); }
  std::vector<host::Text> ReadFields() override { return {}; }

 private:
  Rule& at(int index);
  int indexOf(const host::Text& value) const;

  std::vector<Rule> rules_;
  std::vector<host::Text> values_;
  QgisClassesInUse qgisClasses_;
};

}  // namespace mapdoc::qgis
