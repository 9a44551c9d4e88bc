// The boxes without a window: asked on a terminal when there is one,
// cancelled when nobody can answer.
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "platform/filedialog/file_dialog.h"
#include "platform/inputbox/input_box.h"

namespace ib = platform::inputbox;
namespace fd = platform::filedialog;

namespace {

// Puts another file on standard input for one test.
class StdinFrom {
 public:
  explicit StdinFrom(int fd) : saved_(::dup(STDIN_FILENO)) {
    ::dup2(fd, STDIN_FILENO);
    std::cin.clear();
    std::clearerr(stdin);
  }
  ~StdinFrom() {
    ::dup2(saved_, STDIN_FILENO);
    ::close(saved_);
    std::cin.clear();
    std::clearerr(stdin);
  }

 private:
  int saved_;
};

// A terminal whose keyboard the test types on.
class Terminal {
 public:
  Terminal() {
    if (::openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0) master_ = slave_ = -1;
  }
  ~Terminal() {
    if (master_ >= 0) ::close(master_);
    if (slave_ >= 0) ::close(slave_);
  }
  bool ok() const { return master_ >= 0; }
  int slave() const { return slave_; }
  void type(const std::string& keys) { ASSERT_EQ(::write(master_, keys.data(), keys.size()), ssize_t(keys.size())); }

 private:
  int master_ = -1, slave_ = -1;
};

}  // namespace

TEST(InputBoxWithoutWindow, NobodyToAnswerIsACancel) {
  const int null = ::open("/dev/null", O_RDONLY);
  ASSERT_GE(null, 0);
  {
    StdinFrom in(null);
    EXPECT_FALSE(ib::ask({u"Enter Quick Pick Name:", u"Save Quick Pick", u"Roads"}));
    EXPECT_EQ(ib::InputBox(u"Enter Quick Pick Name:", u"Save Quick Pick", u"Roads"), u"");
    EXPECT_FALSE(fd::getOpenFileName(u"Load", u"|*.exp|", u"exp"));
  }
  ::close(null);
}

TEST(InputBoxWithoutWindow, TheTerminalAnswersEnterKeepsTheDefaultEndOfInputCancels) {
  Terminal tty;
  if (!tty.ok()) GTEST_SKIP() << "no pseudo-terminal";
  StdinFrom in(tty.slave());
  tty.type("Parcels by use\n");
  EXPECT_EQ(ib::ask({u"Enter Quick Pick Name:", u"Save Quick Pick", u"Roads"}).value_or(u"?"), u"Parcels by use");
  tty.type("\n");
  EXPECT_EQ(ib::ask({u"Enter Quick Pick Name:", u"Save Quick Pick", u"Roads"}).value_or(u"?"), u"Roads");
  tty.type("\x04");
  EXPECT_FALSE(ib::ask({u"Enter Quick Pick Name:", u"Save Quick Pick", u"Roads"}));
}

TEST(FileDialogWithoutWindow, TheTerminalNamesTheFileWithTheDialogsChecks) {
  Terminal tty;
  if (!tty.ok()) GTEST_SKIP() << "no pseudo-terminal";
  const auto dir = std::filesystem::temp_directory_path() / ("cw_tty_dialog_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "kept.exp") << "[A].Sum";
  StdinFrom in(tty.slave());

  tty.type((dir / "roads").string() + "\n");
  EXPECT_EQ(fd::getSaveFileName(u"Save", u"|*.exp|", u"exp").value_or("?"), dir / "roads.exp");
  tty.type((dir / "missing").string() + "\n");
  EXPECT_FALSE(fd::getOpenFileName(u"Load", u"|*.exp|", u"exp")) << "an open dialog needs an existing file";
  tty.type((dir / "kept").string() + "\n");
  EXPECT_EQ(fd::getOpenFileName(u"Load", u"|*.exp|", u"exp").value_or("?"), dir / "kept.exp");
  tty.type((dir / "kept").string() + "\nn\n");
  EXPECT_FALSE(fd::getSaveFileName(u"Save", u"|*.exp|", u"exp")) << "replacing was declined";
  tty.type((dir / "kept").string() + "\ny\n");
  EXPECT_EQ(fd::getSaveFileName(u"Save", u"|*.exp|", u"exp").value_or("?"), dir / "kept.exp");
  tty.type("\n");
  EXPECT_FALSE(fd::getSaveFileName(u"Save", u"|*.exp|", u"exp")) << "no name is a cancel";
  std::filesystem::remove_all(dir);
}
