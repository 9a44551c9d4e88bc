#pragma once
// Windows for every user-interaction seam: message boxes, the input box,
// the file dialogs, the beep, the shell's "open" and help. A program with a
// QApplication calls installQtServices() once; the boxes are owned by the
// active modal window when there is one, else by owner.
class QWidget;

namespace platform::qt_services {

// Installs the Qt handlers on every seam. Call on the GUI thread after the
// QApplication exists. owner may be null and may be changed by calling
// again.
void installQtServices(QWidget* owner = nullptr);

// Puts back the handlers that stood before the first installQtServices().
void uninstallQtServices();

}  // namespace platform::qt_services
