// Fixtures shared by the engine tests: a global log that records its lines and the process-wide decimal
// separator restored after every test; the message-box recorder comes from test_support.h, the list
// helpers from the numerics tests' support.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/record/log.h"
#include "numerics/numerics_error.h"
#include "numerics/numerics_test_support.h"
#include "platform/settings.h"
#include "test_support.h"

namespace zentrova::test {

// Collects the lines a log mirrors to one of its sinks.
class RecordingLogSink : public ILogSink {
 public:
  void AddLine(const std::string& line) override { lines.push_back(line); }
  std::vector<std::string> lines;
};

// A run control that counts the stops it is asked for. Atomic: a log line added on another thread may
// stop it.
class FakeRunControl : public IRunControl {
 public:
  explicit FakeRunControl(bool running_at_start = true) : running(running_at_start) {}
  bool SimulationRunning() const override { return running; }
  void StopSimulation() override {
    ++stops;
    running = false;
  }
  std::atomic<bool> running;
  std::atomic<int> stops{0};
};

// Every test logs into a fresh global log and starts with "." as decimal separator and a clear numerics
// error record.
class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_log_ = SetGlobalLog(&log_);
    SetDecimalSeparator('.');
    ClearNumericsError();
  }
  void TearDown() override {
    SetGlobalLog(previous_log_);
    SetDecimalSeparator('.');
    ClearNumericsError();
  }
  std::vector<std::string> Logged() const { return log_.Lines(); }
  // Lines logged from here on are the new ones: what a fixture's loading logged is left behind.
  void MarkLog() { log_start_ = log_.Count(); }
  // The lines logged since MarkLog (all of them before it is called).
  std::vector<std::string> NewLines() const {
    const std::vector<std::string> all = Logged();
    return {all.begin() + std::min<std::ptrdiff_t>(log_start_, static_cast<std::ptrdiff_t>(all.size())),
            all.end()};
  }

  static std::string Data(const std::string& relative) { return DataPath("engine/" + relative); }

  TLog log_;

 private:
  TLog* previous_log_ = nullptr;
  std::int32_t log_start_ = 0;
};

}  // namespace zentrova::test
