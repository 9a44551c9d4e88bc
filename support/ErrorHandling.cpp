#include "support/ErrorHandling.h"

#include "platform/beep/system_beep.h"
#include "platform/com/class_factory.h"
#include "platform/com/error.h"
#include "platform/messagebox/message_box.h"
#include "support/error_sink/error_sink.h"

namespace support::ErrorHandling {
namespace {

constexpr std::u16string_view kBreak = u"\r\n";

// True while an error travels up a chain whose error block has been added.
bool blockWritten = false;

com::ComPtr<IErrorSink>& sink() {
  static auto* s = new com::ComPtr<IErrorSink>;  // kept for the life of the server
  return *s;
}

std::u16string decimal(std::int32_t n) {
  const std::string s = std::to_string(n);
  return std::u16string(s.begin(), s.end());
}

std::u16string errorBlock(std::int32_t number, std::u16string_view description) {
  std::u16string t;
  t.append(kBreak).append(u"Error Number ").append(kBreak);
  t.append(u"\t").append(decimal(number)).append(kBreak);
  t.append(u"Description").append(kBreak);
  t.append(u"\t").append(description).append(kBreak).append(kBreak);
  return t;
}

}  // namespace

std::u16string LineText(std::int32_t line) { return line == 0 ? std::u16string() : u"Line : " + decimal(line); }

std::u16string Location(std::u16string_view procedure, std::u16string_view serverFile, std::int32_t line) {
  std::u16string t(procedure);
  t.append(u" ").append(serverFile).append(u" ").append(LineText(line));
  return t;
}

void ReportError(bool isTopLevel, std::u16string_view location, std::int32_t errorNumber,
                 std::u16string_view errorSource, std::u16string_view description, int mode, const com::Variant&,
                 const com::Variant&, const com::Variant&) {
  // There is no pending error state to clear: the caller's handler holds
  // the error it caught, and passes its values here.
  const std::u16string text = blockWritten ? std::u16string(description) : errorBlock(errorNumber, description);
  if (!isTopLevel) {
    blockWritten = true;
    std::u16string raised = u"\t";
    raised.append(location).append(kBreak).append(text);
    throw com::Error(static_cast<com::HRESULT>(errorNumber), std::move(raised), std::u16string(errorSource));
  }
  blockWritten = false;
  if (mode == 4) SendErrorReport(location, text);
  else ShowErrorReport(location, text);
}

void ShowErrorReport(std::u16string_view location, std::u16string_view text) {
  Beep();
  std::u16string message = u"An error has occured in the application.   Record the call stack sequence";
  message.append(kBreak).append(u"and the description of the error.").append(kBreak).append(kBreak);
  message.append(u"Error Call Stack Sequence ").append(kBreak);
  message.append(u"\t").append(location).append(kBreak).append(text);
  platform::messagebox::show(std::move(message), u"Unexpected Program Error", platform::messagebox::Icon::Exclamation,
                             platform::messagebox::Buttons::Ok);
}

void SendErrorReport(std::u16string_view location, std::u16string_view text) {
  auto& s = sink();
  if (!s) s = com::create<IErrorSink>(CLSID_ErrorSink());
  std::u16string report = u"Record Call Stack Sequence - Bottom line is error line.";
  report.append(kBreak).append(kBreak).append(u"\t").append(location).append(kBreak).append(text);
  com::check(s->Record(report), u"The error sink did not take the report");
  com::check(s->Send(true), u"The error sink could not write the report");
}

}  // namespace support::ErrorHandling
