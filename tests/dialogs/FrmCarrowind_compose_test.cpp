// Composing an expression in the labeling dialog: fields with the summary
// method the chooser offers for their type, the two tokens, formatting
// statements, and where the text goes and the focus ends.
#include <QLabel>

#include "dialogs/FrmFieldValues.h"

#include "FrmCarrowind_fixture.h"

namespace dialogs::testing {
namespace {

class Compose : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    open("landuse.cwmap");
    show();
    control<QTabWidget>("SSTab1")->setCurrentIndex(1);
    QApplication::setActiveWindow(form_.get());
    form_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
  }

  // Adds a field through the chooser and returns what it offered.
  QStringList addField(const QString& field, const QString& pick, const char* how = "CmdAddField") {
    QStringList offered;
    QString caption, prompt, preselected, result = "not emptied";
    chooseField(field);
    answerChooser(
        [&](FrmList& chooser) {
          caption = chooser.windowTitle();
          prompt = chooser.lblPrompt()->text();
          result = chooser.txtCurrentValue()->text();
          for (int i = 0; i < chooser.lstChoices()->count(); ++i) offered << chooser.lstChoices()->item(i)->text();
          if (auto* current = chooser.lstChoices()->currentItem()) preselected = current->text();
          // Centred on the dialog.
          const QPoint middle = form_->frameGeometry().center();
          EXPECT_LE(std::abs(chooser.frameGeometry().center().x() - middle.x()), 2);
          EXPECT_LE(std::abs(chooser.frameGeometry().center().y() - middle.y()), 2);
        },
        pick);
    if (std::string(how) == "double-click") {
      auto* list = form_->LstLabelFields();
      const QRect r = list->visualItemRect(list->currentItem());
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
      QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, r.center());
    } else {
      click(how);
    }
    EXPECT_EQ(caption, "Select Field Summary Type");
    EXPECT_EQ(prompt, "Please select Field summary method:");
    EXPECT_EQ(result, "");
    EXPECT_EQ(preselected, ".First");
    return offered;
  }

  QString text() const { return form_->TxtExpression()->toPlainText(); }
};

const QStringList kNumberMethods = {".Average", ".Count", ".First", ".Last", ".Maximum",
                                    ".Minimum", ".StdDev", ".Sum",   ".Variance"};
const QStringList kStringMethods = {".Count", ".First", ".Last"};

TEST_F(Compose, NumberFieldsOfferEveryMethod) {
  EXPECT_EQ(addField("ACRES", ".Sum"), kNumberMethods);
  EXPECT_EQ(text(), "[ACRES].Sum");
  EXPECT_EQ(focused(), form_->TxtExpression());
  EXPECT_EQ(addField("FLOORS", ".Maximum"), kNumberMethods);
  EXPECT_EQ(text(), "[ACRES].Sum[FLOORS].Maximum");
}

TEST_F(Compose, ObjectIdFieldsCountAsNumbers) {
  const QString oid = q(com::query<host::IFeatureLayer>(layer_.get())->FeatureClass().as<host::IClass>()->OIDFieldName());
  ASSERT_FALSE(oid.isEmpty());
  EXPECT_EQ(addField(oid, ".Count"), kNumberMethods);
  EXPECT_EQ(text(), "[" + oid + "].Count");
}

TEST_F(Compose, TextAndDateFieldsOfferCountFirstLast) {
  EXPECT_EQ(addField("SURVEYED", ".Last"), kStringMethods);
  EXPECT_EQ(addField("USE", ".First", "double-click"), kStringMethods);
  EXPECT_EQ(text(), "[SURVEYED].Last[USE].First");
}

TEST_F(Compose, GeometryFieldsCannotBeSummarised) {
  // The command lists a geometry field under any name but "Shape".
  const QString shape = q(com::query<host::IFeatureLayer>(layer_.get())->FeatureClass()->ShapeFieldName());
  if (form_->LstLabelFields()->findItems(shape, Qt::MatchExactly).isEmpty()) form_->LstLabelFields()->addItem(shape);
  chooseField(shape);
  click("CmdAddField");
  ASSERT_EQ(messages().size(), 1u);
  EXPECT_EQ(messages()[0].request.text, u"Can't summerize Geometry or Blob Fields");
  EXPECT_EQ(messages()[0].request.title, u"Invalid Field Type!");
  EXPECT_EQ(messages()[0].request.icon, platform::messagebox::Icon::Critical);
  EXPECT_TRUE(text().isEmpty());
  EXPECT_FALSE(form_->findChild<FrmList*>()) << "the chooser was opened";
}

TEST_F(Compose, CancellingTheChooserInsertsNothingAndKeepsTheFocus) {
  setExpression("[USE].First ");
  auto* list = form_->LstLabelFields();
  list->setFocus();
  ASSERT_EQ(focused(), list);
  addField("ACRES", "");
  EXPECT_EQ(text(), "[USE].First ");
  EXPECT_EQ(focused(), list);
}

TEST_F(Compose, TokensGoInBareAtTheCaretWithoutMovingTheFocus) {
  setExpression("A  B");
  QTextCursor cursor = form_->TxtExpression()->textCursor();
  cursor.setPosition(2);
  form_->TxtExpression()->setTextCursor(cursor);
  auto* list = form_->LstLabelFields();
  list->setFocus();
  chooseField("$$VALUE");
  click("CmdAddField");
  EXPECT_EQ(text(), "A $$VALUE B");
  EXPECT_EQ(focused(), list);
  chooseField("$$LABEL");
  click("CmdAddField");
  EXPECT_EQ(text(), "A $$VALUE$$LABEL B");
  EXPECT_FALSE(form_->findChild<FrmList*>()) << "tokens need no summary method";
}

