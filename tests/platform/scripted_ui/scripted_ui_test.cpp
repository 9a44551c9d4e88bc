#include "platform/scripted_ui/scripted_ui.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

namespace mb = platform::messagebox;
namespace fd = platform::filedialog;
using platform::scripted_ui::ScriptedUi;

namespace {

// Collects the failures that the script reports instead of failing this test.
class ExpectScriptFailures {
 public:
  ExpectScriptFailures()
      : reporter_(::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &results_) {}
  const ::testing::TestPartResultArray& results() const { return results_; }

 private:
  ::testing::TestPartResultArray results_;
  ::testing::ScopedFakeTestPartResultReporter reporter_;
};

bool mentions(const ::testing::TestPartResultArray& results, int i, const char* words) {
  return std::string(results.GetTestPartResult(i).message()).find(words) != std::string::npos;
}

}  // namespace

TEST(ScriptedMessages, RecordEveryBoxAndAnswerQuestionsInOrder) {
  ScriptedUi ui;
  ui.answerMessage(mb::Result::No).answerMessage(mb::Result::Yes);
  EXPECT_EQ(mb::show(u"Overwrite existing expression?", u"Overwrite Expression?", mb::Icon::None, mb::Buttons::YesNo),
            mb::Result::No);
  // A box with only OK needs no answer and takes none from the queue.
  EXPECT_EQ(mb::show(u"No quick picks to save!", u"Nothing to Save!", mb::Icon::Exclamation), mb::Result::Ok);
  EXPECT_EQ(mb::show(u"Delete Quick Pick: A?", u"Delete Quick Pick?", mb::Icon::None, mb::Buttons::YesNo),
            mb::Result::Yes);

  ASSERT_EQ(ui.messages().size(), 3u);
  const auto& second = ui.messages()[1];
  EXPECT_EQ(second.request.text, u"No quick picks to save!");
  EXPECT_EQ(second.request.title, u"Nothing to Save!");
  EXPECT_EQ(second.request.icon, mb::Icon::Exclamation);
  EXPECT_EQ(second.request.buttons, mb::Buttons::Ok);
  EXPECT_EQ(ui.messages()[0].answer, mb::Result::No);
  EXPECT_EQ(ui.messages()[2].answer, mb::Result::Yes);
  EXPECT_EQ(ui.pendingAnswers(), 0u);
}

TEST(ScriptedMessages, AQuestionWithoutAnAnswerFailsAndIsCancelled) {
  ExpectScriptFailures failures;
  {
    ScriptedUi ui;
    EXPECT_EQ(mb::show(u"Sure?", u"Q", mb::Icon::Question, mb::Buttons::YesNoCancel), mb::Result::Cancel);
    EXPECT_EQ(mb::show(u"Sure?", u"Q", mb::Icon::Question, mb::Buttons::YesNo), mb::Result::No);
    EXPECT_EQ(ui.messages().size(), 2u);
  }
  ASSERT_EQ(failures.results().size(), 2);
  EXPECT_TRUE(mentions(failures.results(), 0, "without a scripted answer"));
  EXPECT_TRUE(mentions(failures.results(), 0, "Sure?"));
}

TEST(ScriptedMessages, AnAnswerTheBoxDoesNotOfferFails) {
  ExpectScriptFailures failures;
  {
    ScriptedUi ui;
    ui.answerMessage(mb::Result::Retry);
    EXPECT_EQ(mb::show(u"Again?", u"Q", mb::Icon::None, mb::Buttons::OkCancel), mb::Result::Cancel);
  }
  ASSERT_EQ(failures.results().size(), 1);
  EXPECT_TRUE(mentions(failures.results(), 0, "not a button"));
}

TEST(ScriptedMessages, AnswersLeftOverAreAFailure) {
  ExpectScriptFailures failures;
  {
    ScriptedUi ui;
    ui.answerMessage(mb::Result::Yes).answerInput(u"x").cancelFile();
    EXPECT_EQ(ui.pendingAnswers(), 3u);
  }
  ASSERT_EQ(failures.results().size(), 1);
  EXPECT_TRUE(mentions(failures.results(), 0, "never asked for"));
}

TEST(ScriptedInput, AnswersCancelsAndTheClassicEmptyText) {
  ScriptedUi ui;
  ui.answerInput(u"  Roads, big ").cancelInput().cancelInput().answerInput(u"");
  using platform::inputbox::ask;
  using platform::inputbox::InputBox;
  EXPECT_EQ(InputBox(u"Enter Quick Pick Name:", u"Save Quick Pick", u""), u"  Roads, big ");
  EXPECT_EQ(InputBox(u"Enter Quick Pick Name:", u"Save Quick Pick"), u"");
  EXPECT_FALSE(ask({u"p", u"t", u"d"}));
  const auto accepted = ask({u"p", u"t", u"d"});
  ASSERT_TRUE(accepted) << "an accepted empty text is not a cancel";
  EXPECT_EQ(*accepted, u"");

  ASSERT_EQ(ui.inputs().size(), 4u);
  EXPECT_EQ(ui.inputs()[0].request.prompt, u"Enter Quick Pick Name:");
  EXPECT_EQ(ui.inputs()[0].request.title, u"Save Quick Pick");
  EXPECT_EQ(ui.inputs()[2].request.defaultText, u"d");
  EXPECT_FALSE(ui.inputs()[1].answer);
}

