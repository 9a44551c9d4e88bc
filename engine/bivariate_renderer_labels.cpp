#include "engine/class_summaries.h"
#include "engine/label_makers.h"
#include "host/renderer.h"

namespace engine {

bool MakeBivariateRendererLabels(LabelerFields& fields, host::ILayer* pLayer) {
  try {
    if (!pLayer) objectNotSet();
    auto geo = require<host::IGeoFeatureLayer>(host::Ref<host::ILayer>(pLayer));
    auto main = require<host::IBivariateRenderer>(geo->Renderer())->MainRenderer();
    if (main.as<host::IUniqueValueRenderer>()) {
      fields.LabelsValid = MakeUniqueRendererLabels(fields, pLayer);
    } else if (main.as<host::IClassBreaksRenderer>()) {
      fields.LabelsValid = MakeClassBreaksRendererLabels(fields, pLayer);
    } else {
      fields.Message = u"Unsupported primary symbol renderer type on Multi-Attribute Renderer!";
      fields.LabelsValid = false;
      return false;
    }
    return fields.LabelsValid;
  } catch (...) {
    return makerFailed(fields, u"MakeBivariateRendererLabels");
  }
}

}  // namespace engine
