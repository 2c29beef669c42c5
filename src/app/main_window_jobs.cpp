// The main window's part in the job control and the history files window: the scheduler's host, the
// jobs and history files windows' show/hide commands and the job file's Open command.
#include <QtCore/QTimer>
#include <QtGui/QAction>
#include <QtWidgets/QSpinBox>

#include <exception>
#include <functional>
#include <utility>

#include "app/app_dialogs.h"
#include "app/history_files_window.h"
#include "app/job_scheduler.h"
#include "app/jobs_window.h"
#include "app/log_window.h"
#include "app/main_window.h"
#include "engine/step/driver.h"
#include "engine/world/model.h"
#include "platform/message_sink.h"

namespace zentrova {

namespace {

// The log lines a box about them follows at once: a reader logs its refusal and then shows it.
constexpr std::int32_t kLinesABoxRepeats = 4;

// While a job loads its world, a message box would stop the unattended jobs: its text becomes a line of
// the log instead, unless the log has just received it (the reader's own line), which would say it twice.
class TJobMessages : public IMessageSink {
 public:
  // `log` gives the log of the driver that is current: the load replaces the driver.
  TJobMessages(IJobHost& host, std::function<const TLog*()> log)
      : host_(host), log_(std::move(log)), previous_(SetMessageSink(this)) {}
  TJobMessages(const TJobMessages&) = delete;
  TJobMessages& operator=(const TJobMessages&) = delete;
  ~TJobMessages() override { SetMessageSink(previous_); }
  void ShowMessage(const std::string& text) override {
    if (!JustLogged(text)) host_.LogJobLine(text);
  }

 private:
  bool JustLogged(const std::string& text) const {
    const TLog* log = log_();
    if (log == nullptr) return false;
    const std::int32_t count = log->Count();
    for (std::int32_t i = count - 1; i >= 0 && i >= count - kLinesABoxRepeats; --i) {
      if (log->Line(i) == text) return true;
    }
    return false;
  }

  IJobHost& host_;
  std::function<const TLog*()> log_;
  IMessageSink* previous_;
};

}  // namespace

void TVYKForm::CreateJobControl() {
  jobs_form_ = std::make_unique<TVYKJobsForm>();
  jobs_ = std::make_unique<TJobScheduler>(*this, *jobs_form_, job_clock_);
  jobs_form_->SetScheduler(jobs_.get());
  history_files_form_ = std::make_unique<TVYKHistoryFiles>(*this);
  log_feed_ = std::make_unique<TLogWindowFeed>(*log_form_);
  TimerOfJobs = new QTimer(this);
  TimerOfJobs->setInterval(1000);
  connect(TimerOfJobs, &QTimer::timeout, this, [this] { JobTimerTick(); });
}

void TVYKForm::JobTimerTick() {
  try {
    jobs_->TimerOfJobsTimer();
  } catch (const std::exception& e) {
    LogJobLine(std::string("[Error] ") + e.what());
  }
}

bool TVYKForm::OpenJobFile(const std::string& file_name, bool from_command_line) {
  return jobs_->OpenJobFile(file_name, from_command_line);
}

void TVYKForm::SetLogEcho(ILogSink* echo) {
  log_feed_->SetEcho(echo);
}

void TVYKForm::OpenJobFileCommand() {
  std::string file_name;
  if (dialogs_.OpenFile("Open", "Job files (*.job)|*.job|All (*)|*", file_name)) OpenJobFile(file_name);
}

void TVYKForm::ShowHideJobsWindow() { ToggleWindow(*jobs_form_); }

void TVYKForm::ShowHideHistoryFiles() { ToggleWindow(*history_files_form_); }

// --- IJobHost -------------------------------------------------------------------------------------------

bool TVYKForm::WorldLoaded() const { return world_loaded_; }

bool TVYKForm::DriverExists() const { return driver_ != nullptr; }

bool TVYKForm::HistoryFilesOpen() const {
  return driver_ != nullptr && driver_->World().Model().History.FilesOpen;
}

bool TVYKForm::LoadJobWorld(const std::string& world_file, const std::string& history_name) {
  const TJobMessages messages(*this, [this]() -> const TLog* { return driver_ ? &driver_->Log() : nullptr; });
  return LoadWorld(world_file, history_name, "");
}

long double TVYKForm::HistoryEndTime() const {
  if (driver_ == nullptr) return 0;
  const TGeneralizedCoordinatesHistoryList& points = driver_->World().Model().History.Points;
  const TGeneralizedCoordinatesHistory* last = points.Last();
  return last != nullptr ? last->Time : 0;
}

void TVYKForm::SetFramesPerSecond(std::int32_t frames_per_second) { frames_per_second_->setValue(frames_per_second); }

TJobTolerances TVYKForm::Tolerances() const {
  TJobTolerances tolerances;
  if (driver_ == nullptr) return tolerances;
  const TLCPSettings lcp = driver_->World().LCPSettings();
  tolerances.PivotToleranceMin = lcp.PivotToleranceMin;
  tolerances.PivotToleranceMax = lcp.PivotToleranceMax;
  tolerances.LexicoZeroTolerance = lcp.LexicoZeroTolerance;
  return tolerances;
}

void TVYKForm::SetTolerances(const TJobTolerances& tolerances) {
  if (driver_ == nullptr) return;
  TWorld& world = driver_->World();
  world.SetLCPPivotToleranceMin(tolerances.PivotToleranceMin);
  world.SetLCPPivotToleranceMax(tolerances.PivotToleranceMax);
  world.SetLCPLexicoZeroTolerance(tolerances.LexicoZeroTolerance);
}

void TVYKForm::EnableJobsCommands(bool enable) {
  Action("ViewJobsWindow")->setEnabled(enable);
  Action("ShowHideJobsWindowButton")->setEnabled(enable);
}

bool TVYKForm::JobsWindowVisible() const { return jobs_form_->isVisible(); }

void TVYKForm::EnableJobTimer(bool enable) {
  if (enable) {
    TimerOfJobs->start();
  } else {
    TimerOfJobs->stop();
  }
}

void TVYKForm::SetClosing() { Closing = true; }

void TVYKForm::CloseMainWindow() { close(); }

void TVYKForm::LogJobLine(const std::string& line) {
  if (driver_ != nullptr) {
    driver_->Log().Add(line);
  } else {
    log_feed_->AddLine(line);
  }
}

void TVYKForm::ShowJobMessage(const std::string& text) {
  ShowMessage(text);
}

void TVYKForm::HurryJobTimer() {
  // A single shot of its own: the one-second rhythm of the timer goes on as it was.
  QTimer::singleShot(0, this, [this] {
    if (TimerOfJobs->isActive()) JobTimerTick();
  });
}

}  // namespace zentrova
