#include "engine/labeler_object.h"

#include <stdexcept>
#include <string>

#include "engine/expression_verification.h"
#include "engine/failure_text.h"
#include "engine/label_makers.h"
#include "engine/class_summaries.h"
#include "engine/label_writer.h"
#include "host/renderer.h"
#include "platform/format/value_text.h"
#include "platform/messagebox/message_box.h"
#include "platform/text/utf.h"

namespace engine {
namespace {

constexpr char16_t kFailureTitle[] = u"Invalid Expression!";

}  // namespace

bool QVXCarrowind::fail(std::u16string message) {
  f_.Message = std::move(message);
  if (f_.ShowMessages) {
    platform::messagebox::show(f_.Message, kFailureTitle, platform::messagebox::Icon::Critical,
                               platform::messagebox::Buttons::Ok);
  }
  f_.LabelsValid = false;
  return false;
}

com::ComPtr<IStringCollection> QVXCarrowind::Labels() {
  try {
    if (!f_.LabelsValid) return com::make<StringCollection>();
    return com::ComPtr<IStringCollection>(&f_.labels());
  } catch (...) {
    return nullptr;  // out of memory: nothing to hand out
  }
}

com::ComPtr<IStringCollection> QVXCarrowind::OriginalLabels() {
  try {
    if (!f_.LabelsValid) return com::make<StringCollection>();
    return com::ComPtr<IStringCollection>(&f_.originalLabels());
  } catch (...) {
    return nullptr;
  }
}

bool QVXCarrowind::SetLabels(host::ILayer* pLayer) {
  WriteStep step = WriteStep::ReadRenderer;
  try {
    writeLabels(f_, pLayer, step);
    return true;
  } catch (...) {
    std::u16string message = describeFailure(std::current_exception(), u"SetLabels");
    try {
      return fail(message + u" " + text::fromUtf8(std::to_string(static_cast<int>(step))));
    } catch (...) {
      f_.LabelsValid = false;
      return false;
    }
  }
}

bool QVXCarrowind::ResetLabels(host::ILayer* pLayer) {
  try {
    restoreLabels(f_, pLayer);
    return true;
  } catch (...) {
    try {
      return fail(describeFailure(std::current_exception(), u"ResetLabels"));
    } catch (...) {
      f_.LabelsValid = false;
      return false;
    }
  }
}

std::u16string QVXCarrowind::SampleLabel() {
  try {
    return platform::format::toText(f_.SampleLabel);
  } catch (...) {
    return {};
  }
}

bool QVXCarrowind::MakeLabels(host::ILayer* pLayer, const std::u16string& pExpression) {
  bool makerFailure = false;
  try {
    if (!verifyExpression(f_, pLayer, pExpression, false, false)) return false;
    auto renderer = require<host::IGeoFeatureLayer>(host::Ref<host::ILayer>(pLayer))->Renderer();
    if (renderer.as<host::ISimpleRenderer>()) {
      f_.LabelsValid = MakeSimpleRendererLabel(f_, pLayer, -1, false);
    } else if (renderer.as<host::IUniqueValueRenderer>()) {
      f_.LabelsValid = MakeUniqueRendererLabels(f_, pLayer);
    } else if (renderer.as<host::IClassBreaksRenderer>()) {
      f_.LabelsValid = MakeClassBreaksRendererLabels(f_, pLayer);
    } else if (renderer.as<host::IBivariateRenderer>()) {
      f_.LabelsValid = MakeBivariateRendererLabels(f_, pLayer);
    } else {
      typeMismatch();
    }
    if (f_.LabelsValid) return true;
    makerFailure = true;
    throw std::runtime_error("label maker");
  } catch (...) {
    try {
      std::u16string message = makerFailure ? f_.Message : describeFailure(std::current_exception(), u"MakeLabels");
      if (message.empty()) message = u"Unknown Error in MakeLabels!";
      return fail(std::move(message));
    } catch (...) {
      f_.LabelsValid = false;
      return false;
    }
  }
}

bool QVXCarrowind::VerifyExpression(host::ILayer* pLayer, const std::u16string& pExpression, bool pMakeSampleLabel,
                                    bool pShowLabelingInstructions) {
  return verifyExpression(f_, pLayer, pExpression, pMakeSampleLabel, pShowLabelingInstructions);
}

}  // namespace engine
