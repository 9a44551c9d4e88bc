// The labeling dialog's window: its controls as the user meets them, the
// state after load, the buttons that follow the expression, the labeler's
// life and the links and help it opens.
#include <QGroupBox>
#include <QLabel>

#include "FrmCarrowind_fixture.h"
#include "dialogs/twips.h"
#include "platform/com/class_factory.h"
#include "platform/com/library_loader.h"

namespace dialogs::testing {
namespace {

class Window : public DialogTest {};

struct Expected {
  const char* name;
  const char* kind;  // Qt class
  QString caption;
  QString tip;
};

TEST_F(Window, EveryControlHasItsNameKindCaptionAndTip) {
  open("landuse.cwmap");
  const Expected controls[] = {
      {"CmdReset", "QPushButton", "Reset", "Undo all Changes to Layer's Legend"},
      {"CmdApply", "QPushButton", "Apply", "Apply Expression to Layer's Legend"},
      {"CmdCancel", "QPushButton", "Done", "Close, Exit, Terminate"},
      {"CmdHelp", "QPushButton", "Help", ""},
      {"CmdAddField", "QPushButton", "Add", "Add Selected Field to Expression"},
      {"CmdShowValues", "QPushButton", "Show Values...", "Show Field Values in Layer's Table"},
      {"CmdSaveExpression", "QPushButton", "Save...", "Save Expression to File"},
      {"CmdLoadExpression", "QPushButton", "Load...", "Load Expression From File"},
      {"CmdVerifyExpression", "QPushButton", "Verify", "Verify that Expression is Correct"},
      {"ChkDetailedVerify", "QCheckBox", "Detail", "Show detailed verification information"},
      {"CmdSaveQuickPick", "QPushButton", "", "Save expression as a Quick Pick"},
      {"CmdDeleteQuickPick", "QPushButton", "", "Delete current Quick Pick"},
      {"CmdAddFormattingStatement", "QPushButton", "Add", "Add Formatting Statement to Expression"},
      {"cmdExportQuickPicks", "QPushButton", "Export Quick Picks...", "Save all Quick Picks in a text file"},
      {"OptApplyAll", "QRadioButton", "Consider all records in Layer's Data Source when summarizing table.", ""},
      {"OptApplyDefinitionQuery", "QRadioButton",
       "Only consider features satisfying Layer's Definition Query when summarizing table.", ""},
      {"OptApplySelection", "QRadioButton", "Only consider Layer's Selected Features when summarizing table.", ""},
      {"ChkAllOtherValues", "QCheckBox",
       "On Unique Value legends, also modify the label for \"<all other values>\" (if present).", ""},
      {"chkWrapLabels", "QCheckBox", "Wrap label text if longer than:", ""},
      {"chkShowIntroduction", "QCheckBox", "Show Introduction tab.", ""},
      {"ChkDisplaySkippedWarning", "QCheckBox", "Display message when some legend items are skipped.", ""},
      {"ChkAutoRefreshWarning", "QCheckBox", "Display reminder about labels not being auto-refreshed.", ""},
      {"LblLabelFields", "QLabel",
       "Add fields from this list to the expression. ($$VALUE, $$LABEL - A symbol's current value and label.)", ""},
      {"LblExpression", "QLabel",
       "Compose an expression by using database fields, formatting statements and other text.", ""},
      {"Label6", "QLabel", "Quick Picks:", ""},
      {"LblFormattingStatements", "QLabel", "Formatting statements modify field values.", ""},
      {"Label7", "QLabel", "characters.", ""},
      {"Label8", "QLabel",
       "(labels will appear on multiple lines in Legends and a single line in Table of Contents)", ""},
      {"Label2", "QLabel", "EXPRESSON: [USE].First.UCase - [DESCRIPT].First ([ACRES].Sum.Round(0) ac.)", ""},
  };
  for (const auto& e : controls) {
    SCOPED_TRACE(e.name);
    QWidget* w = control(e.name);
    ASSERT_TRUE(w);
    EXPECT_STREQ(w->metaObject()->className(), e.kind);
    EXPECT_EQ(w->property("text").toString(), e.caption);
    EXPECT_EQ(w->toolTip(), e.tip);
  }
  EXPECT_TRUE(control<QLabel>("Label2")->font().bold());
  for (const char* name : {"Label3", "Label4"}) EXPECT_FALSE(control<QLabel>(name)->text().isEmpty()) << name;
  const std::pair<const char*, const char*> frames[] = {{"FraLabelFields", "Database Fields:"},
                                                        {"FraExpression", "Expression:"},
                                                        {"FraFormattingStatements", "Formatting Statements:"},
                                                        {"FrameToolOptions", "Tool Options"}};
  for (auto [name, title] : frames) EXPECT_EQ(control<QGroupBox>(name)->title(), QString::fromLatin1(title));
  EXPECT_TRUE(control<QListWidget>("LstLabelFields"));
  EXPECT_FALSE(control<QComboBox>("CmbQuickPicks")->isEditable());
  EXPECT_FALSE(control<QComboBox>("CmbFormattingStatements")->isEditable());
  EXPECT_EQ(control<QPlainTextEdit>("TxtExpression")->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_TRUE(control<QLineEdit>("txtWrapLength"));
  // The three record options are one group.
  form_->OptApplySelection()->setEnabled(true);
  form_->OptApplySelection()->click();
  EXPECT_FALSE(form_->OptApplyAll()->isChecked());
  EXPECT_FALSE(form_->OptApplyDefinitionQuery()->isChecked());
}

TEST_F(Window, PicturesAndAboutTab) {
  open("landuse.cwmap");
  for (const char* name : {"Picture1", "Picture2"}) {
    auto* picture = control<QLabel>(name);
    ASSERT_TRUE(picture);
    EXPECT_FALSE(picture->pixmap().isNull()) << name;
    // Something was drawn: not every pixel is transparent.
    const QImage image = picture->pixmap().toImage();
    int opaque = 0;
    for (int y = 0; y < image.height(); y += 4)
      for (int x = 0; x < image.width(); x += 4) opaque += qAlpha(image.pixel(x, y)) > 0;
    EXPECT_GT(opaque, 10) << name;
  }
  for (const char* name : {"CmdSaveQuickPick", "CmdDeleteQuickPick"})
    EXPECT_FALSE(control<QPushButton>(name)->icon().isNull()) << name;
  auto* tabs = control<QTabWidget>("SSTab1");
  ASSERT_EQ(tabs->count(), 4);
  EXPECT_EQ(tabs->tabText(0), "Introduction");
  EXPECT_EQ(tabs->tabText(1), "Expression");
  EXPECT_EQ(tabs->tabText(2), "Options");
  EXPECT_EQ(tabs->tabText(3), "About");
  EXPECT_TRUE(tabs->widget(3)->findChild<QLabel*>("LblProductTitle")->font().bold());
  EXPECT_EQ(tabs->widget(3)->findChild<QLabel*>("LblProductTitle")->text(), "Carrowind Label Tool");
  EXPECT_EQ(tabs->widget(3)->findChild<QLabel*>("LblVersion")->text(), "Version 2.2 for ArcGIS 8.3");
}

TEST_F(Window, FixedSizeCentredWithoutMinimiseOrMaximise) {
  open("landuse.cwmap");
  show();
  EXPECT_EQ(form_->windowTitle(), "Carrowind Label Tool - Quorvex Corporation");
  const double scale = screenScale(form_.get());
  EXPECT_EQ(form_->size(), QSize(twipsToPixels(8550, scale), twipsToPixels(7335, scale)));
  EXPECT_EQ(form_->minimumSize(), form_->maximumSize());
  EXPECT_FALSE(form_->windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(form_->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(form_->windowFlags() & Qt::WindowCloseButtonHint);
  // Every control fits inside the window.
  for (QWidget* w : form_->findChildren<QWidget*>()) {
    if (!w->isVisibleTo(form_.get()) || w->objectName().isEmpty() || w->objectName().startsWith("qt_")) continue;
    const QRect r(w->mapTo(form_.get(), QPoint(0, 0)), w->size());
    EXPECT_TRUE(form_->rect().contains(r)) << w->objectName().toStdString();
  }
  const QRect screen = form_->screen()->availableGeometry();
  EXPECT_LE(std::abs(form_->frameGeometry().center().x() - screen.center().x()), 1);
  EXPECT_LE(std::abs(form_->frameGeometry().center().y() - screen.center().y()), 1);
}

TEST_F(Window, LoadChoosesTheFirstStatementAndDisablesTheActions) {
  open("landuse.cwmap");
  auto* statements = control<QComboBox>("CmbFormattingStatements");
  ASSERT_EQ(statements->count(), 16);
  EXPECT_EQ(statements->currentText(), ".Abs");
  EXPECT_EQ(statements->itemText(15), ".UCase");
  EXPECT_EQ(control<QLabel>("lblFormatDescription")->text(), ".Abs: Absolute value of a number.  Example: -3.Abs = 3");
  for (const char* name : {"CmdSaveExpression", "CmdSaveQuickPick", "CmdVerifyExpression", "CmdReset", "CmdApply"})
    EXPECT_FALSE(control(name)->isEnabled()) << name;
  for (const char* name : {"CmdLoadExpression", "CmdAddField", "CmdShowValues", "CmdCancel", "CmdHelp"})
    EXPECT_TRUE(control(name)->isEnabled()) << name;
  EXPECT_FALSE(control<QCheckBox>("ChkDetailedVerify")->isChecked());
  EXPECT_TRUE(control<QCheckBox>("ChkAllOtherValues")->isChecked());
  EXPECT_TRUE(form_->TxtExpression()->toPlainText().isEmpty());
  // The command's choice stands: no definition query, so all records.
  EXPECT_TRUE(form_->OptApplyAll()->isChecked());
  EXPECT_FALSE(form_->OptApplyDefinitionQuery()->isEnabled());
  EXPECT_TRUE(form_->OptApplySelection()->isEnabled());
}

TEST_F(Window, ChoosingAStatementShowsItsHelpLine) {
  open("landuse.cwmap");
  auto* statements = control<QComboBox>("CmbFormattingStatements");
  auto* help = control<QLabel>("lblFormatDescription");
  statements->setCurrentText(".Mid(0,0)");
  EXPECT_EQ(help->text(), ".Mid(0,0): Returns middle x number of characters.  Example: \"Hello World\".Mid(7,3) = \"Wor\" ");
  statements->setCurrentText(".FormatCurrency");
  EXPECT_EQ(help->text(),
            ".FormatCurrency: Number formatted to system currency.  Example: 100.FormatCurrency = $100.00");
  // The lines with a quoted example keep the blank after it; the others end at their text.
  int trailing = 0;
  for (int i = 0; i < statements->count(); ++i) {
    statements->setCurrentIndex(i);
    EXPECT_TRUE(help->text().startsWith(statements->itemText(i) + ": ")) << i;
    trailing += help->text().endsWith("\" ");
  }
  EXPECT_EQ(trailing, 11);
}

TEST_F(Window, ExpressionTextDecidesFourButtonsButNotReset) {
  open("landuse.cwmap");
  show();
  const char* const following[] = {"CmdSaveExpression", "CmdVerifyExpression", "CmdApply", "CmdSaveQuickPick"};
  type("x");
  for (const char* name : following) EXPECT_TRUE(control(name)->isEnabled()) << name;
  EXPECT_FALSE(control("CmdReset")->isEnabled());
  QTest::keyClick(form_->TxtExpression(), Qt::Key_Backspace);
  EXPECT_TRUE(form_->TxtExpression()->toPlainText().isEmpty());
  for (const char* name : following) EXPECT_FALSE(control(name)->isEnabled()) << name;
  // A line break alone is text too.
  QTest::keyClick(form_->TxtExpression(), Qt::Key_Return);
  EXPECT_TRUE(control("CmdApply")->isEnabled());
}

TEST_F(Window, TheLabelerLivesFromLoadToUnload) {
  open("landuse.cwmap");
  ASSERT_TRUE(form_->Labeler());
  EXPECT_TRUE(form_->IsLoaded());
  EXPECT_EQ(com::freeUnusedLibraries(), 0);  // the engine is in use
  show();
  click("CmdCancel");
  EXPECT_FALSE(form_->isVisible());
  EXPECT_FALSE(form_->IsLoaded());
  EXPECT_FALSE(form_->Labeler());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(com::freeUnusedLibraries(), 1);  // nothing holds the engine any more
  EXPECT_FALSE(form_->findChild<QWidget*>("TxtExpression"));

  // The next touch loads afresh, from the design values.
  form_->TxtExpression()->setPlainText("left over?");
  form_->Unload();
  EXPECT_TRUE(form_->TxtExpression()->toPlainText().isEmpty());
  EXPECT_TRUE(form_->Labeler());
}

TEST_F(Window, CloseBoxUnloadsAndClosesTheOtherWindows) {
  open("landuse.cwmap");
  show();
  // The chooser stays loaded after use, as the field values window may.
  chooseField("ACRES");
  answerChooser({}, "");
  click("CmdAddField");
  ASSERT_TRUE(form_->findChild<FrmList*>());
  form_->close();
  EXPECT_FALSE(form_->IsLoaded());
  EXPECT_FALSE(form_->findChild<FrmList*>());
}

TEST_F(Window, AnUnregisteredEngineIsReportedAndApplyFailsVisibly) {
  registry::unregisterServer({{engine::CLSID_QVXCarrowind, engine::kProgID_QVXCarrowind, "Quorvex Carrowind"}});
  com::freeUnusedLibraries();
  open("landuse.cwmap");
  ASSERT_EQ(messages().size(), 1u);
  EXPECT_EQ(messages()[0].request.title, u"Error Attempting To Create Labeler");
  EXPECT_EQ(messages()[0].request.icon, platform::messagebox::Icon::Critical);
  EXPECT_FALSE(form_->Labeler());
  const auto before = legend();
  setExpression("[USE].First");
  click("CmdApply");
  ASSERT_EQ(messages().size(), 2u);
  EXPECT_EQ(messages()[1].request.title, u"Error Generating Labels!");
  EXPECT_EQ(legend(), before);
  EXPECT_FALSE(control("CmdReset")->isEnabled());
  EXPECT_FALSE(doc_->statusBar()->progress()->Playing());
}

TEST_F(Window, HelpAndTheAboutLinks) {
  open("landuse.cwmap");
  show();
  click("CmdHelp");
  ASSERT_EQ(ui_->helpPages().size(), 1u);
  EXPECT_EQ(ui_->helpPages()[0].helpFile, u"CarrowindLabelTool.chm");
  form_->findChild<QTabWidget*>("SSTab1")->setCurrentIndex(3);
  QTest::mouseClick(control("txtWebSite"), Qt::LeftButton);
  QTest::mouseClick(control("txtSupportEmail"), Qt::LeftButton);
  ASSERT_EQ(ui_->shellOpens().size(), 2u);
  EXPECT_TRUE(ui_->shellOpens()[0].starts_with(u"https://"));
  EXPECT_TRUE(ui_->shellOpens()[1].starts_with(u"mailto:"));
  EXPECT_NE(ui_->shellOpens()[1].find(control<QLineEdit>("txtSupportEmail")->text().toStdU16String()),
            std::u16string::npos);
  // A refused open reports nothing.
  ui_->shellSucceeds(false);
  QTest::mouseClick(control("txtWebSite"), Qt::LeftButton);
  EXPECT_TRUE(messages().empty());
}

}  // namespace
}  // namespace dialogs::testing
