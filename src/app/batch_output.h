// The program run on the job file of its command line, as a script sees it: what it writes on stderr and
// whether anyone can see its windows.
#pragma once

#include <cstdio>
#include <deque>
#include <mutex>
#include <string>

#include "engine/log_sink.h"

namespace zentrova {

// stderr while the program runs the job file of its command line: every line its log receives, and the
// texts of its message boxes (without the lines the log has just written: a box about the job file repeats
// them).
class TStderrLines : public ILogSink {
 public:
  // `out` outlives the object.
  explicit TStderrLines(std::FILE* out = stderr) : out_(out) {}
  // Any thread.
  void AddLine(const std::string& line) override;
  // A message box's text, line by line; a CR alone ends a line too.
  void AddMessage(const std::string& text);

 private:
  void Write(const std::string& line);

  std::mutex mutex_;
  std::FILE* out_;
  std::deque<std::string> recent_;
};

// A Qt platform whose windows nobody sees: no click can ever come.
bool PlatformWithoutDisplay(const std::string& platform_name);

// Qt has a display to try: a platform chosen in QT_QPA_PLATFORM, or DISPLAY or WAYLAND_DISPLAY set.
bool DisplayConfigured();

}  // namespace zentrova
