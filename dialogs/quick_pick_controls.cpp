#include "dialogs/quick_pick_controls.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QPlainTextEdit>
#include <QStringDecoder>
#include <QTextEdit>

#include "mapdoc/atomic_file.h"
#include "platform/com/error.h"
#include "platform/filedialog/file_dialog.h"
#include "platform/inputbox/input_box.h"
#include "platform/messagebox/message_box.h"
#include "platform/registry/store.h"
#include "support/basRegistry.h"
#include "support/quick_pick_store.h"

namespace dialogs {
namespace {

namespace mb = platform::messagebox;
namespace fd = platform::filedialog;
namespace qp = support::quickpicks;
using registry::HKEY_CURRENT_USER;

const std::u16string kReinstallSave = u"Error attempting to save settings!  Please reinstall the Carrowind!";
const std::u16string kReinstallFind = u"Error attempting to find saved quick pick!  Please reinstall the Carrowind!";
const std::u16string kUnableToSave = u"Unable to Save Settings";

std::u16string u16(const QString& s) { return s.toStdU16String(); }
QString qs(const std::u16string& s) { return QString::fromStdU16String(s); }

bool quickPicksKeyExists() { return support::basRegistry::KeyExists(HKEY_CURRENT_USER, qp::kQuickPicksKey); }

// Files hold line breaks as CR LF, the system's own form; the box as "\n".
QString withFileLineBreaks(QString text) { return text.replace(QLatin1Char('\n'), QStringLiteral("\r\n")); }

QString withBoxLineBreaks(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

std::string fileBytes(const QString& text) { return withFileLineBreaks(text).toUtf8().toStdString(); }

// The system code page is UTF-8; a file written in a single-byte code page
// elsewhere is read as Latin-1 rather than shown with replacement marks. A
// UTF-8 byte-order mark (Notepad writes one) is no part of the text.
QString decodeFile(QByteArray bytes) {
  if (bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);
  QStringDecoder utf8(QStringDecoder::Utf8);
  QString text = utf8.decode(bytes);
  if (utf8.hasError()) return QString::fromLatin1(bytes);
  return text;
}

std::u16string storeFailure() {
  const std::string why = registry::storeError();
  return QString::fromStdString(why.empty() ? registry::describeFailure(qp::lastFailure()) : why).toStdU16String();
}

// An error's own description: a host or store error's, else its message.
std::u16string describe(const std::exception& e) {
  if (auto* error = dynamic_cast<const com::Error*>(&e); error && !error->description().empty())
    return error->description();
  return QString::fromUtf8(e.what()).toStdU16String();
}

struct HandlerError {
  std::u16string description;
};

fd::Request fileRequest(fd::Mode mode, std::u16string filter, std::u16string extension) {
  fd::Request r;
  r.mode = mode;
  r.filter = std::move(filter);
  r.defaultExtension = std::move(extension);
  r.overwritePrompt = true;
  r.fileMustExist = true;
  return r;
}

}  // namespace

const QString QuickPickControls::kExpressionFilter =
    QStringLiteral("Quorvex Symbol Label Expression (*.exp)|*.exp;|") + QStringLiteral("All Files(*.*)|*.*;|");
const QString QuickPickControls::kExportFilter =
    QStringLiteral("Text Document (*.txt)|*.txt;|") + QStringLiteral("All Files(*.*)|*.*;|");

QuickPickControls::QuickPickControls(QWidget* owner, QWidget* txtExpression, QComboBox* cmbQuickPicks,
                                     QAbstractButton* cmdDeleteQuickPick)
    : QObject(owner),
      owner_(owner),
      txtExpression_(txtExpression),
      cmbQuickPicks_(cmbQuickPicks),
      cmdDeleteQuickPick_(cmdDeleteQuickPick) {
  cmbQuickPicks_->installEventFilter(this);
}

bool QuickPickControls::eventFilter(QObject* watched, QEvent* event) {
  if (watched == cmbQuickPicks_ && event->type() == QEvent::Wheel) {
    event->ignore();
    return true;
  }
  return QObject::eventFilter(watched, event);
}

QuickPickControls::QuickPickControls(QWidget* owner, QPlainTextEdit* txtExpression, QComboBox* cmbQuickPicks,
                                     QAbstractButton* cmdDeleteQuickPick)
    : QuickPickControls(owner, static_cast<QWidget*>(txtExpression), cmbQuickPicks, cmdDeleteQuickPick) {}

QuickPickControls::QuickPickControls(QWidget* owner, QTextEdit* txtExpression, QComboBox* cmbQuickPicks,
                                     QAbstractButton* cmdDeleteQuickPick)
    : QuickPickControls(owner, static_cast<QWidget*>(txtExpression), cmbQuickPicks, cmdDeleteQuickPick) {}

void QuickPickControls::wire(QAbstractButton* cmdSaveQuickPick, QAbstractButton* cmdExportQuickPicks,
                             QAbstractButton* cmdSaveExpression, QAbstractButton* cmdLoadExpression) {
  connect(cmbQuickPicks_, &QComboBox::activated, this, &QuickPickControls::CmbQuickPicks_Click);
  if (cmdDeleteQuickPick_)
    connect(cmdDeleteQuickPick_, &QAbstractButton::clicked, this, &QuickPickControls::CmdDeleteQuickPick_Click);
  const std::pair<QAbstractButton*, void (QuickPickControls::*)()> buttons[] = {
      {cmdSaveQuickPick, &QuickPickControls::CmdSaveQuickPick_Click},
      {cmdExportQuickPicks, &QuickPickControls::cmdExportQuickPicks_Click},
      {cmdSaveExpression, &QuickPickControls::CmdSaveExpression_Click},
      {cmdLoadExpression, &QuickPickControls::CmdLoadExpression_Click}};
  for (const auto& [button, handler] : buttons)
    if (button) connect(button, &QAbstractButton::clicked, this, handler);
}

QString QuickPickControls::expressionText() const {
  if (auto* plain = qobject_cast<QPlainTextEdit*>(txtExpression_)) return plain->toPlainText();
  if (auto* rich = qobject_cast<QTextEdit*>(txtExpression_)) return rich->toPlainText();
  return {};
}

void QuickPickControls::setExpressionText(const QString& text) {
  if (auto* plain = qobject_cast<QPlainTextEdit*>(txtExpression_)) plain->setPlainText(text);
  else if (auto* rich = qobject_cast<QTextEdit*>(txtExpression_)) rich->setPlainText(text);
}

void QuickPickControls::LoadQuickPicks() {
  if (quickPicksKeyExists()) {
    const auto names = qp::names();
    // An empty list leaves the drop-down and the delete button as they stand.
    if (names.empty()) return;
    cmbQuickPicks_->clear();
    for (const auto& name : names) cmbQuickPicks_->addItem(qs(name));
  }
  // Qt makes the first entry current; Delete must act only on a pick the
  // user chose.
  cmbQuickPicks_->setCurrentIndex(-1);
  if (cmdDeleteQuickPick_) cmdDeleteQuickPick_->setEnabled(cmbQuickPicks_->count() > 0);
}

void QuickPickControls::CmbQuickPicks_Click() {
  try {
    const QString name = cmbQuickPicks_->currentText();
    if (!quickPicksKeyExists()) {
      mb::show(kReinstallFind, kUnableToSave, mb::Icon::Critical);
      return;
    }
    const QString expression = qs(qp::expression(u16(name)));
    if (expression.isEmpty()) return;
    if (expressionText().isEmpty()) {
      setExpressionText(expression);
      return;
    }
    if (mb::show(u"Overwrite existing expression?", u"Overwrite Expression?", mb::Icon::None, mb::Buttons::YesNo) ==
        mb::Result::Yes)
      setExpressionText(expression);
  } catch (const std::exception& e) {
    mb::show(describe(e), u"Error Attempting To Read Quick Pick", mb::Icon::Critical);
  }
}

void QuickPickControls::CmdSaveQuickPick_Click() {
  try {
    const auto typed = platform::inputbox::ask({u"Enter Quick Pick Name:", u"Save Quick Pick", u""});
    const std::u16string name = qp::cleanName(typed.value_or(u""));
    if (name.empty()) return;
    if (qp::reservedName(name)) {
      mb::show(u"\"" + name + u"\" cannot name a quick pick: the list of quick picks is kept under that name.",
               u"Save Quick Pick", mb::Icon::Exclamation);
      return;
    }

    int existing = -1;
    for (int i = 0; i < cmbQuickPicks_->count() && existing < 0; ++i)
      if (qp::sameName(u16(cmbQuickPicks_->itemText(i)), name)) existing = i;
    if (existing >= 0 || qp::findName(name)) {
      if (mb::show(u"This quick pick name already exists!\r\n\r\nUpdate existing quick pick?", u"Overwrite Quick Pick?",
                   mb::Icon::None, mb::Buttons::YesNo) != mb::Result::Yes)
        return;
    }
    if (existing < 0) cmbQuickPicks_->addItem(qs(name));

    switch (qp::save(name, u16(withFileLineBreaks(expressionText())), true)) {
      case qp::SaveResult::Saved:
      case qp::SaveResult::Updated:
      case qp::SaveResult::Exists:
      case qp::SaveResult::ReservedName: break;
      case qp::SaveResult::NoProductKey: mb::show(kReinstallSave, kUnableToSave, mb::Icon::Critical); return;
      case qp::SaveResult::Failed: throw HandlerError{storeFailure()};
    }
    LoadQuickPicks();
  } catch (const HandlerError& e) {
    mb::show(e.description, u"Error Attempting To Save Settings", mb::Icon::Critical);
  } catch (const std::exception& e) {
    mb::show(describe(e), u"Error Attempting To Save Settings", mb::Icon::Critical);
  }
}

void QuickPickControls::CmdDeleteQuickPick_Click() {
  try {
    const QString name = cmbQuickPicks_->currentText();
    if (name.isEmpty()) return;
    if (mb::show(u"Delete Quick Pick: " + u16(name) + u"?", u"Delete Quick Pick?", mb::Icon::None,
                 mb::Buttons::YesNo) != mb::Result::Yes)
      return;
    if (quickPicksKeyExists() && qp::remove(u16(name)) == qp::DeleteResult::Failed)
      throw HandlerError{storeFailure()};
    cmbQuickPicks_->removeItem(cmbQuickPicks_->currentIndex());
    LoadQuickPicks();
  } catch (const HandlerError& e) {
    mb::show(e.description, u"Error Attempting To Delete Settings", mb::Icon::Critical);
  } catch (const std::exception& e) {
    mb::show(describe(e), u"Error Attempting To Delete Settings", mb::Icon::Critical);
  }
}

void QuickPickControls::cmdExportQuickPicks_Click() {
  if (cmbQuickPicks_->count() == 0) {
    mb::show(u"No quick picks to save!", u"Nothing to Save!", mb::Icon::Exclamation);
    return;
  }
  try {
    const auto file = fd::show(fileRequest(fd::Mode::Save, u16(kExportFilter), u"txt"));
    if (!file) return;
    // Written whole or not at all: a failure leaves an earlier export intact.
    const std::u16string text = qp::exportText(u16(withFileLineBreaks(expressionText())));
    mapdoc::writeFileAtomically(*file, qs(text).toUtf8().toStdString());
  } catch (const std::exception& e) {
    // The user must not believe a failed export was written.
    mb::show(describe(e), u"Error Attempting To Export Quick Picks", mb::Icon::Critical);
  }
}

void QuickPickControls::CmdSaveExpression_Click() {
  try {
    const auto file = fd::show(fileRequest(fd::Mode::Save, u16(kExpressionFilter), u"exp"));
    if (!file) return;
    mapdoc::writeFileAtomically(*file, fileBytes(expressionText()));
  } catch (const std::exception& e) {
    mb::show(describe(e), u"Error Attempting To Save Expression", mb::Icon::Critical);
  }
}

void QuickPickControls::CmdLoadExpression_Click() {
  try {
    const auto file = fd::show(fileRequest(fd::Mode::Open, u16(kExpressionFilter), u"exp"));
    if (!file) return;
    QFile in(QString::fromStdU16String(file->u16string()));
    if (!in.open(QIODevice::ReadOnly)) return;
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError) return;
    setExpressionText(withBoxLineBreaks(decodeFile(bytes)));
  } catch (const std::exception&) {
    // A missing or unreadable file leaves the expression as it was.
  }
}

}  // namespace dialogs
