#pragma once
// The table of contents: which item is selected and what was redrawn.
#include <functional>

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
    if (listener_) listener_(item);
  }
  // A window showing the table of contents redraws when told; called after
  // every Refresh with its item. Empty for none.
  void setRefreshListener(std::function<void(const host::Value&)> listener) { listener_ = std::move(listener); }
  int refreshes() const { return refreshes_; }
  int fullRefreshes() const { return fullRefreshes_; }

 private:
  host::Value selected_;
  std::function<void(const host::Value&)> listener_;
  int refreshes_ = 0, fullRefreshes_ = 0;
};

}  // namespace mapdoc
