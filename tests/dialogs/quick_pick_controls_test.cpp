// The quick-pick and expression-file handlers on real widgets, against a
// settings store in a temporary folder, with the boxes and file dialogs
// answered from queues.
#include "dialogs/quick_pick_controls.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextEdit>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/dialogs/offscreen_application.h"
#include "platform/scripted_ui/scripted_ui.h"
#include "platform/registry/store.h"
#include "support/basRegistry.h"
#include "support/quick_pick_store.h"
#include "tests/common/scratch_dir.h"

namespace {

namespace fs = std::filesystem;
namespace mb = platform::messagebox;
namespace fd = platform::filedialog;
namespace qp = support::quickpicks;
namespace reg = support::basRegistry;
using dialogs::QuickPickControls;
using registry::HKEY_CURRENT_USER;

QApplication& app() { return dialogs_test::offscreenApplication(); }

std::string readBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void writeBytes(const fs::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary);
  out << bytes;
}

class QuickPickHandlers : public ::testing::Test {
 protected:
  void SetUp() override {
    app();
    dir = test_support::scratchDir("cw_qpc_");
    fs::create_directories(dir / "config");
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((dir / "config").string()));
    registry::setStorePath(dir / "registry.db");

    ui = std::make_unique<platform::scripted_ui::ScriptedUi>();
    owner = std::make_unique<QWidget>();
    expression = new QPlainTextEdit(owner.get());
    expression->setObjectName("TxtExpression");
    combo = new QComboBox(owner.get());
    combo->setObjectName("CmbQuickPicks");
    deleteButton = new QPushButton(owner.get());
    deleteButton->setObjectName("CmdDeleteQuickPick");
    controls = new QuickPickControls(owner.get(), expression, combo, deleteButton);
  }

  void TearDown() override {
    owner.reset();
    ui.reset();
    registry::setStorePath({});
    qunsetenv("XDG_CONFIG_HOME");
    fs::remove_all(dir);
  }

  static void install() { reg::CreateKey(HKEY_CURRENT_USER, qp::kProductKey); }
  static com::Variant stored(std::u16string_view name) {
    return reg::ReadSetting(HKEY_CURRENT_USER, qp::kQuickPicksKey, name);
  }
  static std::u16string storedList() { return reg::SettingText(stored(qp::kListValue)); }

  QStringList entries() const {
    QStringList out;
    for (int i = 0; i < combo->count(); ++i) out << combo->itemText(i);
    return out;
  }

  // Saves the box's expression as a pick, answering the name box.
  void saveAs(const std::u16string& typed) {
    ui->answerInput(typed);
    controls->CmdSaveQuickPick_Click();
  }

  const std::vector<platform::scripted_ui::MessageRecord>& messages() const { return ui->messages(); }
  const mb::Request& message(std::size_t i) const { return ui->messages().at(i).request; }
  const fd::Request& fileDialog(std::size_t i) const { return ui->fileDialogs().at(i).request; }

  void recall(const QString& name) {
    combo->setCurrentIndex(combo->findText(name));
    controls->CmbQuickPicks_Click();
  }

  fs::path dir;
  std::unique_ptr<platform::scripted_ui::ScriptedUi> ui;

  std::unique_ptr<QWidget> owner;
  QPlainTextEdit* expression = nullptr;
  QComboBox* combo = nullptr;
  QPushButton* deleteButton = nullptr;
  QuickPickControls* controls = nullptr;
};

TEST_F(QuickPickHandlers, LoadQuickPicksFollowsTheStoredList) {
  deleteButton->setEnabled(true);
  controls->LoadQuickPicks();
  EXPECT_TRUE(entries().isEmpty());
  EXPECT_FALSE(deleteButton->isEnabled());

  install();
  reg::CreateKey(HKEY_CURRENT_USER, qp::kQuickPicksKey);
  reg::WriteTextSetting(HKEY_CURRENT_USER, qp::kQuickPicksKey, qp::kListValue, u"Acres,,Use and name,Owner");
  reg::WriteTextSetting(HKEY_CURRENT_USER, qp::kQuickPicksKey, u"Hidden", u"[A].First");
  combo->addItem("stale");
  controls->LoadQuickPicks();
  EXPECT_EQ(entries(), (QStringList{"Acres", "Use and name", "Owner"}));
  EXPECT_TRUE(deleteButton->isEnabled());

  // An empty list leaves the drop-down and the button as they are.
  reg::WriteTextSetting(HKEY_CURRENT_USER, qp::kQuickPicksKey, qp::kListValue, u"");
  controls->LoadQuickPicks();
  EXPECT_EQ(entries().size(), 3);
  EXPECT_TRUE(deleteButton->isEnabled());
  EXPECT_TRUE(messages().empty());
}

