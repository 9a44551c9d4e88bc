// Composing the expression: fields with their summary method, the tokens,
// formatting statements, the button states that follow the text, and the
// field values window.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include "dialogs/FrmCarrowind_controls.h"
#include "dialogs/FrmFieldValues.h"
#include "dialogs/FrmList.h"
#include "dialogs/dialog_errors.h"
#include "dialogs/expression_choices.h"
#include "dialogs/qt_text.h"
#include "platform/messagebox/message_box.h"

namespace dialogs {
void FrmCarrowind::insertAtCaret(const QString& text) {
  QTextCursor cursor = c_->TxtExpression->textCursor();
  cursor.insertText(text);
  c_->TxtExpression->setTextCursor(cursor);
}

void FrmCarrowind::LstLabelFields_DblClick() { CmdAddField_Click(); }

void FrmCarrowind::CmdAddField_Click() {
  try {
    const QListWidgetItem* chosen = c_->LstLabelFields->currentItem();
    if (!chosen) return;
    const QString name = chosen->text();
    // 1. The tokens go in bare, and the focus stays where it is.
    if (isClassToken(name)) {
      insertAtCaret(name);
      return;
    }
    // 2. The field's category from its type in the display table.
    auto layer = selectedLayer();
    auto display = com::query<host::IDisplayTable>(layer.get());
    if (!display) throw com::Error(com::E_NOINTERFACE, u"The selected item is not a feature layer.");
    auto table = com::query<host::IClass>(display->DisplayTable().get());
    if (!table) throw com::Error(com::E_NOINTERFACE, u"The layer's table has no fields.");
    const int index = table->FindField(name.toStdU16String());
    if (index < 0) throw com::Error(com::E_INVALIDARG, u"Field " + name.toStdU16String() + u" not found.");
    const auto category = fieldCategory(table->Fields()->Field(index)->Type());
    if (!category) {
      platform::messagebox::show(u"Can't summerize Geometry or Blob Fields", u"Invalid Field Type!",
                                 platform::messagebox::Icon::Critical);
      return;
    }
    // 3. The summary method; nothing is inserted after a cancel.
    const std::u16string method = SelectSummaryType(*category);
    if (method.empty()) return;
    // 4.
    insertAtCaret(QLatin1Char('[') + name + QLatin1Char(']') + QString::fromStdU16String(method));
    c_->TxtExpression->setFocus();
  } catch (const std::exception& e) {
    reportError(e, u"Error Attempting To Add Field");
  }
}

std::u16string FrmCarrowind::SelectSummaryType(std::u16string_view category) {
  if (!chooser_) chooser_ = new FrmList(this);
  FrmList& chooser = *chooser_;
  // 1.
  chooser.setWindowTitle(QStringLiteral("Select Field Summary Type"));
  chooser.lblPrompt()->setText(QStringLiteral("Please select Field summary method:"));
  chooser.txtCurrentValue()->clear();
  // 2.
  chooser.centreOn(this);
  // 3.
  QListWidget* list = chooser.lstChoices();
  list->clear();
  for (const auto method : summaryMethods(category)) {
    list->addItem(q(method));
    if (method == kPreselectedMethod) list->setCurrentRow(list->count() - 1);
  }
  // 4.
  chooser.exec();
  return chooser.txtCurrentValue()->text().toStdU16String();
}

void FrmCarrowind::CmbFormattingStatements_Click() {
  c_->lblFormatDescription->setText(
      q(formattingStatementHelp(c_->CmbFormattingStatements->currentText().toStdU16String())));
}

void FrmCarrowind::CmdAddFormattingStatement_Click() {
  insertAtCaret(c_->CmbFormattingStatements->currentText());
  c_->TxtExpression->setFocus();
}

void FrmCarrowind::TxtExpression_Change() {
  const bool any = !c_->TxtExpression->document()->isEmpty();
  for (QPushButton* b : {c_->CmdSaveExpression, c_->CmdVerifyExpression, c_->CmdApply, c_->CmdSaveQuickPick})
    b->setEnabled(any);
}

void FrmCarrowind::CmdShowValues_Click() {
  try {
    if (!fieldValues_) fieldValues_ = new FrmFieldValues(this);
    fieldValues_->setApplication(application_.get());
    fieldValues_->centreOn(this);
    fieldValues_->exec();
  } catch (const std::exception& e) {
    reportError(e, u"Error Attempting To Show Values");
  }
}

}  // namespace dialogs
