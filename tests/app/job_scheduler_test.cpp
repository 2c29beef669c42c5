#include "app/job_scheduler.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "test_support.h"

namespace zentrova {
namespace {

using Strings = std::vector<std::string>;

constexpr double kSecond = 1.0 / 86400.0;
constexpr double kStart = 46000.25;  // a morning in 2025

// The main window: loads succeed unless their history is named in `failing` (or `throwing`), a started
// run goes on until the test ends it.
class FakeHost : public IJobHost {
 public:
  bool WorldLoaded() const override { return loaded; }
  std::uint64_t WorldLoadCount() const override { return load_count; }
  bool DriverExists() const override { return driver; }
  bool SimulationRunning() const override { return running; }
  bool HistoryFilesOpen() const override { return files_open; }
  bool LoadJobWorld(const std::string& world_file, const std::string& history_name) override {
    calls.push_back("load " + world_file + " " + history_name + " ");
    ++load_count;
    driver = true;
    loaded = false;
    if (history_name == throwing) throw std::runtime_error("Division by zero");
    if (history_name == failing) return false;
    loaded = true;
    tolerances = file_tolerances;
    return true;
  }
  bool ToggleSimulation() override {
    calls.push_back(running ? "stop" : "start");
    running = !running;
    return true;
  }
  void SetFramesPerSecond(std::int32_t fps) override { calls.push_back("fps " + std::to_string(fps)); }
  TJobTolerances Tolerances() const override { return tolerances; }
  void SetTolerances(const TJobTolerances& t) override {
    tolerances = t;
    ++tolerance_sets;
  }
  void CreateNextVersion() override { calls.push_back(paused_during != nullptr && *paused_during ? "next paused" : "next"); }
  void EnableJobsCommands(bool enable) override { jobs_commands = enable; }
  bool JobsWindowVisible() const override { return jobs_window; }
  void ShowHideJobsWindow() override { jobs_window = !jobs_window; }
  void EnableJobTimer(bool enable) override { timer = enable; }
  void SetClosing() override { calls.push_back("closing"); }
  void CloseMainWindow() override { calls.push_back("close"); }
  void LogJobLine(const std::string& line) override { log.push_back(line); }
  void ShowJobMessage(const std::string& text) override { boxes.push_back(text); }
  bool LastRunFailed() const override { return run_failed; }
  long double HistoryEndTime() const override { return 216.03L; }
  void HurryJobTimer() override { ++hurried; }

  // The run ends: the thread's final actions closed the files.
  void EndRun() { running = false; }

  bool loaded = false;
  std::uint64_t load_count = 0;
  bool driver = false;
  bool running = false;
  bool files_open = false;
  bool jobs_commands = false;
  bool jobs_window = false;
  bool timer = false;
  std::string failing = "none";
  std::string throwing = "none";
  TJobTolerances file_tolerances{1e-9L, 1e-6L, 1e-12L};
  TJobTolerances tolerances{};
  int tolerance_sets = 0;
  const bool* paused_during = nullptr;
  std::vector<std::string> calls;
  std::vector<std::string> log;
  std::vector<std::string> boxes;
  bool run_failed = false;
  int hurried = 0;
};

class FakeJobsWindow : public IJobsWindow {
 public:
  void ClearJobs(bool paused) override {
    rows.clear();
    events.push_back(paused ? "clear paused" : "clear");
  }
  void AddJob(const std::string& name) override { rows.push_back(name); }
  void StartCurrentJob(double) override { events.push_back("start"); }
  void FinishCurrentJob(double) override { events.push_back("finish"); }
  void ShowPaused(bool paused) override { events.push_back(paused ? "paused" : "resumed"); }
  std::vector<std::string> rows;
  std::vector<std::string> events;
};

class FakeClock : public IJobClock {
 public:
  double Now() override { return now; }
  void Sleep(std::int64_t ms) override {
    slept += ms;
    now += ms * kSecond / 1000;
  }
  double now = kStart;
  std::int64_t slept = 0;
};

class JobSchedulerTest : public ::testing::Test {
 protected:
  JobSchedulerTest() : scheduler(host, window, clock, [this] { return next_random; }) {}

