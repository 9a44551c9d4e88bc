#include "platform/shell/shell_open.h"

#include <gtest/gtest.h>

#include <vector>

namespace sh = platform::shell;

namespace {

class Recorder {
 public:
  explicit Recorder(bool succeed = true)
      : previous_(sh::setHandler([this, succeed](const std::u16string& a) {
          opened.push_back(a);
          return succeed;
        })) {}
  ~Recorder() { sh::setHandler(std::move(previous_)); }
  std::vector<std::u16string> opened;

 private:
  sh::Handler previous_;
};

}  // namespace

TEST(ShellAddress, WebAndMailAddressesPassInAnyCase) {
  EXPECT_EQ(sh::checkedAddress(u"https://www.quorvex.com/carrowind").value(), u"https://www.quorvex.com/carrowind");
  EXPECT_EQ(sh::checkedAddress(u"HTTP://quorvex.com").value(), u"HTTP://quorvex.com");
  EXPECT_EQ(sh::checkedAddress(u"MailTo:support@quorvex.com").value(), u"MailTo:support@quorvex.com");
  EXPECT_EQ(sh::checkedAddress(u"  mailto:support@quorvex.com \r\n").value(), u"mailto:support@quorvex.com");
  EXPECT_EQ(sh::checkedAddress(u"www.quorvex.com").value(), u"http://www.quorvex.com");
}

TEST(ShellAddress, AnythingElseIsNeverOpened) {
  for (std::u16string_view refused :
       {u"", u"   ", u"http://", u"mailto:", u"www.", u"file:///etc/passwd", u"/usr/bin/xterm", u"calc.exe",
        u"javascript:alert(1)", u"ftp://quorvex.com", u"http://quorvex.com\n--help", u"mailto:a@b\x01"}) {
    EXPECT_FALSE(sh::checkedAddress(refused)) << std::string(refused.begin(), refused.end());
  }
}

TEST(ShellOpen, RefusedAddressesNeverReachTheDesktop) {
  Recorder desktop;
  EXPECT_FALSE(sh::open(u"file:///etc/passwd"));
  EXPECT_FALSE(sh::open(u"rm -rf ~"));
  EXPECT_TRUE(desktop.opened.empty());
}

TEST(ShellOpen, TheDesktopGetsTheCheckedAddressAndItsFailureIsReturned) {
  {
    Recorder desktop;
    EXPECT_TRUE(sh::open(u" www.quorvex.com "));
    EXPECT_TRUE(sh::open(u"mailto:support@quorvex.com"));
    EXPECT_EQ(desktop.opened, (std::vector<std::u16string>{u"http://www.quorvex.com", u"mailto:support@quorvex.com"}));
  }
  Recorder failing(false);
  EXPECT_FALSE(sh::open(u"https://quorvex.com"));
  EXPECT_EQ(failing.opened.size(), 1u);
}
