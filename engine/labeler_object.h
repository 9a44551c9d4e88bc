#pragma once
// QVXCarrowind, the implementation of _QVXCarrowind inside the engine
// library: its fields, SetLabels and ResetLabels, and its dispatch table.
#include <memory>

#include "engine/labeler.h"
#include "engine/labeler_fields.h"
#include "engine/module_lock.h"
#include "platform/com/dispatch_table.h"
#include "platform/com/object.h"

namespace engine {

class QVXCarrowind : public com::Object<_QVXCarrowind, ISampleLabel> {
 public:
  QVXCarrowind() = default;

  bool ShowMessages() override { return f_.ShowMessages; }
  void ShowMessages(bool DisplayMessages) override { f_.ShowMessages = DisplayMessages; }
  bool ApplyDefinitionQuery() override { return f_.ApplyDefinitionQuery; }
  void ApplyDefinitionQuery(bool ApplyDefinition) override { f_.ApplyDefinitionQuery = ApplyDefinition; }
  bool ApplySelectionSet() override { return f_.ApplySelectionSet; }
  void ApplySelectionSet(bool ApplySelection) override { f_.ApplySelectionSet = ApplySelection; }
  com::ComPtr<IStringCollection> Labels() override;
  com::ComPtr<IStringCollection> OriginalLabels() override;
  std::u16string Message() override { return f_.Message; }
  std::u16string SampleLabel() override;
  bool SkippedLegendItems() override { return f_.SkippedLegendItems; }
  bool ResetLabels(host::ILayer* pLayer) override;
  bool SetLabels(host::ILayer* pLayer) override;
  bool MakeLabels(host::ILayer* pLayer, const std::u16string& pExpression) override;
  bool VerifyExpression(host::ILayer* pLayer, const std::u16string& pExpression, bool pMakeSampleLabel = false,
                        bool pShowLabelingInstructions = false) override;
  bool UpdateAllOtherValues() override { return f_.UpdateAllOtherValues; }
  void UpdateAllOtherValues(bool AllOtherValues) override { f_.UpdateAllOtherValues = AllOtherValues; }
  std::int16_t WrapTextIfLongerThan() override { return f_.WrapTextIfLongerThan; }
  void WrapTextIfLongerThan(std::int16_t WrapLength) override { f_.WrapTextIfLongerThan = WrapLength; }

  // IDispatch, by the operation names above.
  com::HRESULT GetIDsOfNames(std::u16string_view name, com::DISPID* id) override;
  com::HRESULT Invoke(com::DISPID id, std::uint16_t flags, const std::vector<com::Variant>& args,
                      com::Variant* result, com::ExceptionInfo* excepInfo, std::uint32_t* argErr) override;

  // The object's fields, for the engine's private operations and tests.
  LabelerFields& fields() { return f_; }

 private:
  // Ends a public operation that failed: Message, LabelsValid, and the
  // message box when ShowMessages is set.
  bool fail(std::u16string message);
  const com::DispatchTable& dispatch();

  LabelerFields f_;
  std::unique_ptr<com::DispatchTable> dispatch_;
  ModuleLock::ObjectReference moduleRef_;
};

}  // namespace engine
