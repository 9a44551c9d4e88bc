#include "hostui/clsExtension.h"

#include "host/classes.h"
#include "hostui/class_ids.h"
#include "platform/com/class_factory.h"
#include "platform/com/error.h"
#include "platform/text/utf.h"

namespace hostui {

// Forwards the document's events to the extension. It holds the extension
// weakly: the extension owns the connection and breaks it before it goes.
class clsExtension::DocumentEvents : public com::Object<host::IDocumentEvents> {
 public:
  explicit DocumentEvents(clsExtension* owner) : owner_(owner) {}
  void NewDocument() override {
    if (owner_) owner_->addCommandToContextMenu();
  }
  void OpenDocument() override {
    if (owner_) owner_->addCommandToContextMenu();
  }
  void CloseDocument() override {}
  void forget() { owner_ = nullptr; }

 private:
  clsExtension* owner_;
};

clsExtension::clsExtension() = default;

clsExtension::~clsExtension() { disconnect(); }

void clsExtension::Startup(host::Value& initializationData) {
  m_pApp = initializationData.isObject() ? initializationData.object().as<host::IApplication>() : nullptr;
  if (!m_pApp) throw com::Error(com::E_NOINTERFACE, u"The initialization data is not the application");
  m_pMxDoc = m_pApp->Document().as<host::IMxDocument>();
  disconnect();
  eventSource_ = m_pMxDoc.as<host::IDocumentEventSource>();
  if (!eventSource_) throw com::Error(com::E_NOINTERFACE, u"The document sends no events");
  auto sink = com::make<DocumentEvents>(this);
  cookie_ = eventSource_->Advise(sink.get());
  m_pDocEvents = sink;
}

void clsExtension::Shutdown() {
  disconnect();
  m_pApp = nullptr;
  m_pMxDoc = nullptr;
}

void clsExtension::disconnect() {
  if (m_pDocEvents) static_cast<DocumentEvents*>(m_pDocEvents.get())->forget();
  if (eventSource_ && cookie_) eventSource_->Unadvise(cookie_);
  eventSource_ = nullptr;
  m_pDocEvents = nullptr;
  cookie_ = 0;
}

// Every new or opened document adds the command once more; the host's menu
// decides what a second entry means.
void clsExtension::addCommandToContextMenu() {
  if (!m_pApp) return;
  auto document = m_pApp->Document();
  if (!document) return;
  auto bars = document->CommandBars();
  if (!bars) return;
  auto uid = com::create<host::IUID>(host::CLSID_UID);
  uid->Value(u"esriCore.FeatureLayerContextMenu");
  auto menu = bars->Find(uid.get(), false, false).as<host::ICommandBar>();
  if (!menu) return;
  uid->Value(text::fromUtf8(kProgID_clsQVXCWCommand));
  menu->Add(uid.get(), host::Value{});
}

}  // namespace hostui
