#include "hostui/clsMainToolBar.h"

#include "hostui/class_ids.h"
#include "platform/text/utf.h"

namespace hostui {

void clsMainToolBar::GetItemInfo(int pos, host::IItemDef* itemDef) {
  if (pos == 0 && itemDef) itemDef->ID(text::fromUtf8(kProgID_clsQVXCWCommand));
}

}  // namespace hostui
