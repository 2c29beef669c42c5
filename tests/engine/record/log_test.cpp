#include "engine/record/log.h"

#include <gtest/gtest.h>

#include <string>
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
}

}  // namespace
}  // namespace zentrova
