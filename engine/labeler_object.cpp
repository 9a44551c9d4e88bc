#include "engine/labeler_object.h"

#include <string>

#include "engine/label_writer.h"
#include "platform/messagebox/message_box.h"
#include "platform/text/utf.h"

namespace engine {
namespace {

constexpr char16_t kFailureTitle[] = u"Invalid Expression!";

std::u16string describe(const std::exception_ptr& failure, std::u16string_view operation) {
  try {
    std::rethrow_exception(failure);
  } catch (const com::Error& e) {
    if (!e.description().empty()) return e.description();
  } catch (...) {
  }
  return u"Unknown Error in " + std::u16string(operation) + u"!";
}

// Operations whose work comes with the label makers; until then they say
// so instead of pretending to succeed.
std::u16string notAvailable(std::u16string_view operation) {
  return std::u16string(operation) + u" is not available in this version of the labeling engine.";
}

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
    std::u16string message = describe(std::current_exception(), u"SetLabels");
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
      return fail(describe(std::current_exception(), u"ResetLabels"));
    } catch (...) {
      f_.LabelsValid = false;
      return false;
    }
  }
}

bool QVXCarrowind::MakeLabels(host::ILayer*, const std::u16string&) {
  try {
    return fail(notAvailable(u"MakeLabels"));
  } catch (...) {
    f_.LabelsValid = false;
    return false;
  }
}

bool QVXCarrowind::VerifyExpression(host::ILayer*, const std::u16string&, bool, bool) {
  try {
    return fail(notAvailable(u"VerifyExpression"));
  } catch (...) {
    f_.LabelsValid = false;
    return false;
  }
}

}  // namespace engine
