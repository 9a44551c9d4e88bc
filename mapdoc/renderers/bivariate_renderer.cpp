#include "mapdoc/renderers/bivariate_renderer.h"

#include "mapdoc/data/gdal_session.h"
#include "mapdoc/renderers/renderer_json.h"

namespace mapdoc {

host::Ref<BivariateRenderer> BivariateRenderer::read(const JsonReader& json) {
  auto r = com::make<BivariateRenderer>();
  r->members_ = json.members({"type", "main", "variation"});
  auto main = json.member("main");
  r->main_ = readRenderer(main);
  if (!com::query<host::IUniqueValueRenderer>(r->main_.get()) && !com::query<host::IClassBreaksRenderer>(r->main_.get()))
    main.fail("the main renderer of a bivariate renderer is unique_values or class_breaks");
  if (auto v = json.optional("variation")) r->variation_ = readRenderer(*v);
  r->CreateLegend();
  r->legendBuilds_ = 0;
  return r;
}

void BivariateRenderer::CreateLegend() {
  legend_.clear();
  if (auto classes = com::query<host::IRendererClasses>(main_.get()))
    for (int i = 0; i < classes->ClassCount(); ++i) legend_.push_back(classes->Class(i));
  ++legendBuilds_;
}

host::Text BivariateRenderer::Class(int index) {
  if (index < 0 || index >= ClassCount()) data::throwHostError("class index " + std::to_string(index) + " is out of range");
  return legend_[static_cast<std::size_t>(index)];
}

host::Text BivariateRenderer::WhereClause(int index, host::ITable* table) {
  return com::query<host::IRendererClasses>(main_.get())->WhereClause(index, table);
}

std::vector<host::Text> BivariateRenderer::ClassifierFields() {
  return com::query<host::IRendererClassifier>(main_.get())->ClassifierFields();
}

host::Ref<host::IRecordClassifier> BivariateRenderer::Classifier(host::ITable* table) {
  return com::query<host::IRendererClassifier>(main_.get())->Classifier(table);
}

Json BivariateRenderer::ToJson(const SaveContext& context) {
  Json known = {{"type", "bivariate"}, {"main", rendererToJson(main_.get(), context)}};
  if (variation_) known["variation"] = rendererToJson(variation_.get(), context);
  return composeMembers(members_, known);
}

}  // namespace mapdoc
