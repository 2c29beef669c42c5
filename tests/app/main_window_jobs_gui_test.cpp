// The job control in the real main window on the virtual X server: the tolerances the timer hands to
// the world a job loaded, a world loaded by hand that keeps its own, and job messages without a world.
#include <gtest/gtest.h>

#include <QtCore/QTimer>
#include <QtGui/QWindow>
#include <QtWidgets/QApplication>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/app_dialogs.h"
#include "app/job_scheduler.h"
#include "app/log_window.h"
#include "app/main_window.h"
#include "engine/world/world.h"
#include "engine/step/driver.h"
#include "engine/step/run_loop.h"
#include "platform/message_sink.h"
#include "platform/number_text.h"
#include "platform/text_file.h"
#include "qt_test_application.h"
#include "scene/gl/egl_context.h"
#include "scene/gl/gl_fixtures.h"
#include "test_support.h"

namespace zentrova {
namespace {

using Strings = std::vector<std::string>;

void StartApplication() {
  static int argc = 1;
  static char name[] = "zentrova-test";
  static char* argv[] = {name, nullptr};
  static QApplication* application = new QApplication(argc, argv);
  (void)application;
  RegisterEGLContextClass();
  test::KeepGLDriverLoaded();
}

class CommentDialogs : public IAppDialogs {
 public:
  bool OpenFile(const std::string&, const std::string&, std::string&) override { return false; }
  bool InputText(const std::string&, const std::string&, std::string& text) override {
    text = "by hand";
    return true;
  }
  bool InputFloat(const std::string&, const std::string&, double, double, int, double&) override { return false; }
};

constexpr long double kFileMin = 2e-12L, kFileMax = 3e-7L, kFileZero = 5e-14L;

class MainWindowJobsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StartApplication();
    previous_messages_ = SetMessageSink(&messages_);
    for (const auto& entry : std::filesystem::directory_iterator(std::string(ZENTROVA_SOURCE_DIR) +
                                                                 "/examples/falling-box")) {
      if (entry.is_regular_file()) {
        std::filesystem::copy_file(entry.path(), std::filesystem::path(dir_.Path()) / entry.path().filename());
      }
    }
    // Far off break time, and tolerances of its own.
    world_ = dir_.File("falling-box.wld");
    std::string text = test::ReadBytes(world_);
    text.replace(text.find("breakTime=3"), 11,
                 "breakTime=1000\nLCPPivotToleranceMin=2e-12\nLCPPivotToleranceMax=3e-7\n"
                 "LCPLexicoZeroTolerance=5e-14");
    test::WriteBytes(world_, text);
    NewForm();
  }
  void NewForm() {
    form_ = std::make_unique<TVYKForm>(dialogs_);
    form_->setGeometry(660, 600, 600, 400);
    form_->show();
    ASSERT_TRUE(test::PumpEventsUntil([this] { return form_->windowHandle()->isExposed(); }));
  }
  void TearDown() override {
    form_.reset();
    SetMessageSink(previous_messages_);
  }
  // History 000 with the first state.
  void PrepareHistory() {
    TVYKMain main;
    std::string history;
    ASSERT_TRUE(main.LoadWorld(world_, history, ""));
    TRunLoop(main).Run(0);
  }
  std::string JobFile(const std::string& jobs) {
    test::WriteBytes(dir_.File("falling-box.job"),
                     "[Main]\njobs=" + jobs + "\nlexicoRandomizationRange=0.5,2\nframesPerSecond=0\n");
    return dir_.File("falling-box.job");
  }
  // One tick of the scheduler, the timer's own held back so that the test sees every one.
  void Tick() {
    form_->TimerOfJobs->stop();
    QApplication::processEvents();
    form_->Jobs().TimerOfJobsTimer();
  }
  // Without a world the first job waits until the clock has passed the jobs' start time.
  static void LaterThanTheStart() { std::this_thread::sleep_for(std::chrono::milliseconds(20)); }
  // The jobs opened with every line of the log going to `echo`; with `start`, the first one started.
  void OpenJobs(const std::string& jobs, ILogSink& echo, bool start) {
    form_->SetLogEcho(&echo);
    ASSERT_TRUE(form_->OpenJobFile(JobFile(jobs)));
    LaterThanTheStart();
    if (start) Tick();
  }
  TLCPSettings Tolerances() { return form_->Driver()->World().LCPSettings(); }

  test::RecordingMessages messages_;
  IMessageSink* previous_messages_ = nullptr;
  test::TempDir dir_;
  std::string world_;
  CommentDialogs dialogs_;
  std::unique_ptr<TVYKForm> form_;
};

