#pragma once
// The labeler: the engine library's one creatable class. Clients create it
// by class identifier and use it through _QVXCarrowind, either bound (the
// virtual functions below, in the interface's slot order) or late-bound
// through IDispatch by operation name.
//
// No operation throws to its caller: a failure is a false result, with
// LabelsValid false and the reason in Message. Arguments are taken by value
// or const reference; the operations never write back into them.
#include <cstdint>
#include <memory>
#include <string>

#include "engine/labeler_fields.h"
#include "engine/module_lock.h"
#include "engine/string_collection.h"
#include "host/layer.h"
#include "platform/com/dispatch_table.h"

namespace engine {

inline const com::CLSID CLSID_QVXCarrowind = com::Guid::fromString("{33905C76-1D08-4853-A244-FEBA8FFA0444}");
inline constexpr char kProgID_QVXCarrowind[] = "QVXCRW.QVXCarrowind";
inline constexpr char16_t kLabelerHelpString[] = u"Quorvex Carrowind";

// NOLINTNEXTLINE(bugprone-reserved-identifier): the interface's published name
struct _QVXCarrowind : com::IDispatch {
  using ComBase = com::IDispatch;
  COM_INTERFACE("8C4F1E2B-6A3D-4B9E-A1C7-2D5E8F0B3A64")
  virtual bool ShowMessages() = 0;                                         // 1
  virtual void ShowMessages(bool DisplayMessages) = 0;                     // 2
  virtual bool ApplyDefinitionQuery() = 0;                                 // 3
  virtual void ApplyDefinitionQuery(bool ApplyDefinition) = 0;             // 4
  virtual bool ApplySelectionSet() = 0;                                    // 5
  virtual void ApplySelectionSet(bool ApplySelection) = 0;                 // 6
  virtual com::ComPtr<IStringCollection> Labels() = 0;                     // 7
  virtual com::ComPtr<IStringCollection> OriginalLabels() = 0;             // 8
  virtual std::u16string Message() = 0;                                    // 9
  virtual bool SkippedLegendItems() = 0;                                   // 10
  virtual bool ResetLabels(host::ILayer* pLayer) = 0;                      // 11
  virtual bool SetLabels(host::ILayer* pLayer) = 0;                        // 12
  virtual bool MakeLabels(host::ILayer* pLayer, const std::u16string& pExpression) = 0;  // 13
  virtual bool VerifyExpression(host::ILayer* pLayer, const std::u16string& pExpression,
                                bool pMakeSampleLabel = false, bool pShowLabelingInstructions = false) = 0;  // 14
  virtual bool UpdateAllOtherValues() = 0;                                 // 15
  virtual void UpdateAllOtherValues(bool AllOtherValues) = 0;              // 16
  virtual std::int16_t WrapTextIfLongerThan() = 0;                         // 17
  virtual void WrapTextIfLongerThan(std::int16_t WrapLength) = 0;          // 18
};

class QVXCarrowind : public com::Object<_QVXCarrowind> {
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
