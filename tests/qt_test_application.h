// The one QCoreApplication of a test program, made at first use, and an event pump that stops at a
// condition instead of sleeping.
#pragma once

#include <QtCore/QCoreApplication>
#include <QtCore/QElapsedTimer>

#include <functional>

namespace zentrova::test {

inline QCoreApplication& TestCoreApplication() {
  static int argc = 1;
  static char name[] = "zentrova-test", *argv[] = {name, nullptr};
  static QCoreApplication application(argc, argv);
  return application;
}

// Handles events until the condition holds or the time runs out; true when it holds.
inline bool PumpEventsUntil(const std::function<bool()>& condition, int timeout_ms = 2000) {
  QElapsedTimer timer;
  for (timer.start(); !condition(); QCoreApplication::processEvents()) {
    if (timer.elapsed() > timeout_ms) return false;
  }
  return true;
}

}  // namespace zentrova::test
