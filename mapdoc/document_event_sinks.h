#pragma once
// The listeners connected to a document's events (IDocumentEventSource):
// each is known by the cookie it was given, and an event is told to them in
// the order they connected. A listener may disconnect while it is told.
#include <cstdint>
#include <exception>
#include <functional>
#include <map>

#include "host/host.h"

namespace mapdoc {

class DocumentEventSinks {
 public:
  // 0 for no listener.
  std::uint32_t advise(host::IDocumentEvents* sink);
  void unadvise(std::uint32_t cookie);

  // A listener that throws is handed to onFailure, when there is one, and
  // the others are still told; without one the exception ends the event.
  using Failure = std::function<void(const std::exception&)>;
  void fireNewDocument(const Failure& onFailure = {});
  void fireOpenDocument(const Failure& onFailure = {});
  void fireCloseDocument(const Failure& onFailure = {});

 private:
  void fire(void (host::IDocumentEvents::*event)(), const Failure& onFailure);

  std::map<std::uint32_t, host::Ref<host::IDocumentEvents>> sinks_;
  std::uint32_t nextCookie_ = 1;
};

}  // namespace mapdoc
