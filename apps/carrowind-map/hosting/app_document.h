#pragma once
// The application's one document object, as extensions and commands meet
// it: it stays the same object while the map documents behind it come and
// go (New, Open), so an extension that connected to its events at start-up
// hears of every later document, and a command that kept it at OnCreate
// always works on the current one. Everything else is the current map
// document's: its contents view, page layout, command bars (fresh for each
// document) and change state.
#include <cstdint>
#include <filesystem>
#include <functional>

#include "host/host.h"
#include "mapdoc/document.h"
#include "mapdoc/document_event_sinks.h"
#include "platform/com/object.h"

namespace carrowind::map {

class AppDocument
    : public com::Object<host::IMxDocument, host::IDocument, host::IDocumentDirty, host::IDocumentEventSource> {
 public:
  // The current map document; null before the first one is set.
  const host::Ref<mapdoc::MapDocument>& current() const { return document_; }
  // Puts another map document behind this object. Tells no listener: the
  // caller fires the events once the document is in place.
  void setCurrent(host::Ref<mapdoc::MapDocument> document, bool untitled);
  // A new document that has never been saved: Save must ask for a file.
  bool untitled() const { return untitled_; }
  void markSaved() { untitled_ = false; }

  // Tells every listener in turn; one that fails is handed to the failure
  // listener and the others are still told.
  void fireNewDocument() { sinks_.fireNewDocument(eventFailed_); }
  void fireOpenDocument() { sinks_.fireOpenDocument(eventFailed_); }
  void fireCloseDocument() { sinks_.fireCloseDocument(eventFailed_); }
  void setEventFailureListener(std::function<void(const std::exception&)> listener) {
    eventFailed_ = std::move(listener);
  }

  // Called when the document is marked as changed (SetDirty) or clean.
  void setDirtyListener(std::function<void()> listener) { dirtyListener_ = std::move(listener); }

  // IMxDocument
  host::Ref<host::IMap> FocusMap() override { return document_->FocusMap(); }
  host::Ref<host::IActiveView> ActiveView() override { return document_->ActiveView(); }
  host::Ref<host::IContentsView> CurrentContentsView() override { return document_->CurrentContentsView(); }
  host::Ref<host::IPageLayout> PageLayout() override { return document_->PageLayout(); }
  void UpdateContents() override { document_->UpdateContents(); }
  // IDocument
  host::Text Title() override;
  host::Ref<host::ICommandBars> CommandBars() override { return document_->CommandBars(); }
  // IDocumentDirty
  void SetDirty() override;
  bool IsDirty() override { return document_ && document_->IsDirty(); }
  void SetClean() override;
  // IDocumentEventSource
  std::uint32_t Advise(host::IDocumentEvents* sink) override { return sinks_.advise(sink); }
  void Unadvise(std::uint32_t cookie) override { sinks_.unadvise(cookie); }

 private:

  host::Ref<mapdoc::MapDocument> document_;
  bool untitled_ = false;
  std::function<void()> dirtyListener_;
  std::function<void(const std::exception&)> eventFailed_;
  mapdoc::DocumentEventSinks sinks_;
};

// A map document without layers, as File > New starts one; file is where
// relative data paths count from until it is saved.
host::Ref<mapdoc::MapDocument> emptyMapDocument(const std::filesystem::path& file);

}  // namespace carrowind::map
