// Every command of the windows runs through this guard: an exception never crosses the Qt event loop,
// it reaches the message box instead, as an error of the command would in any other window.
#pragma once

#include <exception>

#include "platform/message_sink.h"

namespace zentrova {

template <class F>
void GuardedCommand(F&& command) {
  try {
    command();
  } catch (const std::exception& e) {
    ShowMessage(e.what());
  } catch (...) {
    ShowMessage("An unknown error occurred.");
  }
}

}  // namespace zentrova
