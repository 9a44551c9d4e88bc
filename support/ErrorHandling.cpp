#include "support/ErrorHandling.h"

#include <cstdio>

#include "platform/com/class_factory.h"
#include "platform/com/error.h"
#include "platform/messagebox/message_box.h"
#include "support/error_sink.h"

namespace support::ErrorHandling {
namespace {

constexpr std::u16string_view kCrLf = u"\r\n";

// True while an error travels up a chain whose block has been added.
bool blockWritten = false;

com::ComPtr<IErrorSink>& sink() {
  static auto* s = new com::ComPtr<IErrorSink>;  // kept for the life of the server
  return *s;
}

std::u16string decimal(std::int32_t n) {
  const std::string s = std::to_string(n);
  return std::u16string(s.begin(), s.end());
}

std::u16string errorBlock(std::int32_t number, const std::u16string& description) {
  std::u16string t;
  t += kCrLf;
  t += u"Error Number ";
  t += kCrLf;
  t += u'\t';
  t += decimal(number);
  t += kCrLf;
  t += u"Description";
  t += kCrLf;
  t += u'\t';
  t += description;
  t += kCrLf;
  t += kCrLf;
  return t;
}

}  // namespace

std::u16string LineText(std::int32_t line) { return line == 0 ? std::u16string() : u"Line : " + decimal(line); }

void ReportError(bool isTopLevel, const std::u16string& location, std::int32_t number, const std::u16string& source,
                 const std::u16string& description, int mode) {
  // The current error is the one passed in; nothing else is pending here.
  const std::u16string text = blockWritten ? description : errorBlock(number, description);
  if (!isTopLevel) {
    blockWritten = true;
    throw com::Error(static_cast<com::HRESULT>(number), u"\t" + location + std::u16string(kCrLf) + text, source);
  }
  blockWritten = false;
  if (mode == 4) SendErrorReport(location, text);
  else ShowErrorReport(location, text);
}

void ShowErrorReport(const std::u16string& location, const std::u16string& text) {
  std::fputc('\a', stderr);
  std::fflush(stderr);
  std::u16string message = u"An error has occured in the application.   Record the call stack sequence";
  message += kCrLf;
  message += u"and the description of the error.";
  message += kCrLf;
  message += kCrLf;
  message += u"Error Call Stack Sequence ";
  message += kCrLf;
  message += u'\t';
  message += location;
  message += kCrLf;
  message += text;
  platform::messagebox::show(message, u"Unexpected Program Error", platform::messagebox::Icon::Exclamation,
                             platform::messagebox::Buttons::Ok);
}

void SendErrorReport(const std::u16string& location, const std::u16string& text) {
  auto& s = sink();
  if (!s) s = com::create<IErrorSink>(errorSinkClsid());
  std::u16string report = u"Record Call Stack Sequence - Bottom line is error line.";
  report += kCrLf;
  report += kCrLf;
  report += u'\t';
  report += location;
  report += kCrLf;
  report += text;
  s->Record(report);
  s->Send(true);
}

}  // namespace support::ErrorHandling
