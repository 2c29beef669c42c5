// The simulation loop: one driver step per pass until the break time, a time asked for, an error or a
// stop, with the history's data files open for the run. The program's simulation thread and the
// command-line runner both run it; what they do around the steps (redraw, frames, output) they do as its
// observer.
#pragma once

#include <atomic>
#include <cstdint>
#include <limits>
#include <string>

#include "engine/record/log.h"

namespace zentrova {

class TVYKMain;
class TWorld;

// Why a run ended.
enum class TRunStop {
  BreakTime,      // the world's time passed the break time
  Until,          // the world's time reached the time asked for
  Stopped,        // the run was stopped (the user, break at collisions, the log's line limit)
  StepFailed,     // the driver gave a step up
  NumericsError,  // the numerics error record holds an error
  TimeLimit,      // the run used up its wall-clock seconds
  NotFinite,      // the time, the energy or a coordinate of the state turned NaN or infinite
  Exception,      // a step raised an exception
  WriteFailed,    // a history file could not be written (a full disk, a file-size limit, no permission)
  PastBreakTime   // the history already ends past the break time: no step was taken
};

// Whether a run that stopped so ended by an error: its job failed, its command exits non-zero.
bool RunFailed(TRunStop stop);

// What a run tells while it lasts, and what it asks of its host each pass. Called on the thread that runs
// the loop; LogLine while the log holds its lock (it must not add lines itself). The defaults suit a run
// without a window: no redraws, no frames, no paused time, the monotonic clock.
class IRunObserver {
 public:
  virtual ~IRunObserver() = default;
  // Asked before each pass: false ends the run before it steps again (a stop that came before the loop
  // began).
  virtual bool KeepRunning() { return true; }
  // Redraws per second of wall-clock time while the run lasts (0 to 50); 0 never redraws.
  virtual std::int32_t FramesPerSecond() { return 0; }
  // The view should show the world's current state.
  virtual void Redraw(const TWorld& world) {}
  // One frame of the AVI recording at the current state; `frame_delay_ms` is the pause before the frame
  // and receives how long adding it took.
  virtual void WriteAviFrame(const TWorld& world, std::int32_t& frame_delay_ms) {}
  // Closes the AVI file of a recording that the run ends.
  virtual void CloseAviFile() {}
  // Seconds during which the host's job control was paused: they lengthen the wall-clock limit.
  virtual std::int32_t PausedSeconds() { return 0; }
  // Milliseconds of a clock that never goes back; the redraw rate and the wall-clock limit use it.
  virtual std::int64_t NowMilliseconds();
  // The host's last refresh, before the history's data files close; called however the run ended.
  virtual void AfterRun(const TWorld& world) {}
  // A driver step has been taken: computed, replayed, or retried with a smaller step.
  virtual void StepAccepted(const TWorld& world) {}
  // The history has recorded the state with this index (0 is the first).
  virtual void StateRecorded(std::uint32_t index) {}
  virtual void LogLine(const std::string& line) {}
  // The run has ended; `reason` is the line logged for the stop, or "" for a plain stop.
  virtual void RunStopped(TRunStop stop, const std::string& reason) {}
};

class TRunLoop : public IRunControl {
 public:
  // The driver outlives the loop; the observer (none: nobody is told) outlives every Run.
  explicit TRunLoop(TVYKMain& main, IRunObserver* observer = nullptr);
  TRunLoop(const TRunLoop&) = delete;
  TRunLoop& operator=(const TRunLoop&) = delete;

  // Steps until the break time, or until the state at `until` (within half a step) is recorded, or a
  // stop. That state is recorded whatever the recording interval, once the step from it has computed
  // what is recorded of it (its accelerations); the run then ends in it, as when the last recorded state
  // is shown. A history replayed up to `until` ends there. Each pass redraws when the observer's rate asks
  // for it, writes the AVI frame of a recording inside its window of states (the last one ends the run after
  // this pass's step), steps, and then checks the break time, the numerics error record and the wall-clock
  // limit, in this order: each that holds logs its line; the count of stored states goes down by one in a
  // pass that had any of them. A state that turns NaN or infinite ends the run with an error line naming the
  // quantity and the time; an exception of a step ends it with "[Error] " and its message in the log. A
  // history file that cannot be written (opened, appended to, closed) ends it with the history's one
  // error line, in the last recorded state, so that a run that goes on later leaves no gap. A history that
  // already ends past the break time is neither replayed nor continued (unless the replay films its
  // states): an alert says so. The final actions (AVI file closed, recording flag cleared, AfterRun, history
  // files closed) run however the run ended. A run that ended without an error then writes its first and
  // last recorded times into the history log; a log.txt that cannot take them ends it as WriteFailed.
  TRunStop Run(long double until = std::numeric_limits<long double>::infinity());

  // IRunControl: any thread may stop the run; it ends after the current step.
  bool SimulationRunning() const override { return running_; }
  void StopSimulation() override { running_ = false; }

  // Wall-clock seconds a run may take beyond the observer's paused seconds; INT32_MAX: no limit.
  std::int32_t MaxSeconds = std::numeric_limits<std::int32_t>::max();
  std::uint64_t Steps = 0;  // driver steps taken, over every Run
  std::string StopReason;   // the line logged for the last stop, or ""

 private:
  class TLogForward : public ILogSink {
   public:
    explicit TLogForward(IRunObserver* observer) : observer_(observer) {}
    void AddLine(const std::string& line) override { observer_->LogLine(line); }

   private:
    IRunObserver* observer_;
  };

  // Stops the run and logs the line; the count of stored states goes down once per pass, never below 0.
  void StopWithLine(const std::string& line, bool& count_lowered);
  // The line of a failed write of a history file, logged here when the history could not log it itself;
  // the run is stopped and StopReason is the line. "" when every write succeeded.
  std::string TakeWriteFailure();
  void FinalActions();
  // The world's state at `until` is there: a replayed state, or (`computed`) the saved state of a step
  // computed from it.
  bool UntilReached(long double until, bool& computed) const;
  // The line saying that the history's last record lies past the break time (and past `until`, which the
  // replay would reach first), so that the run has nothing to compute; "" otherwise.
  static std::string PastBreakTimeLine(const TWorld& world, long double until);
  // The line naming the first quantity of the world's state that is NaN or infinite, the dependent
  // coordinates' values among them when `dependent_too`; "" when all are finite.
  static std::string NotFiniteLine(const TWorld& world, bool dependent_too);

  TVYKMain& main_;
  IRunObserver* observer_;
  TLogForward log_forward_;
  std::atomic<bool> running_{false};
};

}  // namespace zentrova
