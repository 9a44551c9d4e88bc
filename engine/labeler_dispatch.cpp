// The late-bound side of _QVXCarrowind: its operations by name, with the
// argument types and defaults a scripting client relies on.
#include "engine/labeler_object.h"
#include "platform/com/error.h"

namespace engine {
namespace {

using K = com::Variant::Kind;

// A layer argument: Nothing passes through (the operation reports it), any
// other object must be a layer.
host::Ref<host::ILayer> layerArgument(const com::Variant& v) {
  if (v.isEmpty() || !v.object()) return nullptr;
  auto layer = v.object().as<host::ILayer>();
  if (!layer) throw com::Error(com::DISP_E_TYPEMISMATCH, u"Type mismatch");
  return layer;
}

}  // namespace

const com::DispatchTable& QVXCarrowind::dispatch() {
  if (dispatch_) return *dispatch_;
  auto t = std::make_unique<com::DispatchTable>();
  auto flag = [t = t.get()](std::u16string name, std::u16string param, bool (QVXCarrowind::*get)(),
                            void (QVXCarrowind::*put)(bool), QVXCarrowind* self) {
    t->addGet(name, [self, get](const auto&) { return com::Variant((self->*get)()); });
    t->addPut(name, {std::move(param), K::Bool, {}}, [self, put](const auto& a) {
      (self->*put)(a[0].boolean());
      return com::Variant();
    });
  };
  // Declared in the interface's slot order, so the identifiers follow it.
  flag(u"ShowMessages", u"DisplayMessages", &QVXCarrowind::ShowMessages, &QVXCarrowind::ShowMessages, this);
  flag(u"ApplyDefinitionQuery", u"ApplyDefinition", &QVXCarrowind::ApplyDefinitionQuery,
       &QVXCarrowind::ApplyDefinitionQuery, this);
  flag(u"ApplySelectionSet", u"ApplySelection", &QVXCarrowind::ApplySelectionSet, &QVXCarrowind::ApplySelectionSet,
       this);
  t->addGet(u"Labels", [this](const auto&) { return com::Variant(Labels()); });
  t->addGet(u"OriginalLabels", [this](const auto&) { return com::Variant(OriginalLabels()); });
  t->addGet(u"Message", [this](const auto&) { return com::Variant(Message()); });
  t->addGet(u"SkippedLegendItems", [this](const auto&) { return com::Variant(SkippedLegendItems()); });
  t->addMethod(u"ResetLabels", {{u"pLayer", K::Object, {}}},
               [this](const auto& a) { return com::Variant(ResetLabels(layerArgument(a[0]).get())); });
  t->addMethod(u"SetLabels", {{u"pLayer", K::Object, {}}},
               [this](const auto& a) { return com::Variant(SetLabels(layerArgument(a[0]).get())); });
  t->addMethod(u"MakeLabels", {{u"pLayer", K::Object, {}}, {u"pExpression", K::Text, {}}}, [this](const auto& a) {
    return com::Variant(MakeLabels(layerArgument(a[0]).get(), a[1].text()));
  });
  t->addMethod(u"VerifyExpression",
               {{u"pLayer", K::Object, {}},
                {u"pExpression", K::Text, {}},
                {u"pMakeSampleLabel", K::Bool, com::Variant(false)},
                {u"pShowLabelingInstructions", K::Bool, com::Variant(false)}},
               [this](const auto& a) {
                 return com::Variant(
                     VerifyExpression(layerArgument(a[0]).get(), a[1].text(), a[2].boolean(), a[3].boolean()));
               });
  flag(u"UpdateAllOtherValues", u"AllOtherValues", &QVXCarrowind::UpdateAllOtherValues,
       &QVXCarrowind::UpdateAllOtherValues, this);
  t->addGet(u"WrapTextIfLongerThan", [this](const auto&) { return com::Variant(WrapTextIfLongerThan()); });
  t->addPut(u"WrapTextIfLongerThan", {u"WrapLength", K::Int16, {}}, [this](const auto& a) {
    WrapTextIfLongerThan(a[0].int16());
    return com::Variant();
  });
  dispatch_ = std::move(t);
  return *dispatch_;
}

com::HRESULT QVXCarrowind::GetIDsOfNames(std::u16string_view name, com::DISPID* id) {
  try {
    return dispatch().GetIDsOfNames(name, id);
  } catch (...) {
    return com::E_OUTOFMEMORY;
  }
}

com::HRESULT QVXCarrowind::Invoke(com::DISPID id, std::uint16_t flags, const std::vector<com::Variant>& args,
                                  com::Variant* result, com::ExceptionInfo* excepInfo, std::uint32_t* argErr) {
  try {
    return dispatch().Invoke(id, flags, args, result, excepInfo, argErr);
  } catch (...) {
    return com::E_OUTOFMEMORY;
  }
}

}  // namespace engine