  std::string Write(const std::string& text) {
    const std::string file = dir.File("three.job");
    test::WriteBytes(file, text);
    return file;
  }
  // One timer tick one second after the last.
  void Tick() {
    clock.now += kSecond;
    scheduler.TimerOfJobsTimer();
  }
  std::vector<std::string> Loads() const {
    std::vector<std::string> loads;
    for (const std::string& c : host.calls) {
      if (c.rfind("load ", 0) == 0) loads.push_back(c);
    }
    return loads;
  }

  test::TempDir dir;
  FakeHost host;
  FakeJobsWindow window;
  FakeClock clock;
  long double next_random = 0.25L;
  TJobScheduler scheduler;
};

TEST_F(JobSchedulerTest, OpenJobFileSchedulesTheNamesAndStartsTheTimer) {
  ASSERT_TRUE(scheduler.OpenJobFile(Write("[Main]\njobs=8-11\ndelayStartMinutes=2\nmaxMinutesForJob=3\n")));
  EXPECT_EQ(scheduler.JobNames, (std::vector<std::string>{"008", "009", "010", "011"}));
  EXPECT_EQ(window.rows, scheduler.JobNames);
  EXPECT_EQ(scheduler.JobWorldFile, dir.File("three.wld"));
  EXPECT_DOUBLE_EQ(scheduler.JobsStartTime, kStart + 2.0 / 1440);
  EXPECT_EQ(scheduler.JobMaxSeconds, 180);
  EXPECT_EQ(scheduler.JobsMaxSeconds, kNoJobLimit);
  EXPECT_EQ(scheduler.MaxLinesInLog, kNoJobLimit);
  EXPECT_TRUE(scheduler.JobsActive);
  EXPECT_TRUE(host.jobs_commands);
  EXPECT_TRUE(host.jobs_window);
  EXPECT_TRUE(host.timer);
  EXPECT_TRUE(host.log.empty());
}

TEST_F(JobSchedulerTest, LimitsAtTheOverflowBorder) {
  scheduler.OpenJobFile(Write("[Main]\njobs=1\nmaxMinutesForJob=35791394\nmaxMinutesForJobs=35791393\n"));
  EXPECT_EQ(scheduler.JobMaxSeconds, kNoJobLimit);
  EXPECT_EQ(scheduler.JobsMaxSeconds, 35791393 * 60);
}

TEST_F(JobSchedulerTest, TheThreeMessages) {
  EXPECT_FALSE(scheduler.OpenJobFile(dir.File("none.job")));
  EXPECT_EQ(host.log.back(), "[Alert] Could not find job file. There is no file " + dir.File("none.job") + ".");
  EXPECT_FALSE(scheduler.OpenJobFile(Write("[Main]\njobs=\nframesPerSecond=7\n")));
  EXPECT_EQ(host.log.back(), "[Alert] Job file appears to be blank. three.job gives no jobs.");
  EXPECT_EQ(host.boxes, host.log);
  EXPECT_EQ(scheduler.JobFramesPerSecond, 7);
  EXPECT_FALSE(host.timer);
  EXPECT_TRUE(scheduler.OpenJobFile(Write("[Main]\njobs=1\nlexicoRandomizationRange=0.5\n")));
  EXPECT_EQ(host.log.back(),
            "[Error] lexicoRandomizationRange in job file three.job line 3 ignored (the range should bi given in "
            "the form: 0.1,10, see .wld file): 0.5.");
  EXPECT_EQ(scheduler.LexicoRangeLow, 0.0L);
  EXPECT_EQ(scheduler.LexicoRangeHigh, 0.0L);
  EXPECT_EQ(host.log.size(), 3u);
}

TEST_F(JobSchedulerTest, AFileWithoutMainChangesNothing) {
  scheduler.OpenJobFile(Write("[Main]\njobs=1\nmaxMinutesForJob=5\nframesPerSecond=3\n"));
  scheduler.JobsActive = false;
  EXPECT_FALSE(scheduler.OpenJobFile(Write("[Jobs]\njobs=1-3\n")));
  EXPECT_EQ(host.log.back(), "[Alert] Job file appears to be blank. three.job has no section [Main].");
  EXPECT_EQ(scheduler.JobMaxSeconds, 300);
  EXPECT_EQ(scheduler.JobsMaxSeconds, kNoJobLimit);
  EXPECT_EQ(scheduler.JobFramesPerSecond, 3);
  EXPECT_FALSE(scheduler.JobsActive);
}

TEST_F(JobSchedulerTest, JobsRunOneAfterTheOtherThenTheTimerStops) {
  scheduler.OpenJobFile(Write("[Main]\njobs=000,002\nframesPerSecond=10\n"));
  Tick();  // no world: the first job at once
  EXPECT_EQ(Loads(), std::vector<std::string>{"load " + dir.File("three.wld") + " 000 "});
  EXPECT_TRUE(host.running);
  Tick();  // running: nothing
  host.files_open = true;
  host.EndRun();
  Tick();  // files still open: nothing
  EXPECT_EQ(Loads().size(), 1u);
  host.files_open = false;
  Tick();
  EXPECT_EQ(Loads().back(), "load " + dir.File("three.wld") + " 002 ");
  EXPECT_EQ(clock.slept, 500);
  host.EndRun();
  Tick();  // no job left: the last row is stamped and the jobs end
  EXPECT_FALSE(scheduler.JobsActive);
  EXPECT_EQ(window.events,
            (std::vector<std::string>{"clear", "finish", "start", "finish", "start", "finish"}));
  EXPECT_TRUE(host.timer);
  Tick();
  EXPECT_FALSE(host.timer);
  EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "fps 10"), 2);
  EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "closing"), 0);
}

