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

std::uint32_t AppDocument::Advise(host::IDocumentEvents* sink) {
  if (!sink) return 0;
  sinks_.emplace(nextCookie_, host::Ref<host::IDocumentEvents>(sink));
  return nextCookie_++;
}

void AppDocument::Unadvise(std::uint32_t cookie) { sinks_.erase(cookie); }

template <class F>
void AppDocument::fire(F event) {
  auto sinks = sinks_;  // a listener may unadvise while called
  for (auto& [cookie, sink] : sinks) {
    try {
      event(sink.get());
    } catch (const std::exception& e) {
      if (eventFailed_) eventFailed_(e);
    }
  }
}

void AppDocument::fireNewDocument() { fire([](host::IDocumentEvents* s) { s->NewDocument(); }); }
void AppDocument::fireOpenDocument() { fire([](host::IDocumentEvents* s) { s->OpenDocument(); }); }
void AppDocument::fireCloseDocument() { fire([](host::IDocumentEvents* s) { s->CloseDocument(); }); }

}  // namespace carrowind::map
