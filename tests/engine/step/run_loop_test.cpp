#include "engine/step/run_loop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "driver_test_support.h"
#include "engine/world/model.h"
#include "numerics/numerics_error.h"
#include "platform/number_text.h"
#include "platform/text_file.h"

namespace zentrova {
namespace {

using Strings = std::vector<std::string>;

// The host of a run with its own clock: each accepted step moves it on by `step_ms`.
class FakeHost : public IRunObserver {
 public:
  std::int32_t FramesPerSecond() override { return fps; }
  void Redraw(const TWorld&) override { redraws.push_back(clock_ms); }
  void WriteAviFrame(const TWorld& world, std::int32_t& frame_delay_ms) override {
    frames.push_back(world.State.CurrentState);
    delays.push_back(frame_delay_ms);
    frame_delay_ms = 7;
    events.push_back("frame");
  }
  void CloseAviFile() override { events.push_back("close avi"); }
  std::int32_t PausedSeconds() override { return paused_seconds; }
  std::int64_t NowMilliseconds() override { return clock_ms; }
  void StepAccepted(const TWorld& world) override {
    clock_ms += step_ms;
    stepped_states.push_back(world.State.CurrentState);
    if (on_step) on_step(world);
  }
  void AfterRun(const TWorld& world) override {
    events.push_back(world.Model().History.FilesOpen ? "after run, files open" : "after run, files closed");
    if (on_after_run) on_after_run();
  }
  void RunStopped(TRunStop stop, const std::string& reason) override {
    events.push_back("stopped");
    stopped = {stop, reason};
  }

  std::int32_t fps = 0;
  std::int32_t paused_seconds = 0;
  std::int64_t clock_ms = 0;
  std::int64_t step_ms = 0;
  std::function<void(const TWorld&)> on_step;
  std::function<void()> on_after_run;
  std::pair<TRunStop, std::string> stopped;
  std::vector<std::int64_t> redraws;
  std::vector<std::uint32_t> frames;
  std::vector<std::int32_t> delays;
  std::vector<std::uint32_t> stepped_states;
  Strings events;
};

class RunLoopTest : public test::ModelTest {
 protected:
  // The fall model recording every step of 1 ms, up to `break_time` (plus one recording interval).
  // `files` replace those of the model: (name, text).
  void LoadFall(const std::string& break_time = "1",
                const std::vector<std::pair<std::string, std::string>>& files = {}) {
    CopyModel("fall");
    for (const auto& [file, text] : files) WriteModelFile(file, text);
    WriteModelFile("fall.wld",
                   "[Main]\nnumberOfGeneralizedCoodinates=1\nmaximumTimestep=1e-3\nminimumTimestep=1e-9\n"
                   "writeToHistoryEachTimeStep=1\nbreakTime=" +
                       break_time + "\n[Bodies]\nBody1=ball.bdy\n");
    ASSERT_TRUE(Load("fall.wld"));
    loaded_lines_ = Lines().size();
  }
  // The lines logged since the load.
  std::vector<std::string> RunLines() const {
    const std::vector<std::string> all = Lines();
    return {all.begin() + static_cast<std::ptrdiff_t>(loaded_lines_), all.end()};
  }

  std::size_t loaded_lines_ = 0;

