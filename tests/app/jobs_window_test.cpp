#include "app/jobs_window.h"

#include <gtest/gtest.h>

#include <QtWidgets/QLabel>
#include <QtWidgets/QTreeWidget>

#include "app_test_support.h"
#include "qt_widgets_application.h"

namespace zentrova {
namespace {

constexpr double kSecond = 1.0 / 86400.0;
constexpr double kDay = 46000.0;

// Just enough of a main window for the window's commands.
class QuietHost : public IJobHost {
 public:
  bool WorldLoaded() const override { return false; }
  std::uint64_t WorldLoadCount() const override { return 0; }
  bool DriverExists() const override { return false; }
  bool SimulationRunning() const override { return false; }
  bool HistoryFilesOpen() const override { return false; }
  bool LoadJobWorld(const std::string&, const std::string&) override { return false; }
  bool ToggleSimulation() override { return false; }
  void SetFramesPerSecond(std::int32_t) override {}
  TJobTolerances Tolerances() const override { return {}; }
  void SetTolerances(const TJobTolerances&) override {}
  void CreateNextVersion() override {}
  void EnableJobsCommands(bool) override {}
  bool JobsWindowVisible() const override { return false; }
  void ShowHideJobsWindow() override {}
  void EnableJobTimer(bool) override {}
  void SetClosing() override {}
  void CloseMainWindow() override {}
  void LogJobLine(const std::string&) override {}
  void ShowJobMessage(const std::string&) override {}
  bool LastRunFailed() const override { return false; }
  long double HistoryEndTime() const override { return 0; }
  void HurryJobTimer() override {}
};

class StoppedClock : public IJobClock {
 public:
  double Now() override { return now; }
  void Sleep(std::int64_t) override {}
  double now = kDay;
};

TEST(JobTimeText, TimeOfDayAndDurations) {
  EXPECT_EQ(JobTimeText(kDay + (1 * 3600 + 2 * 60 + 3) * kSecond), "01:02:03");
  EXPECT_EQ(JobTimeText(kDay + 0.5 - 0.4 * kSecond), "11:59:59");  // seconds are not rounded up
  EXPECT_EQ(JobTimeText(25 * 3600 * kSecond), "01:00:00");          // a day and an hour
  EXPECT_EQ(JobTimeText(59.6 * kSecond), "00:00:59");
  EXPECT_EQ(JobTimeText(0), "00:00:00");
  EXPECT_EQ(JobTimeText(kDay + 1 - 0.0001 * kSecond), "00:00:00");  // rounds to the next midnight
}

class JobsWindowTest : public ::testing::Test {
 protected:
  JobsWindowTest() : scheduler(host, form, clock) {
    form.SetScheduler(&scheduler);
  }
  QString Cell(int row, int column) const { return form.JobsList()->topLevelItem(row)->text(column); }

