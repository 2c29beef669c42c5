// Step control: the one owner of the time-step manager and the one writer of the working state's time
// and time step. The integrator moves the time through it, the driver rolls back and restores recorded
// states through it; the world only copies coordinates between its working, saved and recorded states.
#pragma once

#include "engine/log_sink.h"
#include "engine/step/time_step.h"

namespace zentrova {

class TFloatList;
class TWorld;

class TStepControl {
 public:
  // The world outlives the control; the control logs to `log`.
  TStepControl(TWorld& world, ILogSink& log);
  TStepControl(const TStepControl&) = delete;
  TStepControl& operator=(const TStepControl&) = delete;

  // A world just loaded: the time step is maximumTimestep, and the working time that of the recorded
  // state the load made the working state (none recorded: the time stays as it is).
  void AfterLoad();
  // The time of an integration stage or of the step's end.
  void SetTime(long double time);
  // The start of a step is accepted (TWorld::Update with the same arguments); a new step, one whose time
  // has moved on from the saved state's, counts for the time-step levels, a repeated attempt after a
  // roll-back does not. Always true.
  bool Update(bool save_time, bool write_history, const TFloatList* velocity_jump, bool at_collision);
  // Back to the saved state (TWorld::RestoreSavedState), with `restore_time` to its time as well. Nothing
  // happens at time 0. Always true.
  bool RestoreSavedState(bool restore_time);
  // The recorded state at CurrentState becomes the working state with its time, after an Update when
  // `update_first`; with `reset_time_step` the time step goes back to maximumTimestep. Always true.
  bool RestoreHistoryPoint(bool update_first, bool reset_time_step);

  TTimeStepManaging TimeStepManager;

 private:
  TWorld& world_;
};

}  // namespace zentrova
