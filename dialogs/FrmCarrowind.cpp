// The labeling dialog's life: load, unload, the window's own buttons and
// the two About links.
#include "dialogs/FrmCarrowind.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QTabWidget>

#include "dialogs/FrmCarrowind_controls.h"
#include "dialogs/FrmFieldValues.h"
#include "dialogs/FrmList.h"
#include "dialogs/dialog_errors.h"
#include "dialogs/expression_choices.h"
#include "dialogs/qt_text.h"
#include "dialogs/quick_pick_controls.h"
#include "dialogs/twips.h"
#include "platform/help/help.h"
#include "platform/registry/class_registration.h"
#include "platform/shell/shell_open.h"

namespace dialogs {
FrmCarrowind::FrmCarrowind(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FrmCarrowind"));
  setWindowTitle(q(kCaption));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(toPixels(kClientWidthTwips, kClientHeightTwips, screenScale(this)));
}

FrmCarrowind::~FrmCarrowind() {
  // A dialog destroyed while loaded still lets go of what it holds.
  if (loaded_) Unload();
}

void FrmCarrowind::Application(host::IApplication* application) { application_ = host::Ref<host::IApplication>(application); }

QListWidget* FrmCarrowind::LstLabelFields() {
  Load();
  return c_->LstLabelFields;
}
QRadioButton* FrmCarrowind::OptApplyAll() {
  Load();
  return c_->OptApplyAll;
}
QRadioButton* FrmCarrowind::OptApplyDefinitionQuery() {
  Load();
  return c_->OptApplyDefinitionQuery;
}
QRadioButton* FrmCarrowind::OptApplySelection() {
  Load();
  return c_->OptApplySelection;
}
QPlainTextEdit* FrmCarrowind::TxtExpression() {
  Load();
  return c_->TxtExpression;
}

std::u16string FrmCarrowind::ExpressionText() {
  QString text = TxtExpression()->toPlainText();
  text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  return text.toStdU16String();
}

void FrmCarrowind::ShowModal() {
  Load();
  exec();
  // Closing always unloads; this covers a caller that ended the loop itself.
  if (loaded_) Unload();
}

void FrmCarrowind::showEvent(QShowEvent* event) {
  Load();
  // Each opening starts in the middle of the screen.
  if (!event->spontaneous()) centreOnScreen(this);
  QDialog::showEvent(event);
}

void FrmCarrowind::Load() {
  if (loaded_ || loading_) return;
  loading_ = true;
  buildControls();
  connectHandlers();
  loaded_ = true;
  Form_Load();
  loading_ = false;
}

void FrmCarrowind::Form_Load() {
  auto& c = *c_;
  // 1. The document and the labeler. The labeler comes from the engine's
  // registered library; a missing one is reported and the dialog still opens.
  try {
    document_ = nullptr;
    if (application_) document_ = com::query<host::IMxDocument>(application_->Document().get());
  } catch (const std::exception& e) {
    reportError(e, u"Error Attempting To Open Document");
  }
  try {
    registry::useRegisteredServers();
    labeler_ = com::create<engine::_QVXCarrowind>(engine::CLSID_QVXCarrowind);
  } catch (const std::exception& e) {
    reportError(e, u"Error Attempting To Create Labeler");
  }

  // 2. The formatting statements, the first one chosen.
  {
    const QSignalBlocker quiet(c.CmbFormattingStatements);
    for (const auto& s : formattingStatements()) c.CmbFormattingStatements->addItem(q(s.entry));
  }
  c.CmbFormattingStatements->setCurrentIndex(0);
  CmbFormattingStatements_Click();

  // 3. Nothing to save, verify, apply or reset yet.
  for (QPushButton* b : {c.CmdSaveExpression, c.CmdSaveQuickPick, c.CmdVerifyExpression, c.CmdReset, c.CmdApply})
    b->setEnabled(false);

  // 4. The command changes this when the layer has no definition query.
  c.OptApplyDefinitionQuery->setChecked(true);

  // 5. The options and the quick picks.
  LoadSettings();
  quickPicks_->LoadQuickPicks();
}

void FrmCarrowind::Unload() {
  if (!loaded_) return;
  Form_Unload();
}

void FrmCarrowind::Form_Unload() {
  document_ = nullptr;
  // The other windows of the dialog, the last opened first.
  const auto windows = findChildren<QDialog*>(Qt::FindDirectChildrenOnly);
  for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
    (*it)->hide();
    delete *it;
  }
  chooser_ = nullptr;
  fieldValues_ = nullptr;
  labeler_ = nullptr;

  // The controls go; a later load builds them afresh from their design
  // values. The client may be running the handler that unloads us, so it
  // is deleted once control returns to the event loop, and until then it
  // is out of sight and out of the dialog's children.
  c_.reset();
  quickPicks_ = nullptr;
  if (client_) {
    client_->hide();
    client_->setParent(nullptr);
    client_->deleteLater();
    client_ = nullptr;
  }
  loaded_ = false;
}

void FrmCarrowind::reject() {
  QDialog::reject();
  Unload();
}

void FrmCarrowind::CmdCancel_Click() {
  hide();
  Unload();
}

void FrmCarrowind::CmdHelp_Click() {
  try {
    platform::help::showHelp(kHelpFile);
  } catch (const std::exception& e) {
    reportError(e, u"Error Attempting To Open Help");
  }
}

void FrmCarrowind::txtWebSite_Click() { platform::shell::open(kWebSiteAddress); }

void FrmCarrowind::txtSupportEmail_Click() { platform::shell::open(kSupportAddress); }

bool FrmCarrowind::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease && c_ &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    if (watched == c_->txtWebSite) {
      txtWebSite_Click();
      return true;
    }
    if (watched == c_->txtSupportEmail) {
      txtSupportEmail_Click();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

host::Ref<host::IContentsView> FrmCarrowind::contentsView() {
  if (!document_) throw com::Error(com::E_POINTER, u"The dialog has no map document.");
  auto view = document_->CurrentContentsView();
  if (!view) throw com::Error(com::E_POINTER, u"The map document has no table of contents.");
  return view;
}

host::Ref<host::ILayer> FrmCarrowind::selectedLayer() {
  auto view = contentsView();
  const host::Value item = view->SelectedItem();
  if (!item.isObject()) return nullptr;
  return com::query<host::ILayer>(item.object().get());
}

}  // namespace dialogs