TEST_F(JobSchedulerTest, ExitAtFinishClosesOnTheSecondIdleTick) {
  EXPECT_TRUE(scheduler.OpenJobFile(Write("[Main]\njobs=5-3\nexitAtFinish=1\n")));
  // No job is named: said, and the file counts as refused.
  EXPECT_EQ(host.log, std::vector<std::string>{"[Alert] jobs=5-3 names no job: the range ends below its start."});
  EXPECT_EQ(host.boxes, host.log);
  EXPECT_EQ(scheduler.ExitStatus(), 2);
  host.loaded = true;
  Tick();  // a world but no job: the jobs end
  EXPECT_FALSE(scheduler.JobsActive);
  EXPECT_TRUE(host.calls.empty());
  Tick();
  EXPECT_EQ(host.calls, std::vector<std::string>{"closing"});
  Tick();
  EXPECT_EQ(host.calls, (std::vector<std::string>{"closing", "close"}));
}

TEST_F(JobSchedulerTest, TheStartDelayHoldsWhileNoWorldIsLoaded) {
  scheduler.OpenJobFile(Write("[Main]\njobs=1\ndelayStartMinutes=1\n"));
  for (int i = 0; i < 59; ++i) Tick();
  EXPECT_TRUE(Loads().empty());
  Tick();
  Tick();
  EXPECT_EQ(Loads().size(), 1u);
}

TEST_F(JobSchedulerTest, TheAllJobsLimitStopsTheRunAndEndsTheJobs) {
  scheduler.OpenJobFile(Write("[Main]\njobs=0-3\nmaxMinutesForJobs=1\n"));
  Tick();
  ASSERT_TRUE(host.running);
  clock.now = kStart + 60 * kSecond;
  scheduler.TimerOfJobsTimer();  // exactly at the limit: not later
  EXPECT_TRUE(host.running);
  Tick();
  EXPECT_FALSE(host.running);
  EXPECT_EQ(host.calls.back(), "stop");
  EXPECT_TRUE(scheduler.JobNames.empty());
  EXPECT_FALSE(scheduler.JobsActive);
  EXPECT_EQ(Loads().size(), 1u);
  EXPECT_EQ(host.log, (Strings{"[Alert] The maximum time for all jobs was reached: job 000 was stopped at t=216.03s.",
                               "[Alert] The maximum time for all jobs was reached: 3 jobs did not run."}));
  Tick();
  EXPECT_EQ(host.log.size(), 2u);
  // Three jobs did not run: not every job ran.
  EXPECT_EQ(scheduler.ExitStatus(), 1);
}

