// The one QApplication of a widget test program, on Qt's off-screen platform unless a display is asked
// for: unit tests of windows never need an X server.
#pragma once

#include <QtWidgets/QApplication>

#include <cstdlib>

namespace zentrova::test {

inline QApplication& TestWidgetsApplication() {
  static int argc = 1;
  static char name[] = "zentrova-test", *argv[] = {name, nullptr};
  static QApplication* application = [] {
    if (std::getenv("DISPLAY") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    return new QApplication(argc, argv);
  }();
  return *application;
}

}  // namespace zentrova::test
