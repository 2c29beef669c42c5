#include "app/batch_output.h"

#include <algorithm>
#include <cstdlib>

namespace zentrova {

namespace {

// The log lines a box may repeat: the refusal of a job file says a few at most.
constexpr std::size_t kRecentLines = 16;

bool Set(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

}  // namespace

void TStderrLines::AddLine(const std::string& line) {
  const std::lock_guard<std::mutex> lock(mutex_);
  Write(line);
  recent_.push_back(line);
  if (recent_.size() > kRecentLines) recent_.pop_front();
}

void TStderrLines::AddMessage(const std::string& text) {
  const std::lock_guard<std::mutex> lock(mutex_);
  std::string line;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != '\n' && text[i] != '\r') {
      line += text[i];
      continue;
    }
    if (std::find(recent_.begin(), recent_.end(), line) == recent_.end()) Write(line);
    line.clear();
    if (i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n') ++i;
  }
}

void TStderrLines::Write(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), out_);
  std::fputc('\n', out_);
  std::fflush(out_);
}

bool PlatformWithoutDisplay(const std::string& platform_name) {
  return platform_name == "offscreen" || platform_name == "minimal";
}

bool DisplayConfigured() {
  return Set("QT_QPA_PLATFORM") || Set("DISPLAY") || Set("WAYLAND_DISPLAY");
}

}  // namespace zentrova
