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
  NotFinite,      // the time, the energy or a coordinate of the state turned NaN or infinite
  Exception       // a step raised an exception
};

// What a run tells while it lasts. Called on the thread that runs the loop; LogLine while the log holds
// its lock (it must not add lines itself).
class IRunObserver {
 public:
  virtual ~IRunObserver() = default;
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

  // Steps until the break time, or until the world's time reaches `until` (within half a step), or a
  // stop. The stops at the break time and on a numerics error log their line and lower the count of
  // stored states by one. A state that turns NaN or infinite ends the run with an error line naming the
  // quantity and the time; an exception of a step ends it with "[Error] " and its message in the log.
  TRunStop Run(long double until = std::numeric_limits<long double>::infinity());

  // IRunControl: any thread may stop the run; it ends after the current step.
  bool SimulationRunning() const override { return running_; }
  void StopSimulation() override { running_ = false; }

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

  void StopWithLine(const std::string& line);
  // The line naming the first quantity of the world's state that is NaN or infinite; "" when all are
  // finite.
  static std::string NotFiniteLine(const TWorld& world);

  TVYKMain& main_;
  IRunObserver* observer_;
  TLogForward log_forward_;
  std::atomic<bool> running_{false};
};

}  // namespace zentrova