// The limit of all jobs that comes while the last job runs stops it and says so, and the job counts as
// run; a run that has ended, or that the stop finds ended, by an error counts as failed all the same.
TEST_F(JobSchedulerTest, TheAllJobsLimitSaysWhichRunItCutAndMissesNoFailure) {
  const struct {
    bool running, failed;
    Strings log;
    int status;
  } cases[] = {
      {true, false, {"[Alert] The maximum time for all jobs was reached: job 000 was stopped at t=216.03s."}, 0},
      {true, true, {"[Error] The run of job 000 ended by an error."}, 1},
      {false, true, {"[Error] The run of job 000 ended by an error."}, 1},
      {false, false, {}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.running ? "running" : "ended") + (c.failed ? ", failed" : ""));
    FakeHost fresh;
    TJobScheduler jobs(fresh, window, clock);
    ASSERT_TRUE(jobs.OpenJobFile(Write("[Main]\njobs=000\nmaxMinutesForJobs=1\n")));
    clock.now += kSecond;
    jobs.TimerOfJobsTimer();  // 000 starts
    fresh.running = c.running;
    fresh.run_failed = c.failed;
    clock.now += 61 * kSecond;
    jobs.TimerOfJobsTimer();
    jobs.TimerOfJobsTimer();
    EXPECT_FALSE(fresh.running);
    EXPECT_EQ(fresh.log, c.log);
    EXPECT_EQ(jobs.ExitStatus(), c.status);
  }
}

