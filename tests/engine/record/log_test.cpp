#include "engine/record/log.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "engine_test_support.h"

namespace zentrova {
namespace {

using Strings = std::vector<std::string>;

const char* const kAlert = "[Alert] Break because maximum alloved number of lines in log file reached.";

struct WiredLog {
  WiredLog() {
    log.SetWindow(&window);
    log.SetHistory(&history);
    log.SetRunControl(&run);
  }
  TLog log;
  test::RecordingLogSink window;
  test::RecordingLogSink history;
  test::FakeRunControl run{false};
};

TEST(Log, LimitStopsARunningSimulationAndAlertsOnlyTheMirrors) {
  WiredLog w;
  w.log.MaxLines = 3;
  w.run.running = true;
  w.log.Add("one");
  w.log.Add("two");
  EXPECT_TRUE(w.run.running);
  w.log.Add("three");
  EXPECT_EQ(w.run.stops, 1);
  EXPECT_EQ(w.log.Lines(), (Strings{"one", "two", "three"}));
  EXPECT_EQ(w.history.lines, (Strings{"one", "two", "three", kAlert}));
  // Every later line repeats the alert, and the stop when a run has started again meanwhile.
  w.run.running = true;
  EXPECT_EQ(w.log.Add("four"), 3);
  EXPECT_EQ(w.run.stops, 2);
  EXPECT_EQ(w.window.lines, (Strings{"one", "two", "three", kAlert, "four", kAlert}));
  w.log.Add("five");
  EXPECT_EQ(w.run.stops, 2);  // no run: nothing to stop
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
  const Strings lines = w.log.Lines();
  ASSERT_EQ(lines.size(), 2u * kLines);
  EXPECT_EQ(w.window.lines, lines);
  int next[2] = {0, 0};
  for (const std::string& line : lines) EXPECT_EQ(line.substr(1), std::to_string(next[line[0] == 's']++));
}

}  // namespace
}  // namespace zentrova
