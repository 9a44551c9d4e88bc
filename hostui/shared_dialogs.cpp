#include "hostui/shared_dialogs.h"

#include <QPointer>

#include "dialogs/FrmCarrowind.h"

namespace hostui {

dialogs::FrmCarrowind& sharedLabelingDialog() {
  // A window deleted from outside (the application closing all windows) is
  // made again on the next use.
  static QPointer<dialogs::FrmCarrowind> dialog;
  if (!dialog) dialog = new dialogs::FrmCarrowind;
  return *dialog;
}

}  // namespace hostui
