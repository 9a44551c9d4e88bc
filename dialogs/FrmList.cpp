#include "dialogs/FrmList.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "dialogs/twips.h"

namespace dialogs {

FrmList::FrmList(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName("FrmList");
  setModal(true);
  const double scale = screenScale(this);
  setFixedSize(toPixels(4680, 3450, scale));

  lblPrompt_ = new QLabel(this);
  lblPrompt_->setObjectName("lblPrompt");
  lblPrompt_->setWordWrap(true);
  placeAt(lblPrompt_, {120, 90, 4440, 300}, scale);

  lstChoices_ = new QListWidget(this);
  lstChoices_->setObjectName("lstChoices");
  lstChoices_->setSelectionMode(QAbstractItemView::SingleSelection);
  placeAt(lstChoices_, {120, 420, 4440, 2400}, scale);

  cmdOK_ = new QPushButton(QStringLiteral("OK"), this);
  cmdOK_->setObjectName("CmdOK");
  cmdOK_->setDefault(true);
  placeAt(cmdOK_, {2040, 2940, 1215, 405}, scale);

  cmdCancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  cmdCancel_->setObjectName("CmdCancel");
  placeAt(cmdCancel_, {3345, 2940, 1215, 405}, scale);

  txtCurrentValue_ = new QLineEdit(this);
  txtCurrentValue_->setObjectName("txtCurrentValue");
  txtCurrentValue_->setVisible(false);

  connect(cmdOK_, &QPushButton::clicked, this, &FrmList::CmdOK_Click);
  connect(cmdCancel_, &QPushButton::clicked, this, &FrmList::CmdCancel_Click);
  connect(lstChoices_, &QListWidget::itemDoubleClicked, this, &FrmList::lstChoices_DblClick);
}

void FrmList::centreOn(const QWidget* owner) {
  if (owner) dialogs::centreOn(this, owner);
}

void FrmList::CmdOK_Click() {
  // The chosen entry is the current one only while it is selected: a list
  // whose selection was cleared has no choice.
  const QListWidgetItem* chosen = lstChoices_->currentItem();
  txtCurrentValue_->setText(chosen && chosen->isSelected() ? chosen->text() : QString());
  accept();
}

void FrmList::lstChoices_DblClick() { CmdOK_Click(); }

void FrmList::CmdCancel_Click() { QDialog::reject(); }

void FrmList::reject() { CmdCancel_Click(); }

}  // namespace dialogs
