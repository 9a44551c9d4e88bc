// Call-stack error reports, byte for byte: one, two and three levels, the
// no-line case, two errors in a row, both output modes.
#include "support/ErrorHandling.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/beep/system_beep.h"
#include "platform/com/class_factory.h"
#include "platform/com/error.h"
#include "platform/messagebox/message_box.h"
#include "support/error_sink/error_sink.h"

namespace support::ErrorHandling {
namespace {

namespace mb = platform::messagebox;

// What happened, in order: "beep", "box", "record", "send true".
std::vector<std::string> events;
std::vector<mb::Request> boxes;
std::vector<std::u16string> reports;

class RecordingSink : public com::Object<IErrorSink> {
 public:
  com::HRESULT Record(const std::u16string& report) override {
    events.push_back("record");
    reports.push_back(report);
    return com::S_OK;
  }
  com::HRESULT Send(bool send) override {
    events.push_back(send ? "send true" : "send false");
    return com::S_OK;
  }
};

const std::u16string kIntro =
    u"An error has occured in the application.   Record the call stack sequence\r\n"
    u"and the description of the error.\r\n\r\n"
    u"Error Call Stack Sequence \r\n";

std::u16string block(const std::u16string& number, const std::u16string& description) {
  return u"\r\nError Number \r\n\t" + number + u"\r\nDescription\r\n\t" + description + u"\r\n\r\n";
}

class ErrorReport : public ::testing::Test {
 protected:
  void SetUp() override {
    events.clear();
    boxes.clear();
    reports.clear();
    oldBox = mb::setHandler([](const mb::Request& r) {
      events.push_back("box");
      boxes.push_back(r);
      return mb::Result::Ok;
    });
    oldBeep = setBeepHandler([] { events.push_back("beep"); });
    static const bool registered = [] {
      com::CoRegisterClassObject(CLSID_ErrorSink(), com::make<com::ClassFactory<RecordingSink>>().get());
      return true;
    }();
    (void)registered;
  }
  void TearDown() override {
    mb::setHandler(oldBox);
    setBeepHandler(oldBeep);
  }
  mb::Handler oldBox;
  BeepHandler oldBeep;
};

// A procedure in the style the report expects: it numbers its statements
// and reports from its handler.
void procedure(const std::u16string& name, std::int32_t failAt, bool top, int mode, const std::function<void()>& body) {
  std::int32_t line = 0;
  try {
    line = failAt;
    body();
  } catch (const com::Error& e) {
    ReportError(top, Location(name, u"QVXCRWUI.DLL", line), e.code(), e.source(), e.description(), mode);
  }
}

void failing(std::int32_t number, const std::u16string& description) {
  throw com::Error(number, description, u"QVXCRWUI");
}

TEST(LineText, NumbersAndTheUnnumberedCase) {
  EXPECT_EQ(LineText(0), u"");
  EXPECT_EQ(LineText(12), u"Line : 12");
  EXPECT_EQ(LineText(-3), u"Line : -3");
  EXPECT_EQ(Location(u"ICommand_HelpFile", u"QVXCRWUI.DLL", 20), u"ICommand_HelpFile QVXCRWUI.DLL Line : 20");
  EXPECT_EQ(Location(u"ICommand_HelpContextID", u"QVXCRWUI.DLL", 0), u"ICommand_HelpContextID QVXCRWUI.DLL ");
}

TEST_F(ErrorReport, OneLevelShowsABoxAfterTheBeep) {
  procedure(u"ICommand_HelpFile", 10, true, 2, [] { failing(53, u"File not found"); });
  ASSERT_EQ(events, (std::vector<std::string>{"beep", "box"}));
  EXPECT_EQ(boxes[0].title, u"Unexpected Program Error");
  EXPECT_EQ(boxes[0].icon, mb::Icon::Exclamation);
  EXPECT_EQ(boxes[0].buttons, mb::Buttons::Ok);
  EXPECT_EQ(boxes[0].text, kIntro + u"\tICommand_HelpFile QVXCRWUI.DLL Line : 10\r\n" + block(u"53", u"File not found"));
}

TEST_F(ErrorReport, TwoLevelsListTheCallerFirst) {
  // B fails at its statement 12 and is not the top; A catches at 7.
  procedure(u"ProcA", 7, true, 2, [] {
    procedure(u"ProcB", 12, false, 2, [] { failing(5, u"Invalid procedure call or argument"); });
  });
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, kIntro +
                               u"\tProcA QVXCRWUI.DLL Line : 7\r\n"
                               u"\tProcB QVXCRWUI.DLL Line : 12\r\n" +
                               block(u"5", u"Invalid procedure call or argument"));
}

TEST_F(ErrorReport, TheRaisedErrorKeepsNumberAndSource) {
  try {
    ReportError(false, u"ProcB QVXCRWUI.DLL Line : 3", -2147467259, u"esriCore", u"Automation error", 2);
    FAIL() << "not raised";
  } catch (const com::Error& e) {
    EXPECT_EQ(e.code(), static_cast<com::HRESULT>(0x80004005u));
    EXPECT_EQ(e.source(), u"esriCore");
    EXPECT_EQ(e.description(), u"\tProcB QVXCRWUI.DLL Line : 3\r\n" + block(u"-2147467259", u"Automation error"));
  }
  // The chain ends here, at the top.
  ReportError(true, u"Top QVXCRWUI.DLL ", 1, u"", u"\tgiven text", 3);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, kIntro + u"\tTop QVXCRWUI.DLL \r\n\tgiven text");
}

TEST_F(ErrorReport, ThreeLevelsHandedToTheSink) {
  procedure(u"ICommand_HelpContextID", 0, true, 4, [] {
    procedure(u"Middle", 30, false, 4, [] {
      procedure(u"Bottom", 40, false, 4, [] { failing(91, u"Object variable not set"); });
    });
  });
  EXPECT_TRUE(boxes.empty());
  ASSERT_EQ(events, (std::vector<std::string>{"record", "send true"}));
  EXPECT_EQ(reports[0],
            u"Record Call Stack Sequence - Bottom line is error line.\r\n\r\n"
            u"\tICommand_HelpContextID QVXCRWUI.DLL \r\n"
            u"\tMiddle QVXCRWUI.DLL Line : 30\r\n"
            u"\tBottom QVXCRWUI.DLL Line : 40\r\n" +
                block(u"91", u"Object variable not set"));
}

TEST_F(ErrorReport, TwoErrorsInARowEachGetTheirOwnBlock) {
  procedure(u"ProcA", 1, true, 2, [] { procedure(u"ProcB", 2, false, 2, [] { failing(11, u"Division by zero"); }); });
  procedure(u"ProcC", 3, true, 0, [] { failing(13, u"Type mismatch"); });
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1].text, kIntro + u"\tProcC QVXCRWUI.DLL Line : 3\r\n" + block(u"13", u"Type mismatch"));
}

}  // namespace
}  // namespace support::ErrorHandling
