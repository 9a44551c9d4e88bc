#pragma once
// The extension: started by the host with the application, it watches the
// document and puts the labeling command on the feature layer context menu
// each time a document is created or opened.
#include "host/extension.h"
#include "hostui/server_lock.h"
#include "platform/com/object.h"

namespace hostui {

class clsExtension : public com::Object<host::IExtension> {
 public:
  clsExtension();
  ~clsExtension() override;

  host::Text Name() override { return u"QVXCRWUI"; }
  void Startup(host::Value& initializationData) override;
  void Shutdown() override;

 private:
  class DocumentEvents;
  void addCommandToContextMenu();
  void disconnect();

  host::Ref<host::IApplication> m_pApp;
  host::Ref<host::IMxDocument> m_pMxDoc;
  // The connection to the document's events: the sink and its cookie.
  host::Ref<host::IDocumentEvents> m_pDocEvents;
  host::Ref<host::IDocumentEventSource> eventSource_;
  std::uint32_t cookie_ = 0;
  ServerLock::ObjectReference lock_;
};

}  // namespace hostui
