#include "engine/record/log.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "engine_test_support.h"

namespace zentrova {
namespace {

using test::RecordingLogSink;

const char* const kAlert = "[Alert] Break because maximum alloved number of lines in log file reached.";

struct WiredLog {
  WiredLog() {
    log.SetWindow(&window);
    log.SetHistory(&history);
    log.SetRunControl(&run);
  }
  TLog log;
  RecordingLogSink window;
  RecordingLogSink history;
  test::FakeRunControl run{false};
};

TEST(Log, AddsMirrorsAndCountsLines) {
  WiredLog w;
  EXPECT_EQ(w.log.MaxLines, 0);
  EXPECT_EQ(w.log.Add("[Error] first"), 0);
  EXPECT_EQ(w.log.Add("untagged"), 1);
  EXPECT_EQ(w.log.Count(), 2);
  EXPECT_EQ(w.log.Line(1), "untagged");
  EXPECT_EQ(w.log.Line(2), "");
  EXPECT_EQ(w.log.Line(-1), "");
  const std::vector<std::string> expected{"[Error] first", "untagged"};
  EXPECT_EQ(w.log.Lines(), expected);
  EXPECT_EQ(w.window.lines, expected);
  EXPECT_EQ(w.history.lines, expected);
}

TEST(Log, LimitStopsARunningSimulationAndAlertsOnlyTheMirrors) {
  WiredLog w;
  w.log.MaxLines = 3;
  w.run.running = true;
  w.log.Add("one");
  w.log.Add("two");
  EXPECT_TRUE(w.run.running);
  w.log.Add("three");
  EXPECT_FALSE(w.run.running);
  EXPECT_EQ(w.run.stops, 1);
  EXPECT_EQ(w.log.Lines(), (std::vector<std::string>{"one", "two", "three"}));
  const std::vector<std::string> mirrored{"one", "two", "three", kAlert};
  EXPECT_EQ(w.window.lines, mirrored);
  EXPECT_EQ(w.history.lines, mirrored);

  // The list keeps growing past the limit: every later line repeats the alert (and the stop, when a run
  // has started again meanwhile).
  w.run.running = true;
  EXPECT_EQ(w.log.Add("four"), 3);
  EXPECT_EQ(w.run.stops, 2);
  EXPECT_EQ(w.window.lines.size(), 6u);
  EXPECT_EQ(w.window.lines[4], "four");
  EXPECT_EQ(w.window.lines[5], kAlert);
}

TEST(Log, LimitWithoutARunStartsNothing) {
  WiredLog w;
  w.log.MaxLines = 2;
  w.log.Add("one");
  w.log.Add("two");
  w.log.Add("three");
  EXPECT_FALSE(w.run.running);
  EXPECT_EQ(w.run.stops, 0);
  EXPECT_EQ(w.window.lines, (std::vector<std::string>{"one", "two", kAlert, "three", kAlert}));
}

TEST(Log, NoLimitNeverStops) {
  WiredLog w;
  w.run.running = true;
  for (int i = 0; i < 500; ++i) w.log.Add("line " + std::to_string(i));
  EXPECT_TRUE(w.run.running);
  EXPECT_EQ(w.window.lines.size(), 500u);
}

TEST(Log, WorksWithoutSinks) {
  TLog log;
  log.MaxLines = 1;
  log.Add("alone");
  log.Add("again");
  EXPECT_EQ(log.Count(), 2);
}

TEST(Log, GlobalLogTakesLinesOnlyWhileSet) {
  TLog* const before = GlobalLog();
  LogLine("[Error] goes nowhere");
  TLog log;
  EXPECT_EQ(SetGlobalLog(&log), before);
  LogLine("[Error] kept");
  EXPECT_EQ(SetGlobalLog(before), &log);
  LogLine("[Error] after");
  EXPECT_EQ(log.Lines(), std::vector<std::string>{"[Error] kept"});
}

TEST(Log, LinesFromTwoThreadsAreAllKeptInTheirOrder) {
  WiredLog w;
  constexpr int kLines = 2000;
  auto writer = [&w](const std::string& tag) {
    for (int i = 0; i < kLines; ++i) w.log.Add(tag + std::to_string(i));
  };
  std::thread simulation(writer, "s");
  writer("m");
  simulation.join();
  const std::vector<std::string> lines = w.log.Lines();
  ASSERT_EQ(lines.size(), 2u * kLines);
  EXPECT_EQ(w.window.lines, lines);
  EXPECT_EQ(w.history.lines, lines);
  int next_s = 0, next_m = 0;
  for (const std::string& line : lines) {
    int& next = line[0] == 's' ? next_s : next_m;
    EXPECT_EQ(line.substr(1), std::to_string(next));
    ++next;
  }
  EXPECT_EQ(next_s, kLines);
  EXPECT_EQ(next_m, kLines);
}

}  // namespace
}  // namespace zentrova