TEST_F(MainWindowJobsTest, OneFactorForAllThreeTolerancesOnEveryTick) {
  PrepareHistory();
  ASSERT_TRUE(form_->OpenJobFile(JobFile("000")));
  EXPECT_TRUE(form_->TimerOfJobs->isActive());
  LaterThanTheStart();
  Tick();  // loads 000 and starts it
  ASSERT_TRUE(form_->SimulationRunning());
  EXPECT_EQ(form_->windowTitle(), "Zentrova: falling-box [000]");
  std::set<long double> factors;
  for (int i = 0; i < 6; ++i) {
    Tick();
    const TLCPSettings lcp = Tolerances();
    const long double r = lcp.PivotToleranceMin / kFileMin;
    EXPECT_GE(r, 0.5L);
    EXPECT_LT(r, 2.0L);
    EXPECT_NEAR(static_cast<double>(lcp.PivotToleranceMax / kFileMax / r), 1.0, 1e-15);
    EXPECT_NEAR(static_cast<double>(lcp.LexicoZeroTolerance / kFileZero / r), 1.0, 1e-15);
    factors.insert(r);
  }
  EXPECT_GT(factors.size(), 1u);
  form_->Jobs().CancelAllJobs();
  EXPECT_FALSE(form_->SimulationRunning());
}

TEST_F(MainWindowJobsTest, AWorldLoadedByHandKeepsItsTolerances) {
  PrepareHistory();
  ASSERT_TRUE(form_->LoadWorld(world_, "", ""));
  ASSERT_TRUE(form_->ToggleSimulation());
  ASSERT_TRUE(form_->OpenJobFile(JobFile("000")));
  for (int i = 0; i < 3; ++i) {
    Tick();
    EXPECT_EQ(Tolerances().PivotToleranceMin, kFileMin);
    EXPECT_EQ(Tolerances().PivotToleranceMax, kFileMax);
    EXPECT_EQ(Tolerances().LexicoZeroTolerance, kFileZero);
  }
  EXPECT_TRUE(form_->SimulationRunning());
  EXPECT_EQ(form_->windowTitle(), "Zentrova: falling-box [001]");
  form_->Jobs().CancelAllJobs();
}

TEST_F(MainWindowJobsTest, JobMessagesWithoutAWorldReachTheLogWindow) {
  EXPECT_FALSE(form_->OpenJobFile(dir_.File("none.job")));
  EXPECT_NE(form_->LogForm().Text().find("[Alert] Could not find job file."), std::string::npos);
  EXPECT_FALSE(form_->TimerOfJobs->isActive());
}

TEST_F(MainWindowJobsTest, AFailingJobIsLoggedWithoutABoxAndTheNextOneRuns) {
  PrepareHistory();
  ASSERT_TRUE(form_->OpenJobFile(JobFile("007,000")));
  LaterThanTheStart();
  Tick();  // 007 does not exist
  EXPECT_FALSE(form_->SimulationRunning());
  EXPECT_TRUE(messages_.texts.empty());
  EXPECT_NE(form_->LogForm().Text().find("[Error] Job 007 could not be loaded"), std::string::npos);
  Tick();
  EXPECT_TRUE(form_->SimulationRunning());
  EXPECT_EQ(form_->windowTitle(), "Zentrova: falling-box [000]");
  form_->Jobs().CancelAllJobs();
}

class EchoLines : public ILogSink {
 public:
  void AddLine(const std::string& line) override {
    const std::lock_guard<std::mutex> lock(mutex);
    lines.push_back(line);
  }
  std::vector<std::string> Lines() {
    const std::lock_guard<std::mutex> lock(mutex);
    return lines;
  }
  std::mutex mutex;
  std::vector<std::string> lines;
};

// The job file of the command line: the lines the log receives reach the echo (stderr in the program), the
// lines a continued history reads back do not, a refused file has its box, and a job that fails to load
// lets the next one start without the timer's second.
TEST_F(MainWindowJobsTest, TheLogsLinesReachTheEchoAndAFailedLoadHurriesTheNextJob) {
  EchoLines echo;
  form_->SetLogEcho(&echo);
  EXPECT_FALSE(form_->OpenJobFile(dir_.File("none.job"), true));
  const std::string refusal = "[Alert] Could not find job file. There is no file " + dir_.File("none.job") + ".";
  EXPECT_EQ(echo.Lines(), std::vector<std::string>{refusal});
  EXPECT_EQ(messages_.texts, std::vector<std::string>{refusal});
  EXPECT_FALSE(form_->TimerOfJobs->isActive());

  PrepareHistory();
  test::WriteBytes(dir_.File("000/log.txt"), test::ReadBytes(dir_.File("000/log.txt")) + "an old line\r\n");
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(form_->OpenJobFile(JobFile("007,000"), true));
  ASSERT_TRUE(test::PumpEventsUntil([this] { return form_->SimulationRunning(); }, 10000));
  // The timer's first tick a second after the start loads 007; 000 follows at once.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1900));
  EXPECT_EQ(form_->windowTitle(), "Zentrova: falling-box [000]");
  EXPECT_NE(form_->LogForm().Text().find("an old line"), std::string::npos);
  form_->Driver()->Log().Add("[Alert] a line of the run");
  form_->Jobs().CancelAllJobs();
  form_->SetLogEcho(nullptr);
  form_->Driver()->Log().Add("[Alert] after the echo");
  const std::vector<std::string> lines = echo.Lines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "[Error] Job 007 could not be loaded."), lines.end());
  EXPECT_EQ(lines.back(), "[Alert] a line of the run");
  EXPECT_EQ(std::find(lines.begin(), lines.end(), "an old line"), lines.end());
  EXPECT_EQ(messages_.texts.size(), 1u);
  EXPECT_TRUE(form_->Jobs().FailedJobs == std::vector<std::string>{"007"});
}

