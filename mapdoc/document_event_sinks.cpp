#include "mapdoc/document_event_sinks.h"

namespace mapdoc {

std::uint32_t DocumentEventSinks::advise(host::IDocumentEvents* sink) {
  if (!sink) return 0;
  sinks_.emplace(nextCookie_, host::Ref<host::IDocumentEvents>(sink));
  return nextCookie_++;
}

void DocumentEventSinks::unadvise(std::uint32_t cookie) { sinks_.erase(cookie); }

void DocumentEventSinks::fire(void (host::IDocumentEvents::*event)(), const Failure& onFailure) {
  auto sinks = sinks_;  // a listener may unadvise while called
  for (auto& [cookie, sink] : sinks) {
    if (!onFailure) {
      (sink.get()->*event)();
      continue;
    }
    try {
      (sink.get()->*event)();
    } catch (const std::exception& e) {
      onFailure(e);
    }
  }
}

void DocumentEventSinks::fireNewDocument(const Failure& onFailure) { fire(&host::IDocumentEvents::NewDocument, onFailure); }
void DocumentEventSinks::fireOpenDocument(const Failure& onFailure) {
  fire(&host::IDocumentEvents::OpenDocument, onFailure);
}
void DocumentEventSinks::fireCloseDocument(const Failure& onFailure) {
  fire(&host::IDocumentEvents::CloseDocument, onFailure);
}

}  // namespace mapdoc
