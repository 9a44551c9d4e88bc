#pragma once
// The labeling command: enabled for a feature layer whose renderer the
// engine can label; a click prepares the labeling dialog for the layer
// selected in the table of contents and shows it modally.
#include "host/extension.h"
#include "hostui/server_lock.h"
#include "platform/com/object.h"

namespace hostui {

class clsQVXCWCommand : public com::Object<host::ICommand> {
 public:
  bool Enabled() override;
  bool Checked() override { return false; }
  host::Text Name() override { return u"Quorvex_CarrowindCommand"; }
  host::Text Caption() override { return u"Carrowind Labels..."; }
  host::Text Tooltip() override { return u"Carrowind Labels"; }
  host::Text Message() override {
    return u"Allows legend symbol labels to be defined by an expression (enabled and disabled by the Quorvex's "
           u"Carrowind extension).";
  }
  host::Text HelpFile() override;
  std::int32_t HelpContextID() override;
  std::intptr_t Bitmap() override;
  host::Text Category() override { return u"Quorvex Tools"; }
  void OnCreate(host::IUnknown* hook) override;
  void OnClick() override;

 private:
  host::Ref<host::IApplication> m_pApp;
  host::Ref<host::IMxDocument> m_pMxDoc;
  ServerLock::ObjectReference lock_;
};

// The field names the dialog lists for a table: "$$LABEL", "$$VALUE", then
// every field in table order except one named exactly "Shape".
std::vector<host::Text> labelFieldEntries(host::ITable* displayTable);

}  // namespace hostui
