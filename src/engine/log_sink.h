// Where the engine's parts write their log lines and show their messages. A world is given one sink and
// hands it to every part it composes, so two worlds in one process log apart; a part made on its own (a
// tool, a test) writes to the program's log.
#pragma once

#include <string>

#include "platform/message_sink.h"

namespace zentrova {

// One line at a time ("[Error] ", "[Alert] ", "[Warning] " or untagged). A sink may be called from the
// thread that steps a world as well as from the one that loads it.
class ILogSink {
 public:
  virtual ~ILogSink() = default;
  virtual void AddLine(const std::string& line) = 0;
};

// The program's log (the one the program or a test installed as the global log); its lines go nowhere
// while none is installed.
ILogSink& ProgramLog();

// A message box through `sink`, or through the program's message sink when `sink` is nullptr.
inline void ShowMessageVia(IMessageSink* sink, const std::string& text) {
  if (sink != nullptr) {
    sink->ShowMessage(text);
  } else {
    ShowMessage(text);
  }
}

}  // namespace zentrova
