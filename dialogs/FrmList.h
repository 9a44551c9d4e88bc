#pragma once
// The list chooser: one entry picked from a short list. The caller owns its
// content: it sets the caption, the prompt and the entries, preselects one,
// empties txtCurrentValue, centres the window, shows it modally and then
// reads txtCurrentValue (empty after Cancel). The buttons only hide the
// window, so what the caller set stays until it refills it.
#include <QDialog>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace dialogs {

class FrmList : public QDialog {
  Q_OBJECT
 public:
  explicit FrmList(QWidget* parent = nullptr);

  QLabel* lblPrompt() const { return lblPrompt_; }
  QListWidget* lstChoices() const { return lstChoices_; }
  QPushButton* CmdOK() const { return cmdOK_; }
  QPushButton* CmdCancel() const { return cmdCancel_; }
  // Hidden; holds the result.
  QLineEdit* txtCurrentValue() const { return txtCurrentValue_; }

  // Places the window's centre on owner's centre (owner's frame, this
  // window's size), as the labeling dialog places its windows.
  void centreOn(const QWidget* owner);

 public slots:
  void CmdOK_Click();
  void CmdCancel_Click();
  void lstChoices_DblClick();

 protected:
  // The close box and Escape hide the window as Cancel does.
  void reject() override;

 private:
  QLabel* lblPrompt_;
  QListWidget* lstChoices_;
  QPushButton* cmdOK_;
  QPushButton* cmdCancel_;
  QLineEdit* txtCurrentValue_;
};

}  // namespace dialogs