TEST_F(QuickPickHandlers, SaveTrimsTheNameAndTurnsCommasIntoBlanks) {
  install();
  expression->setPlainText("[USE].First\n[ACRES].Sum");
  saveAs(u"  Acres, by use ");
  ASSERT_EQ(ui->inputs().size(), 1u);
  EXPECT_EQ(ui->inputs()[0].request.prompt, u"Enter Quick Pick Name:");
  EXPECT_EQ(ui->inputs()[0].request.title, u"Save Quick Pick");
  EXPECT_EQ(ui->inputs()[0].request.defaultText, u"");
  EXPECT_EQ(entries(), QStringList{"Acres  by use"});
  EXPECT_EQ(storedList(), u"Acres  by use");
  EXPECT_EQ(stored(u"Acres  by use"), com::Variant(u"[USE].First [ACRES].Sum"));
  EXPECT_TRUE(deleteButton->isEnabled());
  EXPECT_TRUE(messages().empty());
}

TEST_F(QuickPickHandlers, ANameEndingInACommaCanBeRecalled) {
  install();
  for (const char16_t* typed : {u"Owner,", u",Use", u"Middle"}) {
    expression->setPlainText(QString::fromStdU16String(typed));
    saveAs(typed);
  }
  EXPECT_EQ(entries(), (QStringList{"Owner", "Use", "Middle"}));
  EXPECT_EQ(storedList(), u"Owner,Use,Middle");
  for (const auto& [name, saved] : {std::pair{"Owner", "Owner,"}, std::pair{"Use", ",Use"}}) {
    expression->clear();
    recall(name);
    EXPECT_EQ(expression->toPlainText(), saved);
  }
  EXPECT_TRUE(messages().empty());
}

TEST_F(QuickPickHandlers, SaveWithoutANameDoesNothing) {
  install();
  expression->setPlainText("[A].First");
  ui->cancelInput();
  controls->CmdSaveQuickPick_Click();
  saveAs(u"    ");
  saveAs(u"");
  EXPECT_TRUE(entries().isEmpty());
  EXPECT_FALSE(reg::KeyExists(HKEY_CURRENT_USER, qp::kQuickPicksKey));
  EXPECT_TRUE(messages().empty());
}

TEST_F(QuickPickHandlers, ExistingNameInOtherCaseAsksAndAddsNoSecondEntry) {
  install();
  expression->setPlainText("[ACRES].Sum");
  saveAs(u"Acres");
  expression->setPlainText("[ACRES].Average");

  ui->answerMessage(mb::Result::No);
  saveAs(u"ACRES");
  ASSERT_EQ(messages().size(), 1u);
  EXPECT_EQ(message(0).text, u"This quick pick name already exists!\r\n\r\nUpdate existing quick pick?");
  EXPECT_EQ(message(0).title, u"Overwrite Quick Pick?");
  EXPECT_EQ(message(0).buttons, mb::Buttons::YesNo);
  EXPECT_EQ(qp::expression(u"Acres"), u"[ACRES].Sum");

  ui->answerMessage(mb::Result::Yes);
  saveAs(u"aCrEs");
  EXPECT_EQ(entries(), QStringList{"Acres"});
  EXPECT_EQ(storedList(), u"Acres");
  EXPECT_EQ(qp::expression(u"Acres"), u"[ACRES].Average");
}

TEST_F(QuickPickHandlers, SaveWithoutTheProductKey) {
  expression->setPlainText("[ACRES].Sum");
  saveAs(u"Acres");
  ASSERT_EQ(messages().size(), 1u);
  EXPECT_EQ(message(0).text, u"Error attempting to save settings!  Please reinstall the Carrowind!");
  EXPECT_EQ(message(0).title, u"Unable to Save Settings");
  EXPECT_EQ(message(0).icon, mb::Icon::Critical);
  // The name stays in the drop-down until the dialog closes; nothing is stored.
  EXPECT_EQ(entries(), QStringList{"Acres"});
  EXPECT_FALSE(reg::KeyExists(HKEY_CURRENT_USER, u"Software\\Quorvex"));
}