TEST_F(Compose, InsertionsReplaceTheSelection) {
  setExpression("[ACRES].Sum.Round(2) ac.");
  QTextCursor cursor = form_->TxtExpression()->textCursor();
  cursor.setPosition(11);
  cursor.setPosition(20, QTextCursor::KeepAnchor);  // ".Round(2)"
  form_->TxtExpression()->setTextCursor(cursor);
  control<QComboBox>("CmbFormattingStatements")->setCurrentText(".FormatNumber(0)");
  click("CmdAddFormattingStatement");
  EXPECT_EQ(text(), "[ACRES].Sum.FormatNumber(0) ac.");
  EXPECT_EQ(focused(), form_->TxtExpression());

  // The selection that a field replaces: the text typed so far.
  form_->TxtExpression()->selectAll();
  addField("DESCRIPT", ".First");
  EXPECT_EQ(text(), "[DESCRIPT].First");
}

TEST_F(Compose, EveryStatementIsInsertedAsListed) {
  auto* statements = control<QComboBox>("CmbFormattingStatements");
  QString expected;
  for (int i = 0; i < statements->count(); ++i) {
    statements->setCurrentIndex(i);
    click("CmdAddFormattingStatement");
    expected += statements->itemText(i);
  }
  EXPECT_EQ(text(), expected);
  EXPECT_TRUE(expected.contains(".Replace(Search,Replace).Right(0)"));
}

TEST_F(Compose, AFieldMissingFromTheTableIsReported) {
  form_->LstLabelFields()->addItem("NO_SUCH_FIELD");
  chooseField("NO_SUCH_FIELD");
  click("CmdAddField");
  ASSERT_EQ(messages().size(), 1u);
  EXPECT_EQ(messages()[0].request.title, u"Error Attempting To Add Field");
  EXPECT_NE(messages()[0].request.text.find(u"NO_SUCH_FIELD"), std::u16string::npos);
  EXPECT_TRUE(text().isEmpty());
}

TEST_F(Compose, NothingSelectedInTheContentsViewIsReported) {
  doc_->contentsView()->SelectedItem(host::Value());
  chooseField("ACRES");
  click("CmdAddField");
  ASSERT_EQ(messages().size(), 1u);
  EXPECT_EQ(messages()[0].request.title, u"Error Attempting To Add Field");
  EXPECT_TRUE(text().isEmpty());
}

TEST_F(Compose, JoinedFieldsAreFoundInTheDisplayTable) {
  form_->Unload();
  open("join.cwmap");
  show();
  control<QTabWidget>("SSTab1")->setCurrentIndex(1);
  QString joined;
  for (int i = 0; i < form_->LstLabelFields()->count(); ++i)
    if (form_->LstLabelFields()->item(i)->text().endsWith("ONAME")) joined = form_->LstLabelFields()->item(i)->text();
  ASSERT_FALSE(joined.isEmpty());
  EXPECT_EQ(addField(joined, ".First"), kStringMethods);
  EXPECT_EQ(text(), "[" + joined + "].First");
}

TEST_F(Compose, ShowValuesListsTheChosenFieldInAWindowCentredOnTheDialog) {
  chooseField("DISTRICT");
  int listed = -1;
  QString first;
  bool centred = false;
  QTimer::singleShot(0, [&] {
    auto* values = qobject_cast<FrmFieldValues*>(QApplication::activeModalWidget());
    if (!values) return;
    listed = values->lstFieldValues()->count();
    if (listed > 0) first = values->lstFieldValues()->item(0)->text();
    const QPoint middle = form_->frameGeometry().center();
    centred = std::abs(values->frameGeometry().center().x() - middle.x()) <= 2 &&
              std::abs(values->frameGeometry().center().y() - middle.y()) <= 2;
    values->CmdCancel()->click();
  });
  click("CmdShowValues");
  EXPECT_EQ(listed, FrmFieldValues::kPageSize);
  EXPECT_TRUE(first == "South" || first == "Riverside" || first == "North") << first.toStdString();
  EXPECT_TRUE(centred);
  EXPECT_TRUE(messages().empty());
}

TEST_F(Compose, QuickPicksAndExpressionFilesWorkOnTheDialogsOwnControls) {
  createProductKey();
  form_->Unload();
  open("landuse.cwmap");
  show();
  setExpression("[USE].First\n[ACRES].Sum");
  ui_->answerInput(u"Two lines");
  click("CmdSaveQuickPick");
  auto* picks = control<QComboBox>("CmbQuickPicks");
  ASSERT_EQ(picks->count(), 1);
  EXPECT_EQ(picks->itemText(0), "Two lines");
  EXPECT_TRUE(control("CmdDeleteQuickPick")->isEnabled());

  const fs::path file = dir_ / "saved.exp";
  ui_->answerFile(file);
  click("CmdSaveExpression");
  setExpression("");
  ui_->answerFile(file);
  click("CmdLoadExpression");
  EXPECT_EQ(text(), "[USE].First\n[ACRES].Sum");
  EXPECT_TRUE(control("CmdApply")->isEnabled());

  setExpression("");
  // Nothing is chosen until the user picks an entry.
  EXPECT_EQ(picks->currentIndex(), -1);
  picks->setCurrentIndex(0);
  emit picks->activated(0);
  EXPECT_EQ(text(), "[USE].First [ACRES].Sum");
  // The next opening reads them back.
  form_->Unload();
  form_->Load();
  ASSERT_EQ(control<QComboBox>("CmbQuickPicks")->count(), 1);
  EXPECT_EQ(control<QComboBox>("CmbQuickPicks")->itemText(0), "Two lines");
}

}  // namespace
}  // namespace dialogs::testing