  FakeHost host_;
};

TEST_F(RunLoopTest, RedrawsOnlyAfterMoreThanOneFramesShareOfTime) {
  struct Case {
    std::int32_t fps;
    std::int64_t step_ms;
    std::vector<std::int64_t> redraws;  // the clock at each redraw within the first 260 ms
  };
  const Case cases[] = {
      {0, 25, {}},                   // 0 fps never redraws
      {10, 25, {125, 250}},          // 100 ms is not more than 1000 / 10
      {10, 50, {150}},               // nor at 100 ms of two steps
      {50, 10, {30, 60, 90, 120, 150, 180, 210, 240}},  // 20 ms: 30 is the first clock beyond it
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("fps " + std::to_string(c.fps) + ", " + std::to_string(c.step_ms) + " ms a step");
    LoadFall("0.3");
    FakeHost host;
    host.fps = c.fps;
    host.step_ms = c.step_ms;
    TRunLoop run(*main_, &host);
    EXPECT_EQ(run.Run(), TRunStop::BreakTime);
    std::vector<std::int64_t> early;
    for (std::int64_t t : host.redraws) {
      if (t <= 260) early.push_back(t);
    }
    EXPECT_EQ(early, c.redraws);
    if (c.fps == 0) EXPECT_TRUE(host.redraws.empty());
    else EXPECT_GT(host.redraws.size(), c.redraws.size());
    main_.reset();
  }
}

TEST_F(RunLoopTest, AviWindowWritesEveryStepthStateAndItsLastEndsTheRunAfterItsStep) {
  LoadFall();
  main_->AviRecording = true;
  main_->AviFirstState = 10;
  main_->AviLastState = 20;
  main_->AviFrameStep = 5;
  TRunLoop run(*main_, &host_);
  EXPECT_EQ(run.Run(), TRunStop::Stopped);
  EXPECT_EQ(host_.frames, (std::vector<std::uint32_t>{10, 15, 20}));
  // The first frame waits the default delay, later ones as long as the one before took.
  EXPECT_EQ(host_.delays, (std::vector<std::int32_t>{50, 7, 7}));
  // The pass at state 20 still stepped to state 21.
  ASSERT_FALSE(host_.stepped_states.empty());
  EXPECT_EQ(host_.stepped_states.back(), 21u);
  EXPECT_FALSE(main_->AviRecording);
  EXPECT_EQ(host_.events, (Strings{"frame", "frame", "frame", "close avi", "after run, files open", "stopped"}));
  EXPECT_FALSE(World().Model().History.FilesOpen);
}

TEST_F(RunLoopTest, AFrameStepOfZeroWritesNoFrame) {
  LoadFall();
  main_->AviRecording = true;
  main_->AviFirstState = 0;
  main_->AviLastState = 3;
  main_->AviFrameStep = 0;
  TRunLoop run(*main_, &host_);
  EXPECT_EQ(run.Run(), TRunStop::Stopped);
  EXPECT_TRUE(host_.frames.empty());
  EXPECT_EQ(host_.stepped_states.back(), 4u);
}

TEST_F(RunLoopTest, BreakTimeAndNumericsErrorInOnePassLogBothAndLowerTheCountOnce) {
  LoadFall("0.01");
  host_.on_step = [this](const TWorld& world) {
    if (world.State.Time > World().Model().BreakTime) RaiseNumericsError(1, 5, "singular", false);
  };
  TRunLoop run(*main_, &host_);
  EXPECT_EQ(run.Run(), TRunStop::NumericsError);
  EXPECT_EQ(RunLines(),
            (Strings{"[Alert] Break time of 0.011s reached.",
                     "[Error] Abort because error in data stucture (e.g. singularity in mass matrix)."}));
  EXPECT_EQ(World().State.StoredStateCount, World().Model().History.Points.Count() - 1);
}

// A run that turns a value NaN or infinite names the line of the model file that gave no number at the
// last recorded state that was still finite: a constant fault, one of the state, the energy's line, and a
// dependent coordinate (looked at when a state is recorded, here every step).
TEST_F(RunLoopTest, ValueThatTurnsNotFiniteNamesTheLineThatMadeIt) {
  const std::string follower = "%%%new%%%\nb`Ball`x[t]\n%%definition\nb`Ball`y[t]\n0\n0\n%%J\n0\n%%j\n0\n";
  const struct {
    std::vector<std::pair<std::string, std::string>> files;
    const char* line;
  } cases[] = {
      {{{"fall.hv", "-b`Ball`m g/0\n"}},
       "[Error] b`Ball`y turned -INF at t=0.001s. Line 1 of file fall.hv gives -INF at t=0s."},
      // ln(y - 11) at y = 10: no number of the state it reads, which is finite.
      {{{"fall.hv", "Ln[b`Ball`y[t] - 11]\n"}},
       "[Error] b`Ball`y turned NAN at t=0.001s. Line 1 of file fall.hv gives NAN at t=0s."},
      // The dependent x follows y: no number at the state that turned, a number at the one before, where
      // the force is the first line that gives none.
      {{{"fall.dc", follower}, {"fall.hv", "-b`Ball`m g/0\n"}},
       "[Error] b`Ball`y turned -INF at t=0.001s. Line 1 of file fall.hv gives -INF at t=0s."},
      {{{"fall.me", "b`Ball`m g b`Ball`y[t] / 0\n"}},
       "[Error] The mechanical energy turned INF at t=0.001s. Line 1 of file fall.me gives INF at t=0s."},
      {{{"fall.dc", "%%%new%%%\nb`Ball`x[t]\n%%definition\n1/0\n0\n0\n%%J\n0\n%%j\n0\n"}},
       "[Error] b`Ball`x turned INF at t=0.001s. Line 4 of file fall.dc gives INF at t=0s."},
      // The lines before it share one text: the line named is the one that gives no number.
      {{{"fall.dc", "%%%new%%%\nb`Ball`x[t]\n%%definition\n0\n0\n1/0\n%%J\n0\n%%j\n0\n"}},
       "[Error] b`Ball`x'' turned INF at t=0.001s. Line 6 of file fall.dc gives INF at t=0s."},
      // Every line gives a number at the last finite state; only the energy of the next one overflows: the
      // line says what turned, and no more.
      {{{"fall.hv", "-b`Ball`m g 1e4900\n"}}, "[Error] The mechanical energy turned INF at t=0.001s."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    main_.reset();
    LoadFall("1", c.files);
    std::string stepped;  // q as the step left it, before the check
    host_.on_step = [&stepped](const TWorld& world) { stepped = FloatToText(world.State.Evaluated.Q.At(0)); };
    TRunLoop run(*main_, &host_);
    EXPECT_EQ(run.Run(), TRunStop::NotFinite);
    EXPECT_EQ(RunLines(), Strings{c.line});
    // The working state is left as the step made it.
    EXPECT_EQ(World().State.Time, 0.001L);
    EXPECT_EQ(FloatToText(World().State.Evaluated.Q.At(0)), stepped);
  }
}

// The numerics error of a mass matrix that cannot be inverted names its file.
TEST_F(RunLoopTest, SingularMassMatrixNamesItsFile) {
  LoadFall("1", {{"fall.mmx", "b`Ball`y[t] - 10\n"}});
  ClearNumericsError();
  TRunLoop run(*main_, &host_);
  EXPECT_EQ(run.Run(), TRunStop::NumericsError);
  const Strings lines = RunLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "[Error] Abort because error in data stucture (e.g. singularity in mass matrix). The mass "
                          "matrix of file fall.mmx could not be inverted at t=0s.");
  ClearNumericsError();
}

TEST_F(RunLoopTest, WallClockLimitCountsFromTheStartPlusThePausedSeconds) {
  struct Case {
    std::int32_t max_seconds;
    std::int32_t paused_seconds;
    std::size_t steps;  // accepted steps before the limit stopped the run; 0: never stopped
  };
  const Case cases[] = {
      {1, 0, 2},          // 2 s are more than 1
      {1, 3, 5},          // 5 s less 3 paused
      {0, 0, 1},          // 1 s is more than none
      {1, 1000, 0},       // a long pause is no reason to stop at once
      {std::numeric_limits<std::int32_t>::max(), 0, 0},  // never, even after a year a step
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("max " + std::to_string(c.max_seconds) + " s, paused " + std::to_string(c.paused_seconds));
    LoadFall("0.05");
    FakeHost host;
    host.step_ms = c.max_seconds == std::numeric_limits<std::int32_t>::max() ? 31'557'600'000 : 1000;
    host.paused_seconds = c.paused_seconds;
    TRunLoop run(*main_, &host);
    run.MaxSeconds = c.max_seconds;
    const TRunStop stop = run.Run();
    if (c.steps == 0) {
      EXPECT_EQ(stop, TRunStop::BreakTime);
      EXPECT_GT(World().State.Time, World().Model().BreakTime);
    } else {
      EXPECT_EQ(stop, TRunStop::TimeLimit);
      EXPECT_EQ(host.stepped_states.size(), c.steps);
      const std::string line = Lines().back();
      EXPECT_EQ(line.rfind("[Alert] On ", 0), 0u) << line;
      const std::string tail = " the maximum allowed time for one thread was reached.";
      ASSERT_GT(line.size(), tail.size());
      EXPECT_EQ(line.substr(line.size() - tail.size()), tail);
      // One recorded state less, and never below none.
      const std::uint32_t points = World().Model().History.Points.Count();
      EXPECT_EQ(World().State.StoredStateCount, points == 0 ? 0 : points - 1);
    }
    main_.reset();
  }
}

TEST_F(RunLoopTest, AnExceptionLogsItsMessageAndTheFinalActionsStillRun) {
  LoadFall();
  main_->AviRecording = true;
  main_->AviFirstState = 100;
  main_->AviLastState = 200;
  host_.on_step = [](const TWorld& world) {
    if (world.State.CurrentState == 3) throw std::runtime_error("the pass broke");
  };
  TRunLoop run(*main_, &host_);
  EXPECT_EQ(run.Run(), TRunStop::Exception);
  EXPECT_EQ(Lines().back(), "[Error] the pass broke");
  EXPECT_EQ(host_.events, (Strings{"close avi", "after run, files open", "stopped"}));
  EXPECT_FALSE(main_->AviRecording);
  EXPECT_FALSE(World().Model().History.FilesOpen);
  EXPECT_FALSE(run.SimulationRunning());
}

// A run until a time ends in the state recorded at it, from which a later run goes on as if it had never
// stopped: the fall model recorded to 0.5 s in two runs writes the very lines of one run.
TEST_F(RunLoopTest, UntilEndsInItsRecordedStateAndALaterRunGoesOnFromIt) {
  LoadFall();
  std::vector<std::uint32_t> recorded;
  struct : FakeHost {
    std::vector<std::uint32_t>* recorded = nullptr;
    void StateRecorded(std::uint32_t index) override { recorded->push_back(index); }
  } host;
  host.recorded = &recorded;
  TRunLoop run(*main_, &host);
  ASSERT_EQ(run.Run(0.25L), TRunStop::Until);
  const TWorld& w = World();
  const TGeneralizedCoordinatesHistoryList& points = w.Model().History.Points;
  ASSERT_EQ(points.Count(), 251u);
  EXPECT_EQ(recorded.size(), 251u);
  EXPECT_EQ(recorded.back(), 250u);
  EXPECT_EQ(w.State.CurrentState, 250u);
  EXPECT_EQ(w.State.Time, points.Items(250).Time);
  EXPECT_EQ(w.State.Evaluated.Q.At(0), points.Items(250).Coordinates.Q.At(0));
  EXPECT_EQ(w.State.Evaluated.QDot.At(0), points.Items(250).Coordinates.QDot.At(0));
  ASSERT_EQ(run.Run(0.5L), TRunStop::Until);
  const std::string two_runs = test::ReadBytes(w.Model().History.DataFileName);
  main_.reset();

  LoadFall();
  TRunLoop(*main_).Run(0.5L);
  EXPECT_EQ(two_runs, test::ReadBytes(World().Model().History.DataFileName));
  EXPECT_EQ(World().Model().History.Points.Count(), 501u);
  main_.reset();

  // Continued, the history replays up to the time asked for and ends there, recording nothing more.
  std::string history = "000";
  ASSERT_TRUE(Load("fall.wld", history));
  ASSERT_EQ(TRunLoop(*main_).Run(0.25L), TRunStop::Until);
  EXPECT_EQ(World().State.CurrentState, 250u);
  EXPECT_EQ(World().State.Time, World().Model().History.Points.Items(250).Time);
  EXPECT_EQ(two_runs, test::ReadBytes(World().Model().History.DataFileName));
}

// A history file that cannot be written (/dev/full in its place: every write fails with ENOSPC, as on a
// full disk) ends the run with the history's one line, in the last state the files hold. Once the file
// can be written again the next run goes on from there: the fall model recorded to 0.5 s around the
// failure writes the very lines of one run.
TEST_F(RunLoopTest, AFailedWriteEndsTheRunInTheLastRecordAndALaterRunLeavesNoGap) {
  LoadFall();
  TRunLoop(*main_).Run(0.5L);
  const std::string one_run = test::ReadBytes(World().Model().History.DataFileName);
  main_.reset();
  for (const std::string file : {"data.txt", "log.txt"}) {
    SCOPED_TRACE(file);
    LoadFall();
    FakeHost host;
    // A line of the run that log.txt must take.
    host.on_step = [this](const TWorld&) { main_->Log().Add("[Alert] a line of the run"); };
    TRunLoop run(*main_, &host);
    ASSERT_EQ(run.Run(0.25L), TRunStop::Until);
    const TWorld& w = World();
    const THistory& history = w.Model().History;
    const std::string path = history.Directory + file;
    const std::string saved = test::ReadBytes(path);
    std::filesystem::remove(path);
    std::filesystem::create_symlink("/dev/full", path);
    const std::size_t before = Lines().size();
    EXPECT_EQ(run.Run(0.5L), TRunStop::WriteFailed);
    const std::string line = "[Error] Could not write history file " + path + ": No space left on device.";
    EXPECT_EQ(run.StopReason, line);
    const Strings lines = Lines();
    EXPECT_EQ(std::count(lines.begin() + static_cast<std::ptrdiff_t>(before), lines.end(), line), 1);
    // The run ends in the last record the files hold, which is also the saved state.
    // The first pass of the run records nothing yet: the state at 0.251 s is recorded by the step from it.
    const std::uint32_t kept = 251u;
    ASSERT_EQ(history.Points.Count(), kept);
    EXPECT_EQ(w.State.StoredStateCount, kept);
    EXPECT_EQ(w.State.CurrentState, kept - 1);
    EXPECT_EQ(w.State.Time, history.Points.Items(kept - 1).Time);
    EXPECT_EQ(w.State.Evaluated.Q.At(0), history.Points.Items(kept - 1).Coordinates.Q.At(0));
    EXPECT_EQ(w.State.SavedTime, w.State.Time);
    EXPECT_FALSE(history.FilesOpen);

    std::filesystem::remove(path);
    test::WriteBytes(path, saved);
    ASSERT_EQ(run.Run(0.5L), TRunStop::Until);

    EXPECT_EQ(test::ReadBytes(history.DataFileName), one_run);
    if (file == "log.txt") {
      const std::string log = test::ReadBytes(path);
      EXPECT_NE(log.find("\r\n" + line + "\r\n"), std::string::npos);
    }
    main_.reset();
  }
}

// A write that fails only in the run's final actions (a line the host logs as the run ends, which log.txt
// cannot take) still makes the run's stop a failed write; without it the run ends as it would.
TEST_F(RunLoopTest, AWriteFailingInTheFinalActionsFailsTheRun) {
  for (const bool fails : {false, true}) {
    LoadFall();
    const std::string log = World().Model().History.LogFileName;
    FakeHost host;
    host.on_after_run = [&] {
      if (fails) std::filesystem::remove(log), std::filesystem::create_symlink("/dev/full", log);
      main_->Log().Add("[Alert] the host's last line");
    };
    const std::pair<TRunStop, std::string> stop =
        fails ? std::pair{TRunStop::WriteFailed,
                          "[Error] Could not write history file " + log + ": No space left on device."}
              : std::pair{TRunStop::Until, std::string()};
    TRunLoop run(*main_, &host);
    EXPECT_EQ(run.Run(0.01L), stop.first) << fails;
    EXPECT_EQ(host.stopped, stop);
    EXPECT_EQ(run.StopReason, stop.second);
    main_.reset();
  }
}

// A history recorded past a break time lowered afterwards has nothing left to run: continued, it says so,
// takes no step and leaves its files and its current state as they were. A time asked for before the break
// time is still replayed to, and so is the break time by a film of the states.
TEST_F(RunLoopTest, AHistoryEndingPastTheBreakTimeRunsNothing) {
  LoadFall("0.1");
  ASSERT_EQ(TRunLoop(*main_).Run(), TRunStop::BreakTime);
  const std::string directory = World().Model().History.Directory;
  const std::string data = test::ReadBytes(World().Model().History.DataFileName);
  main_.reset();
  // Its last record (data.txt's last line) is at 0.099 s. The history's own copy of the world file is the
  // one a continued history reads: 0.05 s plus one recording interval of 1 ms.
  std::string wld = test::ReadBytes(directory + "fall.wld");
  wld.replace(wld.find("breakTime=0.1"), 13, "breakTime=0.05");
  test::WriteBytes(directory + "fall.wld", wld);
  const std::string past =
      "[Alert] History 000 already ends at 0.099s, past the break time of 0.051s: nothing was run.";
  const struct {
    long double until;
    bool film;
    TRunStop stop;
    std::uint64_t steps;
    Strings lines;
  } cases[] = {
      {std::numeric_limits<long double>::infinity(), false, TRunStop::PastBreakTime, 0, {past}},
      {0.08L, false, TRunStop::PastBreakTime, 0, {past}},
      {0.02L, false, TRunStop::Until, 20, {}},
      // Every 10th state filmed, states 0 to 50 replayed (0.05 s): the state at 0.051 s passes the break time.
      {std::numeric_limits<long double>::infinity(), true, TRunStop::BreakTime, 52,
       {"[Alert] Break time of 0.051s reached."}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(FloatToText(c.until) + (c.film ? " film" : ""));
    std::string history = "000";
    ASSERT_TRUE(Load("fall.wld", history));
    main_->AviRecording = c.film;
    main_->AviFirstState = 0;
    main_->AviLastState = 1000;
    main_->AviFrameStep = 10;
    const std::size_t loaded = Lines().size();
    const std::uint32_t count = World().State.StoredStateCount;
    const std::uint32_t current = World().State.CurrentState;
    FakeHost host;
    TRunLoop run(*main_, &host);
    EXPECT_EQ(run.Run(c.until), c.stop);
    EXPECT_EQ(run.Steps, c.steps);
    const Strings lines = Lines();
    EXPECT_EQ(Strings(lines.begin() + static_cast<std::ptrdiff_t>(loaded), lines.end()), c.lines);
    EXPECT_EQ(run.StopReason, c.lines.empty() ? "" : c.lines[0]);
    // (The film's stop at the break time lowers the count in memory, as every such stop does.)
    if (!c.film) EXPECT_EQ(World().State.StoredStateCount, count);
    if (c.steps == 0) EXPECT_EQ(World().State.CurrentState, current);
    EXPECT_EQ(host.frames, c.film ? (std::vector<std::uint32_t>{0, 10, 20, 30, 40, 50}) : std::vector<std::uint32_t>{});
    // The host still hears of the end, with the files closed behind it.
    Strings events(host.frames.size(), "frame");
    if (c.film) events.push_back("close avi");
    events.insert(events.end(), {"after run, files open", "stopped"});
    EXPECT_EQ(host.events, events);
    EXPECT_FALSE(World().Model().History.FilesOpen);
    EXPECT_EQ(test::ReadBytes(World().Model().History.DataFileName), data);
    main_.reset();
  }
}

// The falling box resting on its floor, its corners' watches taking impulses at every step: after a
// write that fails between two records, the run that goes on counts the impulses of its next record as a
// continuation of the history read back does, not those of the steps dropped. log.txt fails here: it is
// opened for each line, so /dev/full takes its place mid-run.
TEST_F(RunLoopTest, AfterAFailedWriteTheWatchesGoOnAsTheHistoryReadBackWould) {
  CopyFolder(std::string(ZENTROVA_SOURCE_DIR) + "/examples/falling-box");
  std::string name;
  ASSERT_TRUE(Load("falling-box.wld", name));
  const THistory& history = World().Model().History;
  const std::string log = history.LogFileName;
  std::string saved;
  FakeHost host;
  host.on_step = [&](const TWorld& world) {
    if (!saved.empty() || world.State.Time < 1.505L) return;
    saved = test::ReadBytes(log);
    std::filesystem::remove(log);
    std::filesystem::create_symlink("/dev/full", log);
    main_->Log().Add("[Alert] a line of the run");
  };
  TRunLoop run(*main_, &host);
  ASSERT_EQ(run.Run(2.0L), TRunStop::WriteFailed);
  const std::uint32_t kept = history.Points.Count();
  EXPECT_EQ(World().State.Time, history.Points.Items(kept - 1).Time);
  const std::string data_at_failure = test::ReadBytes(history.DataFileName);
  const std::string watches_at_failure = test::ReadBytes(history.WatchesFileName);
  std::filesystem::remove(log);
  test::WriteBytes(log, saved);
  ASSERT_EQ(run.Run(1.6L), TRunStop::Until);
  // The values of the first record after the failure, in the run that went on and in one read back.
  const auto next_record = [&] {
    Strings lines;
    EXPECT_TRUE(ReadTextLines(dir_.File(name + "/watches.txt"), lines));
    std::vector<long double> values;
    EXPECT_TRUE(lines.size() > kept && ParseFloats(lines[kept], values));
    return values;
  };
  const std::vector<long double> went_on = next_record();
  main_.reset();
  test::WriteBytes(dir_.File(name + "/data.txt"), data_at_failure);
  test::WriteBytes(dir_.File(name + "/watches.txt"), watches_at_failure);
  ASSERT_TRUE(Load("falling-box.wld", name));
  ASSERT_EQ(TRunLoop(*main_).Run(1.6L), TRunStop::Until);
  const std::vector<long double> read_back = next_record();
  ASSERT_EQ(went_on.size(), read_back.size());
  for (std::size_t i = 0; i < went_on.size(); ++i) {
    EXPECT_NEAR(went_on[i], read_back[i], 1e-12L * (1 + std::fabs(read_back[i]))) << i;
  }
  EXPECT_GT(*std::max_element(read_back.begin() + 1, read_back.end()),
            0.05L);  // the box rests on two corners
}

// A history that cannot be opened for the run records nothing: the run does not take a step.
TEST_F(RunLoopTest, AHistoryThatCannotBeOpenedEndsTheRunBeforeItsFirstStep) {
  LoadFall();
  const THistory& history = World().Model().History;
  std::filesystem::remove(history.WatchesFileName);
  std::filesystem::create_directory(history.WatchesFileName);
  TRunLoop run(*main_, &host_);
  EXPECT_EQ(run.Run(), TRunStop::WriteFailed);
  EXPECT_EQ(run.Steps, 0u);
  EXPECT_EQ(RunLines(),
            Strings{"[Error] Could not write history file " + history.WatchesFileName + ": Is a directory."});
  EXPECT_EQ(host_.events, (Strings{"after run, files closed", "stopped"}));
  EXPECT_EQ(test::ReadBytes(history.DataFileName), "");
}

// A run that ends without an error has its first and last recorded times in log.txt when it returns; a
// log.txt that cannot take them (log.txt.new, through which it is rewritten, is a directory) fails the run
// with one line naming the file, as any failed write does.
TEST_F(RunLoopTest, TheRunsTimesReachLogTxtOrTheRunFails) {
  for (const bool blocked : {false, true}) {
    SCOPED_TRACE(blocked ? "blocked" : "writable");
    LoadFall();
    const THistory& history = World().Model().History;
    if (blocked) std::filesystem::create_directory(history.LogFileName + ".new");
    const std::string line = "[Error] Could not write history file " + history.LogFileName + ": Is a directory.";
    TRunLoop run(*main_, &host_);
    EXPECT_EQ(run.Run(0.25L), blocked ? TRunStop::WriteFailed : TRunStop::Until);
    EXPECT_EQ(run.StopReason, blocked ? line : "");
    const Strings lines = RunLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), line), blocked ? 1 : 0);
    Strings file;
    ASSERT_TRUE(ReadTextLines(history.LogFileName, file) && file.size() > 3);
    EXPECT_EQ(Strings(file.begin() + 2, file.begin() + 4), (blocked ? Strings{"", ""} : Strings{"0", "0.25"}));
    main_.reset();
  }
}

}  // namespace
}  // namespace zentrova
