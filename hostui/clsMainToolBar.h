#pragma once
// The toolbar definition: one toolbar with the labeling command as its only
// item.
#include "host/extension.h"
#include "hostui/server_lock.h"
#include "platform/com/object.h"

namespace hostui {

class clsMainToolBar : public com::Object<host::IToolBarDef> {
 public:
  int ItemCount() override { return 1; }
  void GetItemInfo(int pos, host::IItemDef* itemDef) override;
  host::Text Name() override { return u"Carrowind Labels"; }
  host::Text Caption() override { return u"Carrowind Labels (Quorvex)"; }

 private:
  ServerLock::ObjectReference lock_;
};

}  // namespace hostui
