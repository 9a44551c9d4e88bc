#include "support/ErrorHandling.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "platform/com/class_factory.h"
#include "platform/com/error.h"
#include "platform/com/object.h"
#include "platform/messagebox/message_box.h"
#include "support/error_sink.h"

using namespace support::ErrorHandling;
namespace mb = platform::messagebox;

namespace {

std::vector<mb::Request> shown;
std::vector<std::u16string> recorded;
std::vector<bool> sent;

class RecordingSink : public com::Object<support::IErrorSink> {
 public:
  com::HRESULT Record(const std::u16string& report) override {
    recorded.push_back(report);
    return com::S_OK;
  }
  com::HRESULT Send(bool send) override {
    sent.push_back(send);
    return com::S_OK;
  }
};

class ErrorHandlingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    shown.clear();
    recorded.clear();
    sent.clear();
    previous_ = mb::setHandler([](const mb::Request& r) {
      shown.push_back(r);
      return mb::Result::Ok;
    });
  }
  void TearDown() override { mb::setHandler(previous_); }
  mb::Handler previous_;
};

const std::u16string kHead =
    u"An error has occured in the application.   Record the call stack sequence\r\n"
    u"and the description of the error.\r\n\r\nError Call Stack Sequence \r\n";
const std::u16string kBlock = u"\r\nError Number \r\n\t5\r\nDescription\r\n\tBad call\r\n\r\n";

// C fails at 30, B at 12, A at 7: each handler reports the error it caught.
void chain(int levels, int mode) {
  auto reportAt = [&](bool top, const std::u16string& where, const com::Error* caught) {
    if (caught)
      ReportError(top, where, static_cast<std::int32_t>(caught->code()), caught->source(), caught->description(), mode);
    else
      ReportError(top, where, 5, u"src", u"Bad call", mode);
  };
  const std::u16string names[] = {u"A QVXCRWUI.DLL " + LineText(7), u"B QVXCRWUI.DLL " + LineText(12),
                                  u"C QVXCRWUI.DLL " + LineText(30)};
  std::optional<com::Error> pending;
  for (int level = levels - 1; level >= 0; --level) {
    try {
      reportAt(level == 0, names[level], pending ? &*pending : nullptr);
      pending.reset();
    } catch (const com::Error& e) {
      pending = e;
    }
  }
  ASSERT_FALSE(pending);
}

TEST_F(ErrorHandlingTest, ReportListsLocationsOutermostFirst) {
  const std::u16string a = u"\tA QVXCRWUI.DLL Line : 7\r\n", b = u"\tB QVXCRWUI.DLL Line : 12\r\n",
                       c = u"\tC QVXCRWUI.DLL Line : 30\r\n";
  const std::pair<int, std::u16string> cases[] = {
      {1, kHead + a + kBlock}, {2, kHead + a + b + kBlock}, {3, kHead + a + b + c + kBlock}};
  for (const auto& [levels, expected] : cases) {
    shown.clear();
    chain(levels, 2);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, expected) << levels;
    EXPECT_EQ(shown[0].title, u"Unexpected Program Error");
    EXPECT_EQ(shown[0].icon, mb::Icon::Exclamation);
    EXPECT_EQ(shown[0].buttons, mb::Buttons::Ok);
  }
}

TEST_F(ErrorHandlingTest, NoLineReachedAndTwoErrorsInARow) {
  EXPECT_EQ(LineText(0), u"");
  EXPECT_EQ(LineText(42), u"Line : 42");
  for (int i = 0; i < 2; ++i) ReportError(true, u"ICommand_HelpFile QVXCRWUI.DLL " + LineText(0), 5, u"", u"Bad call", 3);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].text, kHead + u"\tICommand_HelpFile QVXCRWUI.DLL \r\n" + kBlock);
  EXPECT_EQ(shown[1].text, shown[0].text);
}

TEST_F(ErrorHandlingTest, HandOffGoesToTheSinkCreatedByClass) {
  EXPECT_THROW(ReportError(true, u"X", 5, u"", u"Bad call", 4), com::Error);  // nothing registered yet
  auto factory = com::make<com::ClassFactory<RecordingSink>>();
  const auto cookie = com::CoRegisterClassObject(support::errorSinkClsid(), factory.get());
  chain(2, 4);
  chain(1, 4);
  com::CoRevokeClassObject(cookie);
  EXPECT_TRUE(shown.empty());
  ASSERT_EQ(recorded.size(), 2u);
  EXPECT_EQ(recorded[0], u"Record Call Stack Sequence - Bottom line is error line.\r\n\r\n"
                         u"\tA QVXCRWUI.DLL Line : 7\r\n\tB QVXCRWUI.DLL Line : 12\r\n" + kBlock);
  EXPECT_EQ(sent, (std::vector<bool>{true, true}));
}

}  // namespace
