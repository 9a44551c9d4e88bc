#include "apps/carrowind-map/hosting/app_document.h"

namespace carrowind::map {

host::Ref<mapdoc::MapDocument> emptyMapDocument(const std::filesystem::path& file) {
  return mapdoc::MapDocument::fromJson({{"format", "carrowind-map"}, {"version", 1}, {"layers", mapdoc::Json::array()}},
                                       file);
}

void AppDocument::setCurrent(host::Ref<mapdoc::MapDocument> document, bool untitled) {
  document_ = std::move(document);
  untitled_ = untitled;
}

host::Text AppDocument::Title() { return untitled_ ? host::Text(u"Untitled") : document_->Title(); }

void AppDocument::SetDirty() {
  document_->SetDirty();
  if (dirtyListener_) dirtyListener_();
}

void AppDocument::SetClean() {
  document_->SetClean();
  if (dirtyListener_) dirtyListener_();
}

}  // namespace carrowind::map
