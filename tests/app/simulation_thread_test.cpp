// The run's thread against a recording host: what reaches the GUI thread's view, and when.
#include "app/simulation_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/gui_mailbox.h"
#include "engine/step/driver.h"
#include "engine/step/run_loop.h"
#include "engine/world/world.h"
#include "qt_widgets_application.h"
#include "test_support.h"

namespace zentrova {
namespace {

class RecordingHost : public ILoopHost {
 public:
  void ShowFrame(const TViewFrame& frame) override { calls.push_back("frame " + std::to_string(frame.Time)); }
  void RunEnded() override { calls.push_back("ended"); }
  std::vector<std::string> calls;
};

// The falling box copied into `dir`, its break time 0.2 s: the text of its world file.
std::string CopyFallingBox(const test::TempDir& dir) {
  for (const auto& entry :
       std::filesystem::directory_iterator(std::string(ZENTROVA_SOURCE_DIR) + "/examples/falling-box")) {
    std::filesystem::copy_file(entry.path(), std::filesystem::path(dir.Path()) / entry.path().filename());
  }
  std::string world = test::ReadBytes(dir.File("falling-box.wld"));
  world.replace(world.find("breakTime=3"), 11, "breakTime=0.2");
  test::WriteBytes(dir.File("falling-box.wld"), world);
  return world;
}

// Starts the thread and waits up to a minute for its final actions.
bool RunToItsEnd(TLoopThread& thread) {
  thread.Start();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!thread.Finished() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return thread.Finished();
}

struct PostCase {
  std::int32_t frames_per_second;
};

class LoopThreadTest : public ::testing::TestWithParam<PostCase> {};

// The GUI thread takes nothing until the run is over: the frames the run posted meanwhile come as one,
// the newest, before the end. With no redraws the run's last frame is the only one: the first frame
// posted into the empty slot wakes the GUI thread itself, not a later one.
TEST_P(LoopThreadTest, TheNewestFrameReachesTheViewBeforeTheEnd) {
  test::TestWidgetsApplication();
  test::TempDir dir;
  CopyFallingBox(dir);
  TVYKMain main;
  std::string history;
  ASSERT_TRUE(main.LoadWorld(dir.File("falling-box.wld"), history, ""));

  RecordingHost host;
  TGuiMailbox mailbox;
  const std::atomic<std::int32_t> frames_per_second{GetParam().frames_per_second};
  TRunSettings settings;
  settings.FramesPerSecond = &frames_per_second;
  settings.MaxSeconds = 1000;
  TLoopThread thread(main, host, mailbox, settings);
  ASSERT_TRUE(RunToItsEnd(thread));
  thread.Join();
  EXPECT_TRUE(host.calls.empty());
  mailbox.Drain();
  const long double end = main.World().MakeViewFrame().Time;
  ASSERT_GT(end, 0.2L);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"frame " + std::to_string(end), "ended"}));
}

INSTANTIATE_TEST_SUITE_P(Redraws, LoopThreadTest, ::testing::Values(PostCase{0}, PostCase{50}));

// How the run ended decides whether the job counts as failed: a value that is not finite is an error like
// a step given up; the break time, and a history that already ends past it, are not.
TEST(LoopThreadStops, AValueThatIsNotFiniteFailsTheRun) {
  test::TestWidgetsApplication();
  const struct {
    const char* what;
    std::string energy;  // the mechanical energy file's line; "" keeps the model's
    bool lower_break_time;  // the history recorded to 0.2 s is continued with its break time lowered
    TRunStop stop;
    bool failed;
  } cases[] = {
      {"break time", "", false, TRunStop::BreakTime, false},
      {"energy NaN", "b`Box`m g b`Box`y[t] + sqrt(0.03 - t)", false, TRunStop::NotFinite, true},
      {"energy infinite", "b`Box`m g b`Box`y[t] + exp(1000000 t)", false, TRunStop::NotFinite, true},
      {"past the break time", "", true, TRunStop::PastBreakTime, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempDir dir;
    std::string world = CopyFallingBox(dir);
    if (!c.energy.empty()) test::WriteBytes(dir.File("falling-box.me"), c.energy + "\n");
    std::string history;
    if (c.lower_break_time) {
      TVYKMain first;
      ASSERT_TRUE(first.LoadWorld(dir.File("falling-box.wld"), history, ""));
      ASSERT_EQ(TRunLoop(first).Run(), TRunStop::BreakTime);
      world.replace(world.find("breakTime=0.2"), 13, "breakTime=0.1");
      test::WriteBytes(dir.File("000/falling-box.wld"), world);
      history = "000";
    }
    TVYKMain main;
    ASSERT_TRUE(main.LoadWorld(dir.File("falling-box.wld"), history, ""));
    RecordingHost host;
    TGuiMailbox mailbox;
    TRunSettings settings;
    settings.MaxSeconds = 1000;
    TLoopThread thread(main, host, mailbox, settings);
    EXPECT_TRUE(RunToItsEnd(thread));
    thread.Join();
    mailbox.Drain();
    EXPECT_EQ(thread.Stop(), c.stop);
    EXPECT_EQ(thread.Failed(), c.failed);
  }
}

}  // namespace
}  // namespace zentrova
