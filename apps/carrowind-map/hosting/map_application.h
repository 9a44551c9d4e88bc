#pragma once
// The application object that extensions and commands are handed: its
// document is the application's one document object, its status bar the
// window's.
#include "apps/carrowind-map/hosting/app_document.h"
#include "host/host.h"
#include "platform/com/object.h"

namespace carrowind::map {

class MapApplication : public com::Object<host::IApplication> {
 public:
  MapApplication(host::Ref<AppDocument> document, host::Ref<host::IStatusBar> statusBar)
      : document_(std::move(document)), statusBar_(std::move(statusBar)) {}
  host::Text Name() override { return u"Carrowind Map"; }
  host::Ref<host::IDocument> Document() override { return document_; }
  host::Ref<host::IStatusBar> StatusBar() override { return statusBar_; }

 private:
  host::Ref<AppDocument> document_;
  host::Ref<host::IStatusBar> statusBar_;
};

}  // namespace carrowind::map
