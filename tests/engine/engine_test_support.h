// Fixtures shared by the engine tests: a global log that records its lines, a message-box sink, and the
// process-wide decimal separator restored after every test.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/log.h"
#include "numerics/numerics_error.h"
#include "platform/message_sink.h"
#include "platform/settings.h"
#include "test_support.h"

namespace zentrova::test {

// Collects the lines a log mirrors to one of its sinks.
class RecordingLogSink : public ILogSink {
 public:
  void AddLine(const std::string& line) override { lines.push_back(line); }
  std::vector<std::string> lines;
};

// Collects the texts that would go to a message box.
class RecordingMessages : public IMessageSink {
 public:
  RecordingMessages() { previous_ = SetMessageSink(this); }
  RecordingMessages(const RecordingMessages&) = delete;
  RecordingMessages& operator=(const RecordingMessages&) = delete;
  ~RecordingMessages() override { SetMessageSink(previous_); }
  void ShowMessage(const std::string& text) override { texts.push_back(text); }
  std::vector<std::string> texts;

 private:
  IMessageSink* previous_ = nullptr;
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

  static std::string Data(const std::string& relative) { return DataPath("engine/" + relative); }

  TLog log_;

 private:
  TLog* previous_log_ = nullptr;
};

}  // namespace zentrova::test
