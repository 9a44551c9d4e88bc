#include "apps/carrowind-map/ui/guarded_application.h"

#include "apps/carrowind-map/hosting/failure_report.h"

namespace carrowind::map {

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
  bool handled = false;
  if (!guarded(u"Carrowind Map", [&] { handled = QApplication::notify(receiver, event); })) return true;
  return handled;
}

}  // namespace carrowind::map
