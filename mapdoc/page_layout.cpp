#include "mapdoc/page_layout.h"

namespace mapdoc {

host::Ref<host::IEnvelope> MapSurroundFrame::Geometry() {
  return com::make<Envelope>(bounds_->XMin(), bounds_->YMin(), bounds_->XMax(), bounds_->YMax());
}

void MapSurroundFrame::Geometry(host::IEnvelope* envelope) {
  if (envelope && !envelope->IsEmpty())
    bounds_->PutCoords(envelope->XMin(), envelope->YMin(), envelope->XMax(), envelope->YMax());
}

host::Ref<host::IElement> PageLayout::Next() {
  if (next_ >= frames_.size()) return nullptr;
  return frames_[next_++];
}

}  // namespace mapdoc