// A job left waiting by the limit of all jobs, a cancel or a window closed first did not run, and the exit
// status says so; a limit or a cancel that comes when every job has started leaves it at 0.
TEST_F(JobSchedulerTest, JobsThatNeverStartedMakeTheExitStatusOne) {
  enum class End { Limit, Cancel, Closed };
  const struct {
    const char* what;
    std::string file;
    int runs;  // jobs run to their end before `end`
    End end;
    Strings log;
    int status;
  } cases[] = {
      {"limit before the first job", "[Main]\njobs=000\nmaxMinutesForJobs=-1\n", 0, End::Limit,
       {"[Alert] The maximum time for all jobs was reached: 1 jobs did not run."}, 1},
      {"limit after the last job started", "[Main]\njobs=000,001\nmaxMinutesForJobs=1\n", 1, End::Limit,
       {"[Alert] The maximum time for all jobs was reached: job 001 was stopped at t=216.03s."}, 0},
      {"cancel with two waiting", "[Main]\njobs=0-2\n", 0, End::Cancel,
       {"[Alert] The jobs were cancelled: 2 jobs did not run."}, 1},
      {"cancel during the last job", "[Main]\njobs=0-1\n", 1, End::Cancel, {}, 0},
      {"program closed with one waiting", "[Main]\njobs=0-1\n", 0, End::Closed,
       {"[Alert] The program was closed: 1 jobs did not run."}, 1},
      {"program closed after the last job", "[Main]\njobs=0-1\n", 1, End::Closed, {}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakeHost fresh;
    TJobScheduler jobs(fresh, window, clock);
    ASSERT_TRUE(jobs.OpenJobFile(Write(c.file)));
    if (c.end != End::Limit || c.runs > 0) {
      clock.now += kSecond;
      jobs.TimerOfJobsTimer();  // the first job starts
    }
    for (int i = 0; i < c.runs; ++i) {
      fresh.EndRun();
      clock.now += kSecond;
      jobs.TimerOfJobsTimer();  // the next one starts
    }
    switch (c.end) {
      case End::Limit:
        clock.now += 61 * kSecond;
        jobs.TimerOfJobsTimer();
        break;
      case End::Cancel:
        jobs.CancelAllJobs();
        break;
      case End::Closed:
        jobs.ProgramClosing();
        break;
    }
    EXPECT_EQ(fresh.log, c.log);
    EXPECT_EQ(jobs.ExitStatus(), c.status);
  }
}

// A range that is not two numbers, or of factors the tolerances could not take, is refused with its key,
// its line and its text, and the tolerances keep their values; one that fits scales them.
TEST_F(JobSchedulerTest, ARangeOfFactorsThatAreNotFiniteOrBelowZeroIsRefused) {
  const std::string refusal = "[Error] lexicoRandomizationRange in job file three.job line 3 must be two finite "
                              "factors of at least 0: ";
  const std::string ignored = "[Error] lexicoRandomizationRange in job file three.job line 3 ignored (the range "
                              "should bi given in the form: 0.1,10, see .wld file): ";
  const struct {
    std::string range;
    Strings log;
    long double low, high;
  } cases[] = {
      {"NaN,Inf", {refusal + "NaN,Inf. The default 0,0 is used."}, 0, 0},
      {"-1,-2", {refusal + "-1,-2. The default 0,0 is used."}, 0, 0},
      {"0.5,-Inf", {refusal + "0.5,-Inf. The default 0,0 is used."}, 0, 0},
      {"0.5,Inf", {refusal + "0.5,Inf. The default 0,0 is used."}, 0, 0},
      {"0.5,-2", {refusal + "0.5,-2. The default 0,0 is used."}, 0, 0},
      {" -0.1 , 2 ", {refusal + "-0.1 , 2. The default 0,0 is used."}, 0, 0},
      {"1,", {ignored + "1,."}, 0, 0},
      {"abc", {ignored + "abc."}, 0, 0},
      {" 1,2,3 ", {ignored + "1,2,3."}, 0, 0},
      {"0,2", {}, 0, 2},
      {"2,0.5", {}, 2, 0.5L},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.range);
    FakeHost fresh;
    TJobScheduler jobs(fresh, window, clock, [] { return 0.5L; });
    ASSERT_TRUE(jobs.OpenJobFile(Write("[Main]\njobs=000\nlexicoRandomizationRange=" + c.range + "\n")));
    EXPECT_EQ(fresh.log, c.log);
    EXPECT_EQ(jobs.LexicoRangeLow, c.low);
    EXPECT_EQ(jobs.LexicoRangeHigh, c.high);
    // The tolerances the world loaded with are scaled only by a range that was taken.
    clock.now += kSecond;
    jobs.TimerOfJobsTimer();
    clock.now += kSecond;
    jobs.TimerOfJobsTimer();
    const long double r = c.low == c.high ? 1 : 0.5L * (c.high - c.low) + c.low;
    EXPECT_EQ(fresh.tolerances.PivotToleranceMin, r * fresh.file_tolerances.PivotToleranceMin);
  }
}

TEST_F(JobSchedulerTest, AFailingJobIsLoggedStampedDroppedAndNeverLoadedTwice) {
  scheduler.OpenJobFile(Write("[Main]\njobs=0-2\n"));
  host.failing = "000";
  host.throwing = "001";
  Tick();
  EXPECT_EQ(host.log, std::vector<std::string>{"[Error] Job 000 could not be loaded."});
  EXPECT_FALSE(host.running);
  EXPECT_EQ(scheduler.JobNames, (std::vector<std::string>{"001", "002"}));
  Tick();
  EXPECT_EQ(host.log.back(), "[Error] Job 001 could not be loaded: Division by zero");
  Tick();
  EXPECT_TRUE(host.running);
  const std::vector<std::string> loads = Loads();
  ASSERT_EQ(loads.size(), 3u);
  EXPECT_NE(loads[0].find(" 000 "), std::string::npos);
  EXPECT_NE(loads[1].find(" 001 "), std::string::npos);
  EXPECT_NE(loads[2].find(" 002 "), std::string::npos);
  EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "start"), 1);
  EXPECT_EQ(window.events, (std::vector<std::string>{"clear", "finish", "start", "finish", "finish", "start",
                                                     "finish", "finish", "start"}));
  // Each failed load asked for the next tick at once; the load that ran did not.
  EXPECT_EQ(host.hurried, 2);
  EXPECT_EQ(scheduler.FailedJobs, (std::vector<std::string>{"000", "001"}));
  EXPECT_EQ(scheduler.ExitStatus(), 1);
}

