#pragma once
// The table of contents: which item is selected and what was redrawn.
#include "host/host.h"
#include "platform/com/object.h"

namespace mapdoc {

class ContentsView : public com::Object<host::IContentsView> {
 public:
  host::Text Name() override { return u"Display"; }
  host::Value SelectedItem() override { return selected_; }
  void SelectedItem(const host::Value& item) override { selected_ = item; }
  void Refresh(const host::Value& item) override {
    ++refreshes_;
    if (item.isEmpty() || item.isNull()) ++fullRefreshes_;
  }
  int refreshes() const { return refreshes_; }
  int fullRefreshes() const { return fullRefreshes_; }

 private:
  host::Value selected_;
  int refreshes_ = 0, fullRefreshes_ = 0;
};

}  // namespace mapdoc