TEST(ScriptedInput, AMissingAnswerFailsAndCancels) {
  ExpectScriptFailures failures;
  {
    ScriptedUi ui;
    EXPECT_FALSE(platform::inputbox::ask({u"Enter Quick Pick Name:", u"Save Quick Pick", u""}));
  }
  ASSERT_EQ(failures.results().size(), 1);
  EXPECT_TRUE(mentions(failures.results(), 0, "Enter Quick Pick Name:"));
}

TEST(ScriptedFiles, ChosenFilesGetTheDefaultExtensionAndCancelsAreNoFile) {
  ScriptedUi ui;
  ui.answerFile("/maps/parcels").cancelFile().answerFile("/maps/picks.txt");
  const std::u16string filter = u"Quorvex Symbol Label Expression (*.exp)|*.exp;|All Files(*.*)|*.*;|";
  EXPECT_EQ(fd::getSaveFileName(u"Save", filter, u"exp").value(), std::filesystem::path("/maps/parcels.exp"));
  EXPECT_FALSE(fd::getOpenFileName(u"Load", filter, u"exp"));
  EXPECT_EQ(fd::getSaveFileName(u"Export", u"Text Document (*.txt)|*.txt;|", u"txt").value(),
            std::filesystem::path("/maps/picks.txt"));
  ASSERT_EQ(ui.fileDialogs().size(), 3u);
  EXPECT_EQ(ui.fileDialogs()[0].request.mode, fd::Mode::Save);
  EXPECT_EQ(ui.fileDialogs()[0].request.filter, filter);
  EXPECT_EQ(ui.fileDialogs()[1].request.mode, fd::Mode::Open);
  EXPECT_FALSE(ui.fileDialogs()[1].answer);
  EXPECT_EQ(ui.fileDialogs()[2].request.title, u"Export");
}

TEST(ScriptedFiles, AMissingAnswerFailsAndCancels) {
  ExpectScriptFailures failures;
  {
    ScriptedUi ui;
    EXPECT_FALSE(fd::getOpenFileName(u"Load Expression", u"|*.exp|"));
  }
  ASSERT_EQ(failures.results().size(), 1);
  EXPECT_TRUE(mentions(failures.results(), 0, "Load Expression"));
}

TEST(ScriptedOthers, BeepsShellOpensAndHelpAreRecorded) {
  ScriptedUi ui;
  support::Beep();
  support::Beep();
  EXPECT_TRUE(platform::shell::open(u"www.quorvex.com"));
  EXPECT_FALSE(platform::shell::open(u"/bin/sh")) << "refused before it reaches any handler";
  ui.shellSucceeds(false);
  EXPECT_FALSE(platform::shell::open(u"mailto:support@quorvex.com"));
  EXPECT_TRUE(platform::help::showHelp(u"CarrowindLabelTool.chm"));

  EXPECT_EQ(ui.beeps(), 2);
  EXPECT_EQ(ui.shellOpens(), (std::vector<std::u16string>{u"http://www.quorvex.com", u"mailto:support@quorvex.com"}));
  ASSERT_EQ(ui.helpPages().size(), 1u);
  EXPECT_EQ(ui.helpPages()[0].helpFile, u"CarrowindLabelTool.chm");

  ui.clearRecords();
  EXPECT_EQ(ui.beeps(), 0);
  EXPECT_TRUE(ui.shellOpens().empty());
  EXPECT_TRUE(ui.helpPages().empty());
}

TEST(ScriptedLifetime, PutsBackTheHandlersThatStoodBefore) {
  int outerBoxes = 0, outerBeeps = 0;
  auto previousBox = mb::setHandler([&](const mb::Request&) {
    ++outerBoxes;
    return mb::Result::Ok;
  });
  auto previousBeep = support::setBeepHandler([&] { ++outerBeeps; });
  {
    ScriptedUi outer;
    {
      ScriptedUi inner;
      mb::show(u"inner", u"t");
      support::Beep();
      EXPECT_EQ(inner.messages().size(), 1u);
      EXPECT_EQ(inner.beeps(), 1);
    }
    mb::show(u"outer", u"t");
    EXPECT_EQ(outer.messages().size(), 1u);
    EXPECT_EQ(outer.messages()[0].request.text, u"outer");
    EXPECT_EQ(outer.beeps(), 0);
  }
  mb::show(u"mine", u"t");
  support::Beep();
  EXPECT_EQ(outerBoxes, 1);
  EXPECT_EQ(outerBeeps, 1);
  mb::setHandler(std::move(previousBox));
  support::setBeepHandler(std::move(previousBeep));
}