TEST_F(JobSchedulerTest, ARunEndedByAnErrorCountsAsFailedAndTheEndSumsUp) {
  scheduler.OpenJobFile(Write("[Main]\njobs=0-2\n"));
  host.failing = "002";
  Tick();  // 000 runs
  host.run_failed = true;
  host.EndRun();
  Tick();  // 000 failed, 001 runs
  EXPECT_EQ(host.log, std::vector<std::string>{"[Error] The run of job 000 ended by an error."});
  host.run_failed = false;
  host.EndRun();
  Tick();  // 001 ran well, 002 fails to load
  Tick();  // the end
  EXPECT_FALSE(scheduler.JobsActive);
  EXPECT_EQ(host.log, (std::vector<std::string>{"[Error] The run of job 000 ended by an error.",
                                                "[Error] Job 002 could not be loaded.",
                                                "[Alert] 2 of 3 jobs failed: 000, 002."}));
  EXPECT_EQ(scheduler.ExitStatus(), 1);
  // A new job file starts afresh.
  scheduler.OpenJobFile(Write("[Main]\njobs=7\n"));
  EXPECT_EQ(scheduler.ExitStatus(), 0);
}

TEST_F(JobSchedulerTest, TheSummaryNamesTenFailedJobs) {
  Write("[Main]\njobs=100-1099\n");
  struct AllFail : FakeHost {
    bool LoadJobWorld(const std::string&, const std::string&) override { return false; }
  } all_fail;
  TJobScheduler other(all_fail, window, clock);
  ASSERT_TRUE(other.OpenJobFile(dir.File("three.job")));
  for (int i = 0; i <= 1000; ++i) {
    clock.now += kSecond;
    other.TimerOfJobsTimer();
  }
  EXPECT_FALSE(other.JobsActive);
  EXPECT_EQ(all_fail.hurried, 1000);
  EXPECT_EQ(all_fail.log.back(),
            "[Alert] 1000 of 1000 jobs failed: 100, 101, 102, 103, 104, 105, 106, 107, 108, 109 and 990 more.");
}

struct RefusedCase {
  const char* what;
  std::string bytes;  // none: no file
  std::vector<std::string> lines;
  bool exit_at_finish;
};

// A job file of the command line that is refused says why, in the log and in a box, and ends the program
// when it says exitAtFinish=1; opened by hand, it leaves the program as it is.
TEST_F(JobSchedulerTest, ARefusedFileOfTheCommandLineEndsTheProgramWhenItSaysSo) {
  const RefusedCase cases[] = {
      {"missing", "", {"[Alert] Could not find job file. There is no file " + dir.File("three.job") + "."}, false},
      {"empty", "-", {"[Alert] Job file appears to be blank. three.job has no section [Main]."}, false},
      {"no Main", "[Jobs]\nexitAtFinish=1\n", {"[Alert] Job file appears to be blank. three.job has no section [Main]."}, false},
      {"no jobs", "[Main]\nexitAtFinish=1\n", {"[Alert] Job file appears to be blank. three.job gives no jobs."}, true},
      {"jobs=", "[Main]\njobs=\nexitAtFinish=1\n", {"[Alert] Job file appears to be blank. three.job gives no jobs."}, true},
      {"binary", std::string("[Main]\nexitAtFinish=1\n\0\xFF", 24), {"[Error] Line 3 of file three.job holds a NUL byte."}, true},
      {"exitAtFinish=true", "[Main]\njobs=\nexitAtFinish=true\n",
       {"[Alert] exitAtFinish in job file three.job line 3 is not a number: true. The default 0 is used.",
        "[Alert] Job file appears to be blank. three.job gives no jobs."},
       false},
  };
  for (const RefusedCase& c : cases) {
    for (bool from_command_line : {false, true}) {
      FakeHost fresh;
      TJobScheduler refusing(fresh, window, clock);
      std::filesystem::remove(dir.File("three.job"));
      if (!c.bytes.empty()) Write(c.bytes == "-" ? "" : c.bytes);
      EXPECT_FALSE(refusing.OpenJobFile(dir.File("three.job"), from_command_line)) << c.what;
      EXPECT_EQ(fresh.log, c.lines) << c.what;
      std::string box;
      for (const std::string& line : c.lines) box += (box.empty() ? "" : "\n") + line;
      EXPECT_EQ(fresh.boxes, std::vector<std::string>{box}) << c.what;
      EXPECT_EQ(refusing.ExitStatus(), 2) << c.what;
      EXPECT_FALSE(fresh.jobs_window) << c.what;
      const bool ends = from_command_line && c.exit_at_finish;
      EXPECT_EQ(fresh.timer, ends) << c.what << from_command_line;
      // The timer ticks only when the refusal started it.
      for (int i = 0; i < 2 && fresh.timer; ++i) {
        clock.now += kSecond;
        refusing.TimerOfJobsTimer();
      }
      EXPECT_EQ(fresh.calls, ends ? (std::vector<std::string>{"closing", "close"}) : std::vector<std::string>{})
          << c.what << from_command_line;
    }
  }
}