TEST_F(QuickPickHandlers, NumericPickIsStoredAsANumberAndRecalledAsText) {
  install();
  expression->setPlainText("7");
  saveAs(u"Seven");
  expression->setPlainText("007");
  saveAs(u"Zeros");
  EXPECT_EQ(stored(u"Seven").kind(), com::Variant::Kind::Int32);
  EXPECT_EQ(stored(u"Zeros"), com::Variant(u"007"));

  expression->clear();
  recall("Seven");
  EXPECT_EQ(expression->toPlainText(), "7");
  expression->clear();
  recall("Zeros");
  EXPECT_EQ(expression->toPlainText(), "007");
  EXPECT_TRUE(messages().empty());
}

TEST_F(QuickPickHandlers, RecallFillsAnEmptyBoxAndAsksBeforeOverwriting) {
  install();
  expression->setPlainText("[USE].First\n- [ACRES].Sum");
  saveAs(u"Use");
  expression->clear();

  QSignalSpy changed(expression, &QPlainTextEdit::textChanged);
  recall("Use");
  EXPECT_EQ(expression->toPlainText(), "[USE].First - [ACRES].Sum");  // one line now
  EXPECT_GE(changed.count(), 1);
  EXPECT_TRUE(messages().empty());

  expression->setPlainText("typed");
  ui->answerMessage(mb::Result::No);
  recall("Use");
  ASSERT_EQ(messages().size(), 1u);
  EXPECT_EQ(message(0).text, u"Overwrite existing expression?");
  EXPECT_EQ(message(0).title, u"Overwrite Expression?");
  EXPECT_EQ(message(0).icon, mb::Icon::None);
  EXPECT_EQ(message(0).buttons, mb::Buttons::YesNo);
  EXPECT_EQ(expression->toPlainText(), "typed");

  ui->answerMessage(mb::Result::Yes);
  recall("Use");
  EXPECT_EQ(expression->toPlainText(), "[USE].First - [ACRES].Sum");
}

TEST_F(QuickPickHandlers, RecallOfAMissingValueOrKey) {
  install();
  reg::CreateKey(HKEY_CURRENT_USER, qp::kQuickPicksKey);
  reg::WriteTextSetting(HKEY_CURRENT_USER, qp::kQuickPicksKey, qp::kListValue, u"Gone");
  controls->LoadQuickPicks();
  expression->setPlainText("kept");
  recall("Gone");
  EXPECT_EQ(expression->toPlainText(), "kept");
  EXPECT_TRUE(messages().empty());

  registry::setStorePath(dir / "other.db");  // a store without the key
  recall("Gone");
  ASSERT_EQ(messages().size(), 1u);
  EXPECT_EQ(message(0).text, u"Error attempting to find saved quick pick!  Please reinstall the Carrowind!");
  EXPECT_EQ(message(0).title, u"Unable to Save Settings");
  EXPECT_EQ(message(0).icon, mb::Icon::Critical);
  EXPECT_EQ(expression->toPlainText(), "kept");
}

TEST_F(QuickPickHandlers, DeleteAsksThenRemovesThePick) {
  install();
  expression->setPlainText("[A].First");
  saveAs(u"One");
  saveAs(u"Two");
  combo->setCurrentIndex(combo->findText("One"));

  ui->answerMessage(mb::Result::No);
  controls->CmdDeleteQuickPick_Click();
  ASSERT_EQ(messages().size(), 1u);
  EXPECT_EQ(message(0).text, u"Delete Quick Pick: One?");
  EXPECT_EQ(message(0).title, u"Delete Quick Pick?");
  EXPECT_EQ(message(0).buttons, mb::Buttons::YesNo);
  EXPECT_EQ(entries(), (QStringList{"One", "Two"}));

  ui->answerMessage(mb::Result::Yes);
  controls->CmdDeleteQuickPick_Click();
  EXPECT_EQ(entries(), QStringList{"Two"});
  EXPECT_EQ(storedList(), u"Two");
  EXPECT_EQ(reg::SettingText(stored(u"One")), u"");
  EXPECT_TRUE(deleteButton->isEnabled());
  // No pick is shown as chosen until the user chooses one, so a second
  // Delete cannot remove a pick nobody picked.
  EXPECT_EQ(combo->currentText(), "");
  controls->CmdDeleteQuickPick_Click();
  EXPECT_EQ(messages().size(), 2u);
  EXPECT_EQ(entries(), QStringList{"Two"});
  combo->setCurrentIndex(combo->findText("Two"));

  // The last one: the stored list is empty, the button stays as it was.
  ui->answerMessage(mb::Result::Yes);
  controls->CmdDeleteQuickPick_Click();
  EXPECT_TRUE(entries().isEmpty());
  EXPECT_EQ(storedList(), u"");
  EXPECT_TRUE(reg::KeyExists(HKEY_CURRENT_USER, qp::kQuickPicksKey));
  EXPECT_TRUE(deleteButton->isEnabled());

  // Nothing chosen: no question.
  controls->CmdDeleteQuickPick_Click();
  EXPECT_EQ(messages().size(), 3u);
}

