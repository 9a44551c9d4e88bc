#pragma once
// The application around one map document.
#include "mapdoc/document.h"

namespace mapdoc {

class Application : public com::Object<host::IApplication> {
 public:
  explicit Application(host::Ref<MapDocument> document) : document_(std::move(document)) {}
  ~Application() override { document_->applicationGone(this); }
  host::Text Name() override { return u"Carrowind Map"; }
  host::Ref<host::IDocument> Document() override { return document_; }
  host::Ref<host::IStatusBar> StatusBar() override { return document_->statusBar(); }

 private:
  host::Ref<MapDocument> document_;
};

}  // namespace mapdoc
