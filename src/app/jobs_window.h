// The jobs window "Jobs": one row per job of the job file with its start, finish and duration, a
// " Jobs paused" line while the scheduler is paused, and the pop-up commands that cancel, pause or
// resume the jobs and change their limits.
#pragma once

#include <QtWidgets/QWidget>

#include <string>

#include "app/job_scheduler.h"

class QAction;
class QLabel;
class QTreeWidget;

namespace zentrova {

// A date-time value's time of day as "hh:nn:ss" (a duration of a day or more shows its remainder).
std::string JobTimeText(double date_time);

class TVYKJobsForm : public QWidget, public IJobsWindow {
 public:
  explicit TVYKJobsForm(QWidget* parent = nullptr);

  // The scheduler whose commands the pop-up menu gives; none: the commands do nothing.
  void SetScheduler(TJobScheduler* scheduler) { scheduler_ = scheduler; }

  // --- IJobsWindow -------------------------------------------------------------------------------------
  void ClearJobs(bool paused) override;
  void AddJob(const std::string& name) override;
  void StartCurrentJob(double now) override;
  void FinishCurrentJob(double now) override;
  void ShowPaused(bool paused) override;

  // The pop-up commands, as the menu gives them.
  void CancelAllJobsCommand();
  void PauseJobsControlCommand();
  void SetMaximumTimeForJobCommand();
  void SetMaximumTimeForAllJobsCommand();

  QTreeWidget* JobsList() const { return jobs_list_; }
  QLabel* JobsPaused() const { return jobs_paused_; }
  QAction* PauseAction() const { return pause_action_; }

 private:
  // The text appended as the next column of the current row.
  void AppendToCurrentRow(const std::string& text);

  TJobScheduler* scheduler_ = nullptr;
  QTreeWidget* jobs_list_ = nullptr;
  QLabel* jobs_paused_ = nullptr;
  QAction* pause_action_ = nullptr;
  std::int32_t row_index_ = 0;
  double start_time_ = 0;
};

}  // namespace zentrova