TEST_F(JobSchedulerTest, ARefusedFileDoesNotEndTheProgramForAnEarlierFile) {
  scheduler.OpenJobFile(Write("[Main]\njobs=000\nexitAtFinish=1\n"));
  scheduler.CancelAllJobs();
  host.timer = false;
  EXPECT_FALSE(scheduler.OpenJobFile(dir.File("none.job"), true));
  EXPECT_FALSE(host.timer);
  EXPECT_FALSE(scheduler.ExitAtFinish);
}

// Without a display nobody can close the window: the program ends after its jobs, or its refused file.
TEST_F(JobSchedulerTest, UnattendedTheProgramEndsWhateverExitAtFinishSays) {
  scheduler.Unattended = true;
  EXPECT_FALSE(scheduler.OpenJobFile(dir.File("none.job"), true));
  EXPECT_TRUE(host.timer);
  Tick();
  Tick();
  EXPECT_EQ(host.calls, (std::vector<std::string>{"closing", "close"}));
  host.calls.clear();
  scheduler.OpenJobFile(Write("[Main]\njobs=000\n"));
  Tick();
  host.EndRun();
  Tick();  // no job left
  EXPECT_FALSE(scheduler.JobsActive);
  Tick();
  Tick();
  EXPECT_EQ(host.calls, (std::vector<std::string>{"load " + dir.File("three.wld") + " 000 ", "fps 0", "start",
                                                  "closing", "close"}));
  EXPECT_EQ(scheduler.ExitStatus(), 0);
}

TEST_F(JobSchedulerTest, TheTickDoesNotEnterWhileALoadIsOpen) {
  scheduler.OpenJobFile(Write("[Main]\njobs=0-1\n"));
  // A load that pumps the event loop (a message box) meets the next timer tick.
  struct ReenteringHost : FakeHost {
    TJobScheduler* scheduler = nullptr;
    bool LoadJobWorld(const std::string& w, const std::string& h) override {
      scheduler->TimerOfJobsTimer();
      return FakeHost::LoadJobWorld(w, h);
    }
  } reentering;
  TJobScheduler other(reentering, window, clock);
  reentering.scheduler = &other;
  ASSERT_TRUE(other.OpenJobFile(dir.File("three.job")));
  clock.now += kSecond;
  other.TimerOfJobsTimer();
  EXPECT_EQ(std::count_if(reentering.calls.begin(), reentering.calls.end(),
                          [](const std::string& c) { return c.rfind("load ", 0) == 0; }),
            1);
  EXPECT_EQ(other.JobNames, std::vector<std::string>{"001"});
}

TEST_F(JobSchedulerTest, TolerancesScaledByOneFactorFromTheBasesOnEveryTick) {
  scheduler.OpenJobFile(Write("[Main]\njobs=0-1\nlexicoRandomizationRange=0.5,2\n"));
  Tick();  // loads, saves the bases, starts
  const TJobTolerances base = host.file_tolerances;
  for (long double u : {0.0L, 0.25L, 0.999L}) {
    next_random = u;
    Tick();
    const long double r = u * 1.5L + 0.5L;
    EXPECT_EQ(host.tolerances.PivotToleranceMin, r * base.PivotToleranceMin) << static_cast<double>(u);
    EXPECT_EQ(host.tolerances.PivotToleranceMax, r * base.PivotToleranceMax);
    EXPECT_EQ(host.tolerances.LexicoZeroTolerance, r * base.LexicoZeroTolerance);
  }
  EXPECT_EQ(host.tolerance_sets, 3);
}