  QApplication& application = test::TestWidgetsApplication();
  QuietHost host;
  StoppedClock clock;
  TVYKJobsForm form;
  TJobScheduler scheduler;
};

TEST_F(JobsWindowTest, ColumnsAndTitle) {
  EXPECT_EQ(form.windowTitle(), "Jobs");
  const QTreeWidgetItem* header = form.JobsList()->headerItem();
  ASSERT_EQ(header->columnCount(), 4);
  EXPECT_EQ(header->text(0), "Job");
  EXPECT_EQ(header->text(1), "Start at");
  EXPECT_EQ(header->text(2), "Finished at");
  EXPECT_EQ(header->text(3), "Duration");
  EXPECT_EQ(form.JobsList()->columnWidth(0), 35);
  EXPECT_EQ(form.JobsList()->columnWidth(3), 70);
  EXPECT_EQ(form.JobsPaused()->text(), " Jobs paused");
  EXPECT_EQ(form.JobsPaused()->maximumHeight(), 0);
}

TEST_F(JobsWindowTest, RowsStampedInTurn) {
  form.ClearJobs(false);
  form.AddJob("000");
  form.AddJob("001");
  form.AddJob("002");
  form.FinishCurrentJob(kDay);  // nothing started yet
  EXPECT_EQ(Cell(0, 1), "");
  form.StartCurrentJob(kDay + 3600 * kSecond);
  form.FinishCurrentJob(kDay + (3600 + 75) * kSecond);
  form.StartCurrentJob(kDay + 7200 * kSecond);
  EXPECT_EQ(Cell(0, 0), "000");
  EXPECT_EQ(Cell(0, 1), "01:00:00");
  EXPECT_EQ(Cell(0, 2), "01:01:15");
  EXPECT_EQ(Cell(0, 3), "00:01:15");
  EXPECT_EQ(Cell(1, 1), "02:00:00");
  EXPECT_EQ(Cell(1, 2), "");
  form.FinishCurrentJob(kDay + 7201 * kSecond);
  form.FinishCurrentJob(kDay + 7300 * kSecond);  // stamped once only
  EXPECT_EQ(Cell(1, 3), "00:00:01");
  form.StartCurrentJob(kDay + 7302 * kSecond);
  EXPECT_EQ(Cell(2, 1), "02:01:42");
  form.FinishCurrentJob(kDay + 7303 * kSecond);
  form.StartCurrentJob(kDay);  // beyond the last row: nothing to stamp, no crash
  form.FinishCurrentJob(kDay);
  form.ClearJobs(true);
  EXPECT_EQ(form.JobsList()->topLevelItemCount(), 0);
  EXPECT_EQ(form.JobsPaused()->maximumHeight(), 13);
}

TEST_F(JobsWindowTest, PauseAndResumeThroughTheMenu) {
  form.PauseJobsControlCommand();
  EXPECT_TRUE(scheduler.JobControlPaused);
  EXPECT_EQ(form.PauseAction()->text(), "&Resume jobs control");
  EXPECT_EQ(form.JobsPaused()->maximumHeight(), 13);
  clock.now += 61.7 * kSecond;
  form.PauseJobsControlCommand();
  EXPECT_FALSE(scheduler.JobControlPaused);
  EXPECT_EQ(scheduler.PausedSeconds, 61);
  EXPECT_EQ(form.PauseAction()->text(), "&Pause jobs control");
  EXPECT_EQ(form.JobsPaused()->maximumHeight(), 0);
}

TEST_F(JobsWindowTest, LimitBoxes) {
  test::ScriptedDialogs dialogs;
  scheduler.JobMaxSeconds = 600;
  dialogs.integer = 35791393;
  form.SetMaximumTimeForJobCommand();
  EXPECT_EQ(scheduler.JobMaxSeconds, 35791393 * 60);
  dialogs.integer = 35791394;
  form.SetMaximumTimeForAllJobsCommand();
  EXPECT_EQ(scheduler.JobsMaxSeconds, kNoJobLimit);
  dialogs.integer_ok = false;
  form.SetMaximumTimeForJobCommand();
  EXPECT_EQ(scheduler.JobMaxSeconds, 35791393 * 60);
  EXPECT_EQ(dialogs.asked,
            (std::vector<std::string>{"Set maximum allowed minutes for one job|Change to:|0|2147483647|10",
                                      "Set maximum allowed minutes for all jobs|Change to:|0|2147483647|35791394",
                                      "Set maximum allowed minutes for one job|Change to:|0|2147483647|35791393"}));
}

TEST_F(JobsWindowTest, CancelThroughTheMenu) {
  scheduler.JobsActive = true;
  scheduler.JobNames = {"003"};
  form.AddJob("003");
  form.CancelAllJobsCommand();
  EXPECT_FALSE(scheduler.JobsActive);
  EXPECT_EQ(form.JobsList()->topLevelItemCount(), 0);
}

}  // namespace
}  // namespace zentrova
