#pragma once
// The one QApplication of a window test program, on Qt's offscreen
// platform unless the environment names another. Include it in one source
// file of a test program.
#include <QApplication>

namespace dialogs_test {

inline QApplication& offscreenApplication() {
  static int argc = 1;
  static char name[] = "carrowind_window_test";
  static char* argv[] = {name, nullptr};
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication* instance = [] {
    auto* existing = qobject_cast<QApplication*>(QApplication::instance());
    return existing ? existing : new QApplication(argc, argv);
  }();
  return *instance;
}

}  // namespace dialogs_test
