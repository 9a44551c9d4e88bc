#pragma once
// A host command as a Qt action, for menus and toolbars: its caption,
// tooltip, message (the status tip) and picture. Triggering it runs
// OnClick; refresh() polls Enabled. A command that fails is reported and
// never takes the window down.
#include <QAction>

#include "host/extension.h"

namespace carrowind::map {

class CommandAction : public QAction {
  Q_OBJECT
 public:
  CommandAction(host::Ref<host::ICommand> command, QObject* parent);

  // Asks the command whether it is enabled now. A command that cannot tell
  // is disabled (and the failure written to standard error, not shown: the
  // state is polled often).
  void refresh();
  host::ICommand* command() const { return command_.get(); }

 signals:
  // After OnClick returned (or failed): what it did may have changed the
  // document.
  void ran();

 private:
  void run();

  host::Ref<host::ICommand> command_;
};

}  // namespace carrowind::map
