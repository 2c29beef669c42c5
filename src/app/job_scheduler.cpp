#include "app/job_scheduler.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <utility>

#include "engine/log_sink.h"
#include "engine/model/model_text.h"
#include "platform/clock.h"
#include "platform/number_text.h"
#include "platform/paths.h"
#include "platform/random.h"
#include "platform/strings.h"

namespace zentrova {

namespace {

constexpr double kSecondsPerDay = 86400.0;
constexpr double kMinutesPerDay = 1440.0;
// The wait after a job has been started, before the timer may tick again.
constexpr std::int64_t kAfterJobStartMs = 500;
// The failed jobs the summary at the end names.
constexpr std::size_t kNamedFailures = 10;

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

// Lines of the job file's reading: logged at once, and kept for the message box of a refusal.
class TSaidLines : public ILogSink {
 public:
  explicit TSaidLines(IJobHost& host) : host_(host) {}
  void AddLine(const std::string& line) override {
    host_.LogJobLine(line);
    text_ += (text_.empty() ? "" : "\n") + line;
  }
  const std::string& Text() const { return text_; }

 private:
  IJobHost& host_;
  std::string text_;
};

}  // namespace

double TSystemJobClock::Now() { return zentrova::Now(); }

void TSystemJobClock::Sleep(std::int64_t ms) { SleepMilliseconds(ms); }

TJobScheduler::TJobScheduler(IJobHost& host, IJobsWindow& window, IJobClock& clock,
                             std::function<long double()> random)
    : host_(host), window_(window), clock_(clock), random_(std::move(random)) {
  if (!random_) random_ = [] { return Random(); };
}

bool TJobScheduler::OpenJobFile(const std::string& file_name, bool from_command_line) {
  JobNames.clear();
  JobFileRefused = false;
  FailedJobs.clear();
  UnrunJobs = 0;
  running_job_.clear();
  job_count_ = 0;
  // A refused file decides by itself whether the program ends; an earlier file's word does not count.
  ExitAtFinish = false;
  TSaidLines said(host_);
  TJobFile job;
  const std::string name = ExtractFileName(file_name);
  switch (ReadJobFile(file_name, job, said)) {
    case TJobFileRead::Missing:
      said.AddLine("[Alert] Could not find job file. There is no file " + file_name + ".");
      return RefuseJobFile(said.Text(), from_command_line);
    case TJobFileRead::Unreadable:
      ExitAtFinish = job.ExitAtFinish;
      return RefuseJobFile(said.Text(), from_command_line);
    case TJobFileRead::NoMain:
      said.AddLine("[Alert] Job file appears to be blank. " + name + " has no section [Main].");
      return RefuseJobFile(said.Text(), from_command_line);
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
    said.AddLine("[Alert] Job file appears to be blank. " + name + " gives no jobs.");
    return RefuseJobFile(said.Text(), from_command_line);
  }
  LexicoRangeLow = 0;
  LexicoRangeHigh = 0;
  long double low = 0;
  long double high = 0;
  const std::string& range = job.LexicoRandomizationRange;
  // Each refusal names the file, the line and the text it refuses.
  const auto refuse = [&](const std::string& why, const std::string& after) {
    said.AddLine("[Error] " + job.LexicoRangeKey + why + EchoedText(Trim(range)) + after);
  };
  if (!range.empty() && !ReadLexicoRange(range, low, high)) {
    refuse(" ignored (the range should bi given in the form: 0.1,10, see .wld file): ", ".");
  } else if (!LexicoFactorsFit(low, high)) {
    refuse(" must be two finite factors of at least 0: ", ". The default 0,0 is used.");
  } else {
    LexicoRangeLow = low;
    LexicoRangeHigh = high;
  }

  JobsStartTime = clock_.Now() + job.DelayStartMinutes / kMinutesPerDay;
  JobMaxSeconds = JobLimitSeconds(job.MaxMinutesForJob);
  JobsMaxSeconds = JobLimitSeconds(job.MaxMinutesForJobs);
  PausedSeconds = 0;
  JobNames = JobNamesFromText(job.Jobs);
  job_count_ = JobNames.size();
  const std::string problem = JobNamesProblem(job.Jobs);
  if (!problem.empty()) said.AddLine(problem);
  // No job: the scheduler still runs, and ends at its first tick.
  if (JobNames.empty()) {
    JobFileRefused = true;
    host_.ShowJobMessage(said.Text());
  }

  window_.ClearJobs(JobControlPaused);
  for (const std::string& job_name : JobNames) window_.AddJob(job_name);

  JobsActive = true;
  TimerTag = 0;
  host_.EnableJobsCommands(true);
  if (!host_.JobsWindowVisible()) host_.ShowHideJobsWindow();
  host_.EnableJobTimer(true);
  return true;
}

bool TJobScheduler::RefuseJobFile(const std::string& text, bool from_command_line) {
  JobFileRefused = true;
  host_.ShowJobMessage(text);
  if (from_command_line && ExitsWhenIdle()) {
    // The exit path of the timer: the second idle tick closes the window.
    JobsActive = false;
    TimerTag = 0;
    host_.EnableJobTimer(true);
  }
  return false;
}

int TJobScheduler::ExitStatus() const {
  if (JobFileRefused) return 2;
  return FailedJobs.empty() && UnrunJobs == 0 ? 0 : 1;
}

void TJobScheduler::DropWaitingJobs(const std::string& why) {
  if (JobsActive && !JobNames.empty()) {
    UnrunJobs += JobNames.size();
    host_.LogJobLine("[Alert] " + why + ": " + IntToText(static_cast<std::int64_t>(JobNames.size())) +
                     " jobs did not run.");
  }
  JobNames.clear();
}

void TJobScheduler::TimerOfJobsTimer() {
  if (in_tick_ || JobControlPaused) return;
  const TFlagScope tick(in_tick_);

  const double now = clock_.Now();
  if (now > JobsStartTime + JobsMaxSeconds / kSecondsPerDay) {
    const std::string why = "The maximum time for all jobs was reached";
    if (host_.SimulationRunning()) {
      host_.ToggleSimulation();
      // The limit is the user's: the job counts as run, but its history ends short of its break time.
      if (!running_job_.empty() && !host_.LastRunFailed()) {
        host_.LogJobLine("[Alert] " + why + ": job " + running_job_ + " was stopped at t=" +
                         FloatToText(host_.HistoryEndTime()) + "s.");
      }
    }
    // A run that ended by an error just before still counts as failed.
    NoteRunEnd();
    DropWaitingJobs(why);
    JobsActive = false;
  }

  if (JobsActive) {
    if (host_.WorldLoaded()) {
      RandomizeTolerances();
      if (!host_.SimulationRunning() && !host_.HistoryFilesOpen()) {
        NoteRunEnd();
        CreateNextVersionIfAsked();
        RunNextJob();
        clock_.Sleep(kAfterJobStartMs);
      }
    } else if (now > JobsStartTime) {
      NoteRunEnd();
      RunNextJob();
    }
  } else if (ExitsWhenIdle()) {
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

void TJobScheduler::NoteRunEnd() {
  if (running_job_.empty()) return;
  if (host_.LastRunFailed()) {
    FailedJobs.push_back(running_job_);
    host_.LogJobLine("[Error] The run of job " + running_job_ + " ended by an error.");
  }
  running_job_.clear();
}

bool TJobScheduler::RunNextJob() {
  window_.FinishCurrentJob(clock_.Now());
  if (JobNames.empty()) {
    if (JobsActive && !FailedJobs.empty()) {
      // The lines of each failure said the rest: the summary names the first few.
      std::string names;
      const std::size_t named = std::min(FailedJobs.size(), kNamedFailures);
      for (std::size_t i = 0; i < named; ++i) names += (i == 0 ? "" : ", ") + FailedJobs[i];
      if (named < FailedJobs.size()) {
        names += " and " + IntToText(static_cast<std::int64_t>(FailedJobs.size() - named)) + " more";
      }
      host_.LogJobLine("[Alert] " + IntToText(static_cast<std::int64_t>(FailedJobs.size())) + " of " +
                       IntToText(static_cast<std::int64_t>(job_count_)) + " jobs failed: " + names + ".");
    }
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
    FailedJobs.push_back(name);
    host_.LogJobLine("[Error] Job " + name + " could not be loaded" + (error.empty() ? "." : ": " + error));
    window_.FinishCurrentJob(clock_.Now());
    // Nothing runs that the next job would have to wait for: a range of failing jobs takes no second each.
    host_.HurryJobTimer();
    return true;
  }
  host_.SetFramesPerSecond(JobFramesPerSecond);
  BaseTolerances = host_.Tolerances();
  job_world_ = host_.WorldLoadCount();
  if (host_.ToggleSimulation()) running_job_ = name;
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

void TJobScheduler::ProgramClosing() {
  DropWaitingJobs("The program was closed");
  JobsActive = false;
}

void TJobScheduler::CancelAllJobs() {
  DropWaitingJobs("The jobs were cancelled");
  JobsActive = false;
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