// The caption names the world only while one is loaded: the second job's failed load leaves none.
TEST_F(MainWindowJobsTest, AJobThatDoesNotLoadLeavesNoWorldInTheCaption) {
  PrepareHistory();
  ASSERT_TRUE(form_->OpenJobFile(JobFile("000,007")));
  LaterThanTheStart();
  Tick();
  ASSERT_TRUE(form_->SimulationRunning());
  EXPECT_EQ(form_->windowTitle(), "Zentrova: falling-box [000]");
  form_->ToggleSimulation();
  Tick();  // 007 does not exist
  EXPECT_NE(form_->LogForm().Text().find("[Error] Job 007 could not be loaded"), std::string::npos);
  EXPECT_EQ(form_->windowTitle(), "Zentrova");
  EXPECT_FALSE(form_->WorldLoaded());
  EXPECT_FALSE(form_->SimulationRunning());
  for (const char* name : {"ControlButton", "AVIRecord", "Photo"}) {
    EXPECT_FALSE(form_->Action(name)->isEnabled()) << name;
  }
}

// Closing the window ends the jobs: those still waiting did not run, and the exit status says so; the
// run going on is stopped. Closed while the last job runs, nothing is said and the status stays 0.
TEST_F(MainWindowJobsTest, ClosingTheWindowCountsTheWaitingJobsAsNotRun) {
  PrepareHistory();
  const struct {
    const char* jobs;
    bool started;  // the first job runs when the window closes
    Strings lines;
    int status;
  } cases[] = {
      {"000,000,000", false, {"[Alert] The program was closed: 3 jobs did not run."}, 1},
      {"000,000", true, {"[Alert] The program was closed: 1 jobs did not run."}, 1},
      {"000", true, {}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.jobs);
    NewForm();
    EchoLines echo;
    OpenJobs(c.jobs, echo, c.started);
    ASSERT_EQ(form_->SimulationRunning(), c.started);
    form_->close();
    EXPECT_FALSE(form_->SimulationRunning());
    form_->SetLogEcho(nullptr);
    EXPECT_EQ(echo.Lines(), c.lines);
    EXPECT_EQ(form_->Jobs().ExitStatus(), c.status);
  }
}

// The limit of all jobs that cuts the run of a job says so, with the time its data.txt now ends at; the
// job counts as run.
TEST_F(MainWindowJobsTest, TheAllJobsLimitSaysWhereItCutTheRun) {
  PrepareHistory();
  EchoLines echo;
  OpenJobs("000", echo, true);
  Strings data;
  const auto recorded = [&] { return ReadTextLines(dir_.File("000/data.txt"), data) && data.size() > 5; };
  ASSERT_TRUE(test::PumpEventsUntil(recorded, 20000));
  form_->Jobs().JobsMaxSeconds = 0;
  Tick();
  form_->SetLogEcho(nullptr);
  std::vector<long double> last;
  ASSERT_TRUE(ReadTextLines(dir_.File("000/data.txt"), data) && ParseFloats(data.back(), last));
  EXPECT_EQ(echo.Lines(), Strings{"[Alert] The maximum time for all jobs was reached: job 000 was stopped at t=" +
                                  FloatToText(last[0]) + "s."});
  EXPECT_EQ(form_->Jobs().ExitStatus(), 0);
}

// A job's run whose times log.txt cannot take (log.txt.new, through which it is rewritten, is a
// directory) ended by an error: the job counts as failed, after the line naming log.txt.
TEST_F(MainWindowJobsTest, AJobWhoseLogCannotTakeTheRunsTimesFails) {
  PrepareHistory();
  EchoLines echo;
  OpenJobs("000", echo, true);
  ASSERT_TRUE(form_->SimulationRunning());
  std::filesystem::create_directory(dir_.File("000/log.txt.new"));
  form_->ToggleSimulation();
  Tick();
  EXPECT_FALSE(form_->Jobs().JobsActive);
  form_->SetLogEcho(nullptr);
  EXPECT_EQ(echo.Lines(), (Strings{"[Error] Could not write history file " + dir_.File("000/log.txt") + ": Is a directory.",
                                   "[Error] The run of job 000 ended by an error.",
                                   "[Alert] 1 of 1 jobs failed: 000."}));
  EXPECT_EQ(form_->Jobs().ExitStatus(), 1);
}

}  // namespace
}  // namespace zentrova
