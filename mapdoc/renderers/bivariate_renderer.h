#pragma once
// A main renderer (unique values or class breaks) that makes the classes,
// and a variation renderer that varies symbol size or colour.
#include "mapdoc/json/json_reader.h"
#include "mapdoc/json/persist_json.h"
#include "platform/com/object.h"

namespace mapdoc {

class BivariateRenderer : public com::Object<host::IFeatureRenderer, host::IBivariateRenderer, host::IRendererClasses,
                                             host::IRendererClassifier, IPersistJson> {
 public:
  static host::Ref<BivariateRenderer> read(const JsonReader& json);

  host::Text RendererType() override { return u"bivariate"; }
  host::Ref<host::IFeatureRenderer> MainRenderer() override { return main_; }
  host::Ref<host::IFeatureRenderer> VariationRenderer() override { return variation_; }
  void CreateLegend() override;
  int legendBuilds() const { return legendBuilds_; }

  // The legend as last built: the main renderer's classes then.
  int ClassCount() override { return static_cast<int>(legend_.size()); }
  host::Text Class(int index) override;
  host::Text WhereClause(int index, host::ITable* table) override;
  // The main renderer's classification.
  std::vector<host::Text> ClassifierFields() override;
  host::Ref<host::IRecordClassifier> Classifier(host::ITable* table) override;

  Json ToJson(const SaveContext& context) override;
  Json& Extra() override { return members_.extra; }

 private:
  host::Ref<host::IFeatureRenderer> main_, variation_;
  std::vector<host::Text> legend_;
  int legendBuilds_ = 0;
  Members members_;
};

}  // namespace mapdoc
