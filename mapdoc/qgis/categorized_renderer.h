#pragma once
// QGIS's categorized renderer: a class per category, in QGIS's order, and
// the category with the empty value ("all other values") last. A feature is
// in the category QGIS draws it with: the one holding its value's text as
// Qt writes it (see qgis_values.h), the later one where two hold it; a
// category may hold a list of values (QGIS's merged categories). What no
// category holds, nulls included, the all-other-values category draws. On
// an expression, only QGIS can tell a feature's category; its classes are
// then taken from QGIS.
#include <memory>
#include <optional>

#include "mapdoc/qgis/qgis_renderer.h"
#include "platform/com/object.h"

namespace mapdoc {
struct ValueMatching;
}

namespace mapdoc::qgis {

class CategorizedRenderer
    : public com::Object<host::IFeatureRenderer, host::IUniqueValueRenderer, host::IRendererClasses,
                         host::IRendererClassifier, host::IRendererOwnClasses, host::IRendererGrouping,
                         IQgisClassified> {
 public:
  struct Category {
    std::vector<host::Text> values;
    QgisClass qgis;
  };
  // field: the field the categories are on, "" with expression set instead.
  // Throws std::runtime_error when two categories hold the same value text
  // (the labels are addressed by it).
  CategorizedRenderer(host::Text field, std::string expression, std::vector<Category> categories,
                      std::optional<QgisClass> allOther);

  host::Text RendererType() override { return u"unique_values"; }
  int FieldCount() override { return 1; }
  host::Text Field(int index) override;
  host::Text FieldDelimiter() override { return u";"; }
  int ValueCount() override { return static_cast<int>(categories_.size()); }
  host::Text Value(int index) override;  // a list's values joined by ";"
  host::Text Label(const host::Text& value) override;
  void Label(const host::Text& value, const host::Text& label) override;
  host::Symbol Symbol(const host::Text& value) override;
  bool UseDefaultSymbol() override { return allOther_.has_value(); }
  host::Text DefaultLabel() override { return allOther_ ? allOther_->label : host::Text(); }
  void DefaultLabel(const host::Text& label) override;
  host::Symbol DefaultSymbol() override { return allOther_ ? allOther_->symbol.symbol : host::Symbol{}; }

  int ClassCount() override { return ValueCount() + (allOther_ ? 1 : 0); }
  host::Text Class(int index) override;
  host::Text WhereClause(int index, host::ITable* table) override;

  std::vector<host::Text> ClassifierFields() override;
  host::Ref<host::IRecordClassifier> Classifier(host::ITable* table) override;
  std::optional<host::RecordGrouping> Grouping(host::ITable* table) override;

  std::string QgisOnly() override;
  void UseFeatureClasses(std::shared_ptr<const FeatureClasses> classes) override { qgisClasses_.use(std::move(classes)); }
  std::vector<host::Text> ReadFields() override;

 private:
  int indexOf(const host::Text& value) const;
  std::shared_ptr<const ValueMatching> matching(host::ITable* table);
  std::vector<QgisClass> allClasses() const;

  host::Text field_;
  std::string expression_;
  std::vector<Category> categories_;
  std::vector<host::Text> valueTexts_;
  std::optional<QgisClass> allOther_;
  QgisClassesInUse qgisClasses_;
  std::shared_ptr<const ValueMatching> matching_;
};

}  // namespace mapdoc::qgis
