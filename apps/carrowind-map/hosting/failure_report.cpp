#include "apps/carrowind-map/hosting/failure_report.h"

#include <iostream>

#include "platform/com/class_factory.h"
#include "platform/com/error.h"
#include "platform/messagebox/message_box.h"
#include "platform/text/utf.h"
#include "support/error_sink/error_sink.h"

namespace carrowind::map {
namespace {

// Best effort: an installation without the sink still shows and logs.
void sendToErrorSink(const std::u16string& report) {
  try {
    com::ComPtr<support::IErrorSink> sink;
    if (com::failed(com::CoCreateInstance(support::CLSID_ErrorSink(), nullptr, support::IErrorSink::iid(), sink.put())) ||
        !sink)
      return;
    if (com::succeeded(sink->Record(report))) sink->Send(true);
  } catch (...) {
  }
}

}  // namespace

void reportFailure(std::u16string_view action, std::u16string_view message) {
  const std::u16string text(message.empty() ? std::u16string_view(u"Unknown error") : message);
  std::cerr << "carrowind-map: " << text::toUtf8(std::u16string(action)) << ": " << text::toUtf8(text) << std::endl;
  sendToErrorSink(u"carrowind-map: " + std::u16string(action) + u": " + text);
  platform::messagebox::show(text, std::u16string(action), platform::messagebox::Icon::Critical);
}

std::u16string currentFailureText() {
  try {
    throw;
  } catch (const com::Error& e) {
    return e.description();
  } catch (const std::exception& e) {
    return text::fromUtf8(e.what());
  } catch (...) {
    return u"An unknown error occurred.";
  }
}

}  // namespace carrowind::map
