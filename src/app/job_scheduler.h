// The job scheduler: runs the histories a job file names one after the other under a one-second timer
// of the main window, with a start delay, a wall-clock limit per run and for all runs, a random scaling
// of the LCP tolerances, the next version of the model after each run and the end of the program after
// the last one.
//
// The scheduler owns the job state of the main window; the window, the jobs window and the clock are
// reached through the small interfaces below, so that tests drive the ticks with fakes.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/job_file.h"

namespace zentrova {

// The three LCP tolerances of a world.
struct TJobTolerances {
  long double PivotToleranceMin = 0;
  long double PivotToleranceMax = 0;
  long double LexicoZeroTolerance = 0;
};

// The main window as the scheduler drives it. Called on the GUI thread only.
class IJobHost {
 public:
  virtual ~IJobHost() = default;
  // A world is loaded and may run (the play button is enabled).
  virtual bool WorldLoaded() const = 0;
  // Counts the loads, so that a world loaded by hand is told from the one a job loaded.
  virtual std::uint64_t WorldLoadCount() const = 0;
  virtual bool DriverExists() const = 0;
  virtual bool SimulationRunning() const = 0;
  // The history's data files are open: the last run has not finished its final actions.
  virtual bool HistoryFilesOpen() const = 0;
  // The main window's LoadWorld for a job: messages go to the log instead of a box; it may raise.
  virtual bool LoadJobWorld(const std::string& world_file, const std::string& history_name) = 0;
  // Starts a run when none is active, else stops it.
  virtual bool ToggleSimulation() = 0;
  virtual void SetFramesPerSecond(std::int32_t frames_per_second) = 0;
  virtual TJobTolerances Tolerances() const = 0;
  // Each value is handed to the world whole; a running step reads the old or the new one.
  virtual void SetTolerances(const TJobTolerances& tolerances) = 0;
  virtual void CreateNextVersion() = 0;
  // The View menu's jobs item and its tool bar button.
  virtual void EnableJobsCommands(bool enable) = 0;
  virtual bool JobsWindowVisible() const = 0;
  // The show/hide command of the jobs window (it also sets the menu caption).
  virtual void ShowHideJobsWindow() = 0;
  virtual void EnableJobTimer(bool enable) = 0;
  // No more display refreshes: the window is about to close.
  virtual void SetClosing() = 0;
  virtual void CloseMainWindow() = 0;
  // A line of the global log, or of the log window while no world (and so no log) exists.
  virtual void LogJobLine(const std::string& line) = 0;
  // A message box about the job file; its lines have been logged already.
  virtual void ShowJobMessage(const std::string& text) = 0;
  // The last run ended by an error: a step given up, a numerics error, a state not finite, an exception.
  virtual bool LastRunFailed() const = 0;
  // The time of the last state the loaded world's history holds (where a continued run starts); 0
  // without a world.
  virtual long double HistoryEndTime() const = 0;
  // The next tick comes at once instead of a second later.
  virtual void HurryJobTimer() = 0;
};

// The rows of the jobs window.
class IJobsWindow {
 public:
  virtual ~IJobsWindow() = default;
  virtual void ClearJobs(bool paused) = 0;
  virtual void AddJob(const std::string& name) = 0;
  virtual void StartCurrentJob(double now) = 0;
  // Stamps the current row's finish and duration and moves to the next row; nothing unless a job was
  // started since the last stamp.
  virtual void FinishCurrentJob(double now) = 0;
  virtual void ShowPaused(bool paused) = 0;
};

// Date-time values (days since 1899-12-30) and the scheduler's waits.
class IJobClock {
 public:
  virtual ~IJobClock() = default;
  virtual double Now() = 0;
  virtual void Sleep(std::int64_t ms) = 0;
};

// The platform's wall clock and sleep.
class TSystemJobClock : public IJobClock {
 public:
  double Now() override;
  void Sleep(std::int64_t ms) override;
};

class TJobScheduler {
 public:
  // Host, window and clock outlive the scheduler. `random` gives uniform numbers in [0, 1); none: the
  // platform's generator.
  TJobScheduler(IJobHost& host, IJobsWindow& window, IJobClock& clock,
                std::function<long double()> random = nullptr);

