#pragma once
// The status bar: message panes and the progress animation.
#include <map>

#include "host/host.h"
#include "platform/com/object.h"

namespace mapdoc {

class AnimationProgressor : public com::Object<host::IAnimationProgressor> {
 public:
  void Show() override { visible_ = true; }
  void Hide() override { visible_ = false; }
  void Play() override { playing_ = true; }
  void Stop() override { playing_ = false; }
  bool Visible() override { return visible_; }
  bool Playing() override { return playing_; }

 private:
  bool visible_ = false, playing_ = false;
};

class StatusBar : public com::Object<host::IStatusBar> {
 public:
  host::Text Message(int pane) override {
    auto it = messages_.find(pane);
    return it == messages_.end() ? host::Text() : it->second;
  }
  void Message(int pane, const host::Text& message) override { messages_[pane] = message; }
  host::Ref<host::IAnimationProgressor> ProgressAnimation() override { return progress_; }
  const host::Ref<AnimationProgressor>& progress() const { return progress_; }

 private:
  std::map<int, host::Text> messages_;
  host::Ref<AnimationProgressor> progress_ = com::make<AnimationProgressor>();
};

}  // namespace mapdoc
