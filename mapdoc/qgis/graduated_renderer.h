#pragma once
// QGIS's graduated renderer: a class per range, in QGIS's order (rising,
// falling or any), each bounded by its own lower and upper value, both
// included. A feature is in the first range, in that order, that holds its
// value's number (see qgis_values.h); values between ranges are drawn in
// none, and where ranges overlap the earlier one takes them. On an
// expression, only QGIS can tell a feature's range; its classes are then
// taken from QGIS.
#include <memory>
#include <optional>

#include "mapdoc/qgis/qgis_renderer.h"
#include "platform/com/object.h"

namespace mapdoc::qgis {

class GraduatedRenderer
    : public com::Object<host::IFeatureRenderer, host::IClassBreaksRenderer, host::IRendererClasses,
                         host::IRendererClassifier, host::IRendererOwnClasses, host::IRendererGrouping,
                         IQgisClassified> {
 public:
  struct Range {
    double lower = 0, upper = 0;
    QgisClass qgis;
  };
  GraduatedRenderer(host::Text field, std::string expression, std::vector<Range> ranges);

  host::Text RendererType() override { return u"class_breaks"; }
  host::Text Field() override;  // the expression's text on an expression
  host::Text NormField() override { return {}; }
  double MinimumBreak() override;  // the lowest lower bound
  int BreakCount() override { return static_cast<int>(ranges_.size()); }
  double Break(int index) override { return at(index).upper; }
  host::Text Label(int index) override { return at(index).qgis.label; }
  void Label(int index, const host::Text& label) override { at(index).qgis.label = label; }
  host::Symbol Symbol(int index) override { return at(index).qgis.symbol.symbol; }

  int ClassCount() override { return BreakCount(); }
  host::Text Class(int index) override { return Label(index); }
  host::Text WhereClause(int index, host::ITable* table) override;

  std::vector<host::Text> ClassifierFields() override;
  host::Ref<host::IRecordClassifier> Classifier(host::ITable* table) override;
  std::optional<host::RecordGrouping> Grouping(host::ITable* table) override;

  std::string QgisOnly() override;
  void UseFeatureClasses(std::shared_ptr<const FeatureClasses> classes) override { qgisClasses_.use(std::move(classes)); }
  std::vector<host::Text> ReadFields() override;

  const std::vector<Range>& ranges() const { return ranges_; }

 private:
  Range& at(int index);

  host::Text field_;
  std::string expression_;
  std::vector<Range> ranges_;
  QgisClassesInUse qgisClasses_;
};

}  // namespace mapdoc::qgis
