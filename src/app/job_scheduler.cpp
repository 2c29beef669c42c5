#include "app/job_scheduler.h"

#include <cmath>
#include <exception>
#include <utility>

#include "platform/clock.h"
#include "platform/random.h"

namespace zentrova {

namespace {

constexpr double kSecondsPerDay = 86400.0;
constexpr double kMinutesPerDay = 1440.0;
// The wait after a job has been started, before the timer may tick again.
constexpr std::int64_t kAfterJobStartMs = 500;

// Clears a flag when the scope ends, also by an exception.
class TFlagScope {
 public:
  explicit TFlagScope(bool& flag) : flag_(flag) { flag_ = true; }
  TFlagScope(const TFlagScope&) = delete;
  TFlagScope& operator=(const TFlagScope&) = delete;
  ~TFlagScope() { flag_ = false; }

 private:
  bool& flag_;
};

}  // namespace

double TSystemJobClock::Now() { return zentrova::Now(); }

void TSystemJobClock::Sleep(std::int64_t ms) { SleepMilliseconds(ms); }

TJobScheduler::TJobScheduler(IJobHost& host, IJobsWindow& window, IJobClock& clock,
                             std::function<long double()> random)
    : host_(host), window_(window), clock_(clock), random_(std::move(random)) {
  if (!random_) random_ = [] { return Random(); };
}

bool TJobScheduler::OpenJobFile(const std::string& file_name) {
  JobNames.clear();
  TJobFile job;
  switch (ReadJobFile(file_name, job)) {
    case TJobFileRead::Missing:
      host_.LogJobLine("[Alert] Could not find job file.");
      return false;
    case TJobFileRead::NoMain:
      host_.LogJobLine("[Alert] Job file appears to be blank.");
      return false;
    case TJobFileRead::NoJobs:
    case TJobFileRead::Read:
      break;
  }
  JobWorldFile = job.WorldFile;
  JobFramesPerSecond = job.FramesPerSecond;
  MaxLinesInLog = job.MaxLinesInLog;
  ExitAtFinish = job.ExitAtFinish;
  CreateNextVersionAtEnd = job.CreateNextVersionAtEnd;
  if (job.Jobs.empty()) {
    host_.LogJobLine("[Alert] Job file appears to be blank.");
    return false;
  }
  if (!job.LexicoRandomizationRange.empty() &&
      !ReadLexicoRange(job.LexicoRandomizationRange, LexicoRangeLow, LexicoRangeHigh)) {
    host_.LogJobLine(
        "[Error] lexicoRandomizationRange ignored (the range should bi given in the form: 0.1,10, see .wld "
        "file).");
  } else if (job.LexicoRandomizationRange.empty()) {
    LexicoRangeLow = 0;
    LexicoRangeHigh = 0;
  }

  JobsStartTime = clock_.Now() + job.DelayStartMinutes / kMinutesPerDay;
  JobMaxSeconds = JobLimitSeconds(job.MaxMinutesForJob);
  JobsMaxSeconds = JobLimitSeconds(job.MaxMinutesForJobs);
  PausedSeconds = 0;
  JobNames = JobNamesFromText(job.Jobs);

  window_.ClearJobs(JobControlPaused);
  for (const std::string& name : JobNames) window_.AddJob(name);

  JobsActive = true;
  TimerTag = 0;
  host_.EnableJobsCommands(true);
  if (!host_.JobsWindowVisible()) host_.ShowHideJobsWindow();
  host_.EnableJobTimer(true);
  return true;
}

void TJobScheduler::TimerOfJobsTimer() {
  if (in_tick_ || JobControlPaused) return;
  const TFlagScope tick(in_tick_);

  const double now = clock_.Now();
  if (now > JobsStartTime + JobsMaxSeconds / kSecondsPerDay) {
    if (host_.SimulationRunning()) host_.ToggleSimulation();
    JobNames.clear();
    JobsActive = false;
  }

  if (JobsActive) {
    if (host_.WorldLoaded()) {
      RandomizeTolerances();
      if (!host_.SimulationRunning() && !host_.HistoryFilesOpen()) {
        CreateNextVersionIfAsked();
        RunNextJob();
        clock_.Sleep(kAfterJobStartMs);
      }
    } else if (now > JobsStartTime) {
      RunNextJob();
    }
  } else if (ExitAtFinish) {
    if (TimerTag == 1) {
      host_.CloseMainWindow();
    } else {
      TimerTag = 1;
      host_.SetClosing();
    }
  } else {
    host_.EnableJobTimer(false);
  }
}

void TJobScheduler::RandomizeTolerances() {
  // Only the world this scheduler loaded has bases; a world loaded by hand keeps its own values.
  if (LexicoRangeLow == LexicoRangeHigh || job_world_ == 0 || host_.WorldLoadCount() != job_world_) return;
  const long double r = random_() * (LexicoRangeHigh - LexicoRangeLow) + LexicoRangeLow;
  TJobTolerances tolerances;
  tolerances.PivotToleranceMin = r * BaseTolerances.PivotToleranceMin;
  tolerances.PivotToleranceMax = r * BaseTolerances.PivotToleranceMax;
  tolerances.LexicoZeroTolerance = r * BaseTolerances.LexicoZeroTolerance;
  host_.SetTolerances(tolerances);
}

bool TJobScheduler::RunNextJob() {
  window_.FinishCurrentJob(clock_.Now());
  if (JobNames.empty()) {
    JobsActive = false;
    return false;
  }
  window_.StartCurrentJob(clock_.Now());
  const std::string name = JobNames.front();
  // A job that cannot be loaded is reported and passed over: tried again, it would fail again.
  bool loaded = false;
  std::string error;
  try {
    loaded = host_.LoadJobWorld(JobWorldFile, name);
  } catch (const std::exception& e) {
    error = e.what();
  } catch (...) {
    error = "unknown error";
  }
  JobNames.erase(JobNames.begin());
  if (!loaded) {
    job_world_ = 0;
    host_.LogJobLine("[Error] Job " + name + " could not be loaded" + (error.empty() ? "." : ": " + error));
    window_.FinishCurrentJob(clock_.Now());
    return true;
  }
  host_.SetFramesPerSecond(JobFramesPerSecond);
  BaseTolerances = host_.Tolerances();
  job_world_ = host_.WorldLoadCount();
  host_.ToggleSimulation();
  return true;
}

void TJobScheduler::CreateNextVersionIfAsked() {
  if (!CreateNextVersionAtEnd || !host_.DriverExists()) return;
  JobControlPaused = true;
  try {
    host_.CreateNextVersion();
  } catch (...) {
    JobControlPaused = false;
    throw;
  }
  JobControlPaused = false;
}

void TJobScheduler::CancelAllJobs() {
  JobsActive = false;
  JobNames.clear();
  window_.ClearJobs(JobControlPaused);
  if (host_.JobsWindowVisible()) host_.ShowHideJobsWindow();
  host_.EnableJobsCommands(false);
  if (host_.SimulationRunning()) host_.ToggleSimulation();
}

void TJobScheduler::PauseResumeJobs() {
  const double now = clock_.Now();
  if (!JobControlPaused) {
    JobControlPaused = true;
    pause_start_ = now;
  } else {
    JobControlPaused = false;
    const double seconds = std::floor((now - pause_start_) * kSecondsPerDay + 1e-6);
    if (seconds > 0) {
      const double total = PausedSeconds.load() + seconds;
      PausedSeconds = total >= kNoJobLimit ? kNoJobLimit : static_cast<std::int32_t>(total);
    }
  }
  window_.ShowPaused(JobControlPaused);
}

void TJobScheduler::SetJobMaxMinutes(std::int32_t minutes) { JobMaxSeconds = JobLimitSeconds(minutes); }

void TJobScheduler::SetJobsMaxMinutes(std::int32_t minutes) { JobsMaxSeconds = JobLimitSeconds(minutes); }

}  // namespace zentrova