TEST_F(JobSchedulerTest, AWorldLoadedByHandKeepsItsTolerances) {
  scheduler.OpenJobFile(Write("[Main]\njobs=0-1\nlexicoRandomizationRange=0.5,2\n"));
  host.loaded = true;  // loaded by hand before the jobs, and running
  host.running = true;
  host.tolerances = {3e-9L, 3e-6L, 3e-12L};
  Tick();
  Tick();
  EXPECT_EQ(host.tolerance_sets, 0);
  EXPECT_EQ(host.tolerances.PivotToleranceMin, 3e-9L);
  host.EndRun();
  Tick();  // the first job replaces the world
  ++host.load_count;  // the user loads another world by hand
  host.tolerances = {3e-9L, 3e-6L, 3e-12L};
  const int sets = host.tolerance_sets;
  Tick();
  EXPECT_EQ(host.tolerance_sets, sets);
}

TEST_F(JobSchedulerTest, EqualRangeEndsLeaveTheTolerances) {
  scheduler.OpenJobFile(Write("[Main]\njobs=0-1\nlexicoRandomizationRange=1,1\n"));
  Tick();
  Tick();
  EXPECT_EQ(host.tolerance_sets, 0);
}

TEST_F(JobSchedulerTest, APauseFreezesTheTicksAndMovesLaterLimits) {
  scheduler.OpenJobFile(Write("[Main]\njobs=0-1\n"));
  scheduler.PauseResumeJobs();
  EXPECT_TRUE(scheduler.JobControlPaused);
  Tick();
  Tick();
  EXPECT_TRUE(Loads().empty());
  clock.now += 90.4 * kSecond;
  scheduler.PauseResumeJobs();
  EXPECT_EQ(scheduler.PausedSeconds, 92);
  scheduler.PauseResumeJobs();
  clock.now += 8 * kSecond;
  scheduler.PauseResumeJobs();
  EXPECT_EQ(scheduler.PausedSeconds, 100);
  EXPECT_EQ(window.events, (std::vector<std::string>{"clear", "paused", "resumed", "paused", "resumed"}));
  Tick();
  EXPECT_EQ(Loads().size(), 1u);
}

TEST_F(JobSchedulerTest, NextVersionWithTheJobControlPaused) {
  scheduler.OpenJobFile(Write("[Main]\njobs=0-1\ncreateNextVersionAtEnd=1\n"));
  host.paused_during = &scheduler.JobControlPaused;
  Tick();  // no world: no next version before the first job
  host.EndRun();
  Tick();
  EXPECT_EQ(host.calls[3], "next paused");
  EXPECT_NE(host.calls[4].find("load "), std::string::npos);
  EXPECT_FALSE(scheduler.JobControlPaused);
}

TEST_F(JobSchedulerTest, CancelAllJobsEndsEverything) {
  scheduler.OpenJobFile(Write("[Main]\njobs=0-3\n"));
  Tick();
  scheduler.CancelAllJobs();
  EXPECT_FALSE(scheduler.JobsActive);
  EXPECT_TRUE(scheduler.JobNames.empty());
  EXPECT_FALSE(host.jobs_window);
  EXPECT_FALSE(host.jobs_commands);
  EXPECT_FALSE(host.running);
  EXPECT_EQ(window.events.back(), "clear");
}

TEST_F(JobSchedulerTest, LimitBoxesAnswerInMinutes) {
  scheduler.SetJobMaxMinutes(2);
  EXPECT_EQ(scheduler.JobMaxSeconds, 120);
  scheduler.SetJobsMaxMinutes(35791394);
  EXPECT_EQ(scheduler.JobsMaxSeconds, kNoJobLimit);
}

}  // namespace
}  // namespace zentrova