  // Reads the job file and starts the timer. False, with nothing scheduled, after "[Alert] Could not find
  // job file.", "[Alert] Job file appears to be blank." or the error line of a file that could not be read;
  // these and a "jobs" value that names no job are also shown in a message box. A file of the command line
  // that is refused ends the program as its last job would, when it says exitAtFinish=1 (or Unattended).
  bool OpenJobFile(const std::string& file_name, bool from_command_line = false);
  // The one-second tick.
  void TimerOfJobsTimer();
  // Loads the next job's history and starts its run; false when no job is left (the jobs end).
  bool RunNextJob();
  void CreateNextVersionIfAsked();

  // The main window closes: the jobs still waiting are said and counted as not run.
  void ProgramClosing();

  // The jobs window's commands.
  void CancelAllJobs();
  void PauseResumeJobs();
  // The answers of the two limit boxes, in minutes.
  void SetJobMaxMinutes(std::int32_t minutes);
  void SetJobsMaxMinutes(std::int32_t minutes);

  // The exit status of the program after the job file of its command line: 2 when the file could not be
  // read or named no job, 1 when a job could not be loaded, its run ended by an error, or it never ran
  // (the limit of all jobs, a cancel, the program closed first), else 0.
  int ExitStatus() const;

  std::vector<std::string> JobNames;
  std::string JobWorldFile;
  double JobsStartTime = 0;
  // Read by the simulation thread: a run copies JobMaxSeconds when it starts and reads PausedSeconds
  // while it lasts.
  std::atomic<std::int32_t> JobMaxSeconds{kNoJobLimit};
  std::int32_t JobsMaxSeconds = kNoJobLimit;
  std::atomic<std::int32_t> PausedSeconds{0};
  std::int32_t JobFramesPerSecond = 0;
  // The global log's line limit after each load; 0: none.
  std::int32_t MaxLinesInLog = 0;
  bool JobsActive = false;
  bool JobControlPaused = false;
  bool ExitAtFinish = false;
  bool CreateNextVersionAtEnd = false;
  long double LexicoRangeLow = 0;
  long double LexicoRangeHigh = 0;
  TJobTolerances BaseTolerances;
  // 1 after the first idle tick before the exit.
  std::int32_t TimerTag = 0;
  // No display: nobody can click or close a window, so the program ends once its jobs are over, or its
  // job file is refused, whatever exitAtFinish says.
  bool Unattended = false;
  // The last job file could not be read or named no job.
  bool JobFileRefused = false;
  // The jobs of the last job file that could not be loaded or whose run ended by an error, in order.
  std::vector<std::string> FailedJobs;
  // The jobs of the last job file that never started: the limit of all jobs, a cancel or the program's
  // end came first.
  std::size_t UnrunJobs = 0;

 private:
  void RandomizeTolerances();
  // The program ends after the jobs.
  bool ExitsWhenIdle() const { return ExitAtFinish || Unattended; }
  // Logs the refusal's box and, for the command line's file, lets the timer end the program.
  bool RefuseJobFile(const std::string& text, bool from_command_line);
  // The jobs still waiting will not run: counted, and said with `why` when there are any.
  void DropWaitingJobs(const std::string& why);
  // The run of the job the scheduler started is over: a failure is counted and logged.
  void NoteRunEnd();

  IJobHost& host_;
  IJobsWindow& window_;
  IJobClock& clock_;
  std::function<long double()> random_;
  // A tick that loads or starts a run may wait in a message loop; the timer must not enter again.
  bool in_tick_ = false;
  double pause_start_ = 0;
  // The load count of the world RunNextJob loaded (its bases saved); 0: none.
  std::uint64_t job_world_ = 0;
  // The job whose run the scheduler started and has not seen end; "" when none.
  std::string running_job_;
  std::size_t job_count_ = 0;
};

}  // namespace zentrova