TEST_F(QuickPickHandlers, ExportWritesEveryPickThenTheCurrentExpression) {
  install();
  expression->setPlainText("[USE].First\n[ACRES].Sum");
  saveAs(u"A");
  expression->setPlainText("12");
  saveAs(u"B");
  expression->setPlainText("current\nexpression");
  const fs::path file = dir / "picks.txt";
  ui->answerFile(file);
  controls->cmdExportQuickPicks_Click();
  ASSERT_EQ(ui->fileDialogs().size(), 1u);
  EXPECT_EQ(fileDialog(0).mode, fd::Mode::Save);
  EXPECT_EQ(fileDialog(0).filter, u"Text Document (*.txt)|*.txt;|All Files(*.*)|*.*;|");
  EXPECT_EQ(readBytes(file), "A:\r\n[USE].First [ACRES].Sum\r\nB:\r\n12\r\ncurrent\r\nexpression");

  // An empty box: the file ends with the last line break.
  expression->clear();
  ui->answerFile(file);
  controls->cmdExportQuickPicks_Click();
  EXPECT_EQ(readBytes(file), "A:\r\n[USE].First [ACRES].Sum\r\nB:\r\n12\r\n");

  // A cancelled dialog writes nothing and says nothing.
  fs::remove(file);
  ui->cancelFile();
  controls->cmdExportQuickPicks_Click();
  EXPECT_FALSE(fs::exists(file));
  EXPECT_TRUE(messages().empty());
}

TEST_F(QuickPickHandlers, ExportWithoutPicks) {
  controls->cmdExportQuickPicks_Click();
  ASSERT_EQ(messages().size(), 1u);
  EXPECT_EQ(message(0).text, u"No quick picks to save!");
  EXPECT_EQ(message(0).title, u"Nothing to Save!");
  EXPECT_EQ(message(0).icon, mb::Icon::Exclamation);
  EXPECT_TRUE(ui->fileDialogs().empty());
}

TEST_F(QuickPickHandlers, ExpressionFileKeepsItsLineBreaks) {
  const QString text = "[USE].First.UCase\n- [DESCRIPT].First\n([ACRES].Sum.Round(0) ac.)\n";
  expression->setPlainText(text);
  const fs::path file = dir / "use.exp";
  ui->answerFile(file);
  controls->CmdSaveExpression_Click();
  ASSERT_EQ(ui->fileDialogs().size(), 1u);
  EXPECT_EQ(fileDialog(0).mode, fd::Mode::Save);
  EXPECT_EQ(fileDialog(0).filter, u"Quorvex Symbol Label Expression (*.exp)|*.exp;|All Files(*.*)|*.*;|");
  EXPECT_EQ(readBytes(file), "[USE].First.UCase\r\n- [DESCRIPT].First\r\n([ACRES].Sum.Round(0) ac.)\r\n");

  expression->clear();
  QSignalSpy changed(expression, &QPlainTextEdit::textChanged);
  ui->answerFile(file);
  controls->CmdLoadExpression_Click();
  EXPECT_EQ(ui->fileDialogs().back().request.mode, fd::Mode::Open);
  EXPECT_EQ(ui->fileDialogs().back().request.filter, fileDialog(0).filter);
  EXPECT_EQ(expression->toPlainText(), text);
  EXPECT_GE(changed.count(), 1);
  EXPECT_TRUE(messages().empty());
}

