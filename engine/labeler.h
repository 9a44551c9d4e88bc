#pragma once
// The labeler's interface, all a client of the engine library needs: the
// class identifier of QVXCarrowind and _QVXCarrowind, used either bound (the
// virtual functions below, in the interface's slot order) or late-bound
// through IDispatch by operation name. Clients create the object by class
// identifier and never see its implementation.
//
// No operation throws to its caller: a failure is a false result, with
// LabelsValid false and the reason in Message. Arguments are taken by value
// or const reference; the operations never write back into them.
#include <cstdint>
#include <string>

#include "engine/label_collection.h"
#include "host/layer.h"
#include "platform/com/dispatch.h"

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

// Beside the labeler's interface, for clients that show the sample label
// apart from the verification report: the label the last verification made,
// as made (lines end with "\r\n"); empty before one.
struct ISampleLabel : com::IUnknown {
  COM_INTERFACE("02914D87-90A4-484A-B796-C1268C70B704")
  virtual std::u16string SampleLabel() = 0;
};

}  // namespace engine
