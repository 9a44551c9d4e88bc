#include "apps/carrowind-map/ui/command_action.h"

#include <QPixmap>
#include <iostream>

#include "apps/carrowind-map/hosting/failure_report.h"
#include "platform/text/utf.h"

namespace carrowind::map {
CommandAction::CommandAction(host::Ref<host::ICommand> command, QObject* parent)
    : QAction(parent), command_(std::move(command)) {
  guarded(u"Reading a command's caption", [&] {
    setText(QString::fromStdU16String(command_->Caption()));
    setObjectName(QString::fromStdU16String(command_->Name()));
    setToolTip(QString::fromStdU16String(command_->Tooltip()));
    setStatusTip(QString::fromStdU16String(command_->Message()));
    // The host's picture handle is a QPixmap the command's library keeps.
    if (const std::intptr_t handle = command_->Bitmap())
      setIcon(QIcon(*reinterpret_cast<const QPixmap*>(handle)));
  });
  connect(this, &QAction::triggered, this, &CommandAction::run);
  refresh();
}

void CommandAction::refresh() {
  bool enabled = false;
  try {
    enabled = command_->Enabled();
  } catch (...) {
    std::cerr << "carrowind-map: " << text().toStdString() << ": " << text::toUtf8(currentFailureText()) << std::endl;
  }
  setEnabled(enabled);
}

void CommandAction::run() {
  const QString name = QString(text()).remove(QStringLiteral("...")).remove(QChar(u'&'));
  guarded((QStringLiteral("Running ") + name).toStdU16String(), [&] { command_->OnClick(); });
  emit ran();
}

}  // namespace carrowind::map
