#pragma once
// The quick-pick and expression-file handlers of the labeling dialog, carried
// out on the dialog's own widgets: the expression box, the quick-pick
// drop-down and its delete button, with the dialog as the owner of every
// message box, input box and file dialog.
//
// The dialog keeps one QuickPickControls for as long as its widgets live and
// calls the handler that matches each event (or lets wire() connect them):
//   load step, end of save and delete -> LoadQuickPicks
//   CmbQuickPicks activated           -> CmbQuickPicks_Click
//   CmdSaveQuickPick clicked          -> CmdSaveQuickPick_Click
//   CmdDeleteQuickPick clicked        -> CmdDeleteQuickPick_Click
//   cmdExportQuickPicks clicked       -> cmdExportQuickPicks_Click
//   CmdSaveExpression clicked         -> CmdSaveExpression_Click
//   CmdLoadExpression clicked         -> CmdLoadExpression_Click
// Setting the expression text goes through the widget's own setter, so the
// dialog's text-changed handler (the button states) runs as usual.
//
// The quick picks themselves are kept by support/quick_pick_store.h; the
// drop-down shows its list after every load, save and delete, and every
// recall and export reads the store again.
#include <QObject>
#include <QString>

class QAbstractButton;
class QComboBox;
class QPlainTextEdit;
class QTextEdit;
class QWidget;

namespace dialogs {

class QuickPickControls : public QObject {
  Q_OBJECT
 public:
  // The expression box may be either kind of multi-line text widget.
  QuickPickControls(QWidget* owner, QPlainTextEdit* txtExpression, QComboBox* cmbQuickPicks,
                    QAbstractButton* cmdDeleteQuickPick);
  QuickPickControls(QWidget* owner, QTextEdit* txtExpression, QComboBox* cmbQuickPicks,
                    QAbstractButton* cmdDeleteQuickPick);

  // Connects the given buttons' clicks and the drop-down's activation to
  // the handlers; a null button is left out.
  void wire(QAbstractButton* cmdSaveQuickPick, QAbstractButton* cmdExportQuickPicks,
            QAbstractButton* cmdSaveExpression, QAbstractButton* cmdLoadExpression);

  // The expression as the box holds it, line breaks as "\n".
  QString expressionText() const;
  void setExpressionText(const QString& text);

  // File dialog filters, in the "description|pattern" form.
  static const QString kExpressionFilter;
  static const QString kExportFilter;

 protected:
  // Turning the wheel over the closed drop-down would recall a pick a notch.
  bool eventFilter(QObject* watched, QEvent* event) override;

 public slots:
  void LoadQuickPicks();
  void CmbQuickPicks_Click();
  void CmdSaveQuickPick_Click();
  void CmdDeleteQuickPick_Click();
  void cmdExportQuickPicks_Click();
  void CmdSaveExpression_Click();
  void CmdLoadExpression_Click();

 private:
  QuickPickControls(QWidget* owner, QWidget* txtExpression, QComboBox* cmbQuickPicks,
                    QAbstractButton* cmdDeleteQuickPick);

  QWidget* owner_;
  QWidget* txtExpression_;
  QComboBox* cmbQuickPicks_;
  QAbstractButton* cmdDeleteQuickPick_;
};

}  // namespace dialogs
