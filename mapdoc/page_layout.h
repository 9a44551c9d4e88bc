#pragma once
// The page: its size, its elements (frames holding legends) and the redraws
// asked of it.
#include <functional>
#include <vector>

#include "mapdoc/envelope.h"
#include "mapdoc/legend.h"

namespace mapdoc {

class ScreenDisplay : public com::Object<host::IScreenDisplay> {
 public:
  double DotsPerInch() override { return 96.0; }
};

// An element holding a map surround, with its place on the page: the lower
// left corner and the size, in inches, as the document holds them. Its
// geometry answers the size as kept, not as the difference of two corners,
// which would carry binary noise (2.0999999999999996) into the document.
class MapSurroundFrame : public com::Object<host::IElement, host::IMapSurroundFrame> {
 public:
  MapSurroundFrame(host::Ref<host::IMapSurround> surround, double x, double y, double w, double h)
      : surround_(std::move(surround)), x_(x), y_(y), width_(w), height_(h) {}
  host::Ref<host::IEnvelope> Geometry() override;
  // A new place: what did not move (to within arithmetic noise) keeps its
  // number; the rest is rounded to a thousandth of an inch, finer than any
  // printer places a frame, so that the saved document shows 2.1, not the
  // arithmetic's 2.0999999999999996.
  void Geometry(host::IEnvelope* envelope) override;
  host::Ref<host::IMapSurround> MapSurround() override { return surround_; }

 private:
  host::Ref<host::IMapSurround> surround_;
  double x_, y_, width_, height_;
};

struct PartialRefresh {
  int phase;
  bool withData;
  bool withEnvelope;
};

class PageLayout : public com::Object<host::IPageLayout, host::IGraphicsContainer, host::IActiveView> {
 public:
  double PageWidth() override { return 8.5; }
  double PageHeight() override { return 11.0; }
  void Reset() override { next_ = 0; }
  host::Ref<host::IElement> Next() override;
  void Refresh() override {
    ++refreshes_;
    if (listener_) listener_();
  }
  void PartialRefresh(int phase, host::IUnknown* data, host::IEnvelope* env) override {
    partials_.push_back({phase, data != nullptr, env != nullptr});
    if (listener_) listener_();
  }
  // A window showing the page redraws when told; called after every
  // Refresh and PartialRefresh. Empty for none.
  void setRefreshListener(std::function<void()> listener) { listener_ = std::move(listener); }
  host::Ref<host::IScreenDisplay> ScreenDisplay() override { return display_; }
  // The display that draws the page (one that measures legends, say); null
  // goes back to the plain one.
  void setScreenDisplay(host::Ref<host::IScreenDisplay> display) {
    display_ = display ? std::move(display) : host::Ref<host::IScreenDisplay>(com::make<mapdoc::ScreenDisplay>());
  }

  void add(host::Ref<MapSurroundFrame> frame) { frames_.push_back(std::move(frame)); }
  const std::vector<host::Ref<MapSurroundFrame>>& frames() const { return frames_; }
  const std::vector<mapdoc::PartialRefresh>& partialRefreshes() const { return partials_; }
  int refreshes() const { return refreshes_; }

 private:
  std::vector<host::Ref<MapSurroundFrame>> frames_;
  std::size_t next_ = 0;
  std::vector<mapdoc::PartialRefresh> partials_;
  std::function<void()> listener_;
  int refreshes_ = 0;
  host::Ref<host::IScreenDisplay> display_ = com::make<mapdoc::ScreenDisplay>();
};

}  // namespace mapdoc
