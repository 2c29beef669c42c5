#include "engine/record/log.h"

namespace zentrova {

namespace {

std::atomic<TLog*> g_log{nullptr};

const char* const kLineLimitAlert =
    "[Alert] Break because maximum alloved number of lines in log file reached.";

}  // namespace

std::int32_t TLog::Add(const std::string& line) {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto index = static_cast<std::int32_t>(lines_.size());
  lines_.push_back(line);
  if (window_ != nullptr) window_->AddLine(line);
  if (history_ != nullptr) history_->AddLine(line);
  if (run_ != nullptr) run_->AddLine(line);
  const std::int32_t limit = MaxLines.load();
  // The list keeps growing past the limit, so every later line repeats the stop and the alert.
  if (limit != kUnlimitedLogLines && static_cast<std::int64_t>(lines_.size()) >= limit) {
    if (run_control_ != nullptr && run_control_->SimulationRunning()) run_control_->StopSimulation();
    // The alert goes to the window and the history log only; the list holds the user's lines.
    if (window_ != nullptr) window_->AddLine(kLineLimitAlert);
    if (history_ != nullptr) history_->AddLine(kLineLimitAlert);
  }
  return index;
}

std::int32_t TLog::Count() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<std::int32_t>(lines_.size());
}

std::string TLog::Line(std::int32_t index) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (index < 0 || static_cast<std::size_t>(index) >= lines_.size()) return {};
  return lines_[static_cast<std::size_t>(index)];
}

std::vector<std::string> TLog::Lines() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lines_;
}

void TLog::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  lines_.clear();
}

void TLog::SetWindow(ILogSink* window) {
  std::lock_guard<std::mutex> lock(mutex_);
  window_ = window;
}

void TLog::SetHistory(ILogSink* history) {
  std::lock_guard<std::mutex> lock(mutex_);
  history_ = history;
}

void TLog::SetRunSink(ILogSink* run) {
  std::lock_guard<std::mutex> lock(mutex_);
  run_ = run;
}

void TLog::SetRunControl(IRunControl* run_control) {
  std::lock_guard<std::mutex> lock(mutex_);
  run_control_ = run_control;
}

TLog* GlobalLog() {
  return g_log.load();
}

TLog* SetGlobalLog(TLog* log) {
  return g_log.exchange(log);
}

void LogLine(const std::string& line) {
  if (TLog* log = g_log.load()) log->Add(line);
}

namespace {

class TProgramLog : public ILogSink {
 public:
  void AddLine(const std::string& line) override { LogLine(line); }
};

}  // namespace

ILogSink& ProgramLog() {
  static TProgramLog program_log;
  return program_log;
}

}  // namespace zentrova