TEST_F(QuickPickHandlers, LoadingReadsFilesFromElsewhere) {
  const std::pair<std::string, QString> files_[] = {
      {"[A].First\n[B].Last", "[A].First\n[B].Last"},          // line feeds only
      {"Gr\xC3\xB6\xC3\x9F" "e [A].Sum", u8"Größe [A].Sum"},   // UTF-8
      {"Gr\xF6\xDF" "e [A].Sum", u8"Größe [A].Sum"},           // a single-byte code page
      {"\xEF\xBB\xBF[A].First", "[A].First"},                     // UTF-8 with a byte-order mark
      {"\xEF\xBB\xBF" "Gr\xF6\xDF" "e [A].Sum", u8"Größe [A].Sum"},  // the mark, then no UTF-8 after all
  };
  for (const auto& [bytes, text] : files_) {
    writeBytes(dir / "other.exp", bytes);
    ui->answerFile(dir / "other.exp");
    controls->CmdLoadExpression_Click();
    EXPECT_EQ(expression->toPlainText(), text);
  }
}

TEST_F(QuickPickHandlers, FailedFileOperationsLeaveTheExpression) {
  expression->setPlainText("kept");
  ui->answerFile(dir / "missing.exp");
  controls->CmdLoadExpression_Click();
  ui->cancelFile();
  controls->CmdLoadExpression_Click();
  EXPECT_EQ(expression->toPlainText(), "kept");

  EXPECT_TRUE(messages().empty());

  // A write that fails is shown; a cancel is not; an earlier file stays whole.
  ui->answerFile(dir / "no such folder" / "x.exp");
  controls->CmdSaveExpression_Click();
  ui->cancelFile();
  controls->CmdSaveExpression_Click();
  EXPECT_FALSE(fs::exists(dir / "no such folder"));
  ASSERT_EQ(messages().size(), 1u);
  EXPECT_EQ(message(0).title, u"Error Attempting To Save Expression");
  EXPECT_EQ(message(0).icon, mb::Icon::Critical);

  install();
  ASSERT_EQ(qp::save(u"Acres", u"[ACRES].Sum", false), qp::SaveResult::Saved);
  controls->LoadQuickPicks();
  // A folder that is a file: no user, root included, can write there.
  {
    std::ofstream(dir / "plain") << "earlier";
  }
  ui->answerFile(dir / "plain" / "picks.txt");
  controls->cmdExportQuickPicks_Click();
  EXPECT_EQ(readBytes(dir / "plain"), "earlier");
  ASSERT_EQ(messages().size(), 2u);
  EXPECT_EQ(message(1).title, u"Error Attempting To Export Quick Picks");
}

TEST_F(QuickPickHandlers, WiredControlsAndARichTextBox) {
  install();
  QWidget window;
  auto* rich = new QTextEdit(&window);
  auto* picks = new QComboBox(&window);
  auto* del = new QPushButton(&window);
  QPushButton save, exportButton, saveExpression, loadExpression;
  QuickPickControls wired(&window, rich, picks, del);
  wired.wire(&save, &exportButton, &saveExpression, &loadExpression);

  rich->setPlainText("[A].First\n[B].Sum");
  ui->answerInput(u"Both");
  save.click();
  EXPECT_EQ(qp::expression(u"Both"), u"[A].First [B].Sum");
  EXPECT_EQ(picks->count(), 1);

  rich->clear();
  picks->setCurrentIndex(0);
  emit picks->activated(0);
  EXPECT_EQ(rich->toPlainText(), "[A].First [B].Sum");

  ui->answerFile(dir / "both.exp");
  saveExpression.click();
  EXPECT_EQ(readBytes(dir / "both.exp"), "[A].First [B].Sum");
  rich->clear();
  ui->answerFile(dir / "both.exp");
  loadExpression.click();
  EXPECT_EQ(rich->toPlainText(), "[A].First [B].Sum");

  ui->answerFile(dir / "all.txt");
  exportButton.click();
  EXPECT_EQ(readBytes(dir / "all.txt"), "Both:\r\n[A].First [B].Sum\r\n[A].First [B].Sum");

  ui->answerMessage(mb::Result::Yes);
  del->click();
  EXPECT_EQ(picks->count(), 0);
  EXPECT_EQ(storedList(), u"");
}

}  // namespace
