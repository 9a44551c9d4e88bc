#pragma once
// The application object of the map window: an exception that escapes an
// event handler (a command, an extension, a view) is reported and the
// event counts as handled, instead of ending the program.
#include <QApplication>

namespace carrowind::map {

class GuardedApplication : public QApplication {
 public:
  GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace carrowind::map
