// The program's single message log. Every engine and shell operation reports errors, alerts and
// warnings as one line ("[Error] ", "[Alert] ", "[Warning] " or untagged); each line is mirrored at once
// to the log window and to the history log, and an optional line limit stops a running simulation.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "engine/engine_constants.h"
#include "engine/log_sink.h"

namespace zentrova {

// The main window's run control as far as the log needs it.
class IRunControl {
 public:
  virtual ~IRunControl() = default;
  virtual bool SimulationRunning() const = 0;
  // Stops a running simulation; does nothing when none runs.
  virtual void StopSimulation() = 0;
};

// A log mirrors its lines to sinks of its own: the log window (which the program implements and tests
// fake) and the history log of the current history directory (which the world wires to its history). A
// mirror is called on the thread that adds the line, while the log holds its lock: it must neither add
// lines to the log itself nor wait for another thread that might.
class TLog : public ILogSink {
 public:
  TLog() = default;
  TLog(const TLog&) = delete;
  TLog& operator=(const TLog&) = delete;

  // Appends the line, mirrors it and applies the line limit; the index of the new line.
  std::int32_t Add(const std::string& line);
  // The sink's line: Add.
  void AddLine(const std::string& line) override { Add(line); }

  std::int32_t Count() const;
  // A copy of line `index`, or "" outside the list.
  std::string Line(std::int32_t index) const;
  std::vector<std::string> Lines() const;
  // Empties the list; the sinks keep what they were sent. A history that is read back replaces the log
  // of the load with its own.
  void Clear();

  // nullptr detaches. The log does not own them; whoever attaches detaches before freeing.
  void SetWindow(ILogSink* window);
  void SetHistory(ILogSink* history);
  // The running simulation's observer: it sees every line added while the run lasts.
  void SetRunSink(ILogSink* run);
  void SetRunControl(IRunControl* run_control);

  // Line limit; kUnlimitedLogLines (0, at creation) means no limit. The main window sets it after each
  // world load from the job's maxLinesInLog.
  std::atomic<std::int32_t> MaxLines{kUnlimitedLogLines};

 private:
  // Lines arrive from the main thread (loading, control tree) and from the simulation thread (step
  // failures, solver alerts); one lock keeps the list and the order of the mirrored lines consistent.
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
  ILogSink* window_ = nullptr;
  ILogSink* history_ = nullptr;
  ILogSink* run_ = nullptr;
  IRunControl* run_control_ = nullptr;
};

// The program's log (ProgramLog), installed by the program or a test; a world logs to the sink it was
// given instead. SetGlobalLog returns the previous one; the caller keeps ownership.
TLog* GlobalLog();
TLog* SetGlobalLog(TLog* log);

// Adds a line to the global log; without one the line goes nowhere.
void LogLine(const std::string& line);

}  // namespace zentrova
