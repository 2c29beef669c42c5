// The simulation driver: owns the log its world writes to, the world, its step control, the integrator
// and the collision handler, and advances the model one step at a time for the simulation loop. Each step
// either replays the next recorded state, or computes a new one (contact detection, then the contact
// solution and an Euler step, or a Runge-Kutta step without contacts), or retries with half the time
// step, or, at the minimum time step, goes back in the history. The loop around the steps is TRunLoop's.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/contact/collisions.h"
#include "engine/record/log.h"
#include "engine/step/integration.h"
#include "engine/step/step_control.h"
#include "engine/world/world.h"

namespace zentrova {

class TVYKMain : public ICollisionWorld, public IContactWatchUpdate {
 public:
  // Clears the numerics error record, then creates the log, the world (which logs to it and shows its
  // message boxes through `messages`, the program's message sink when nullptr), its step control, the
  // integration and the collision handler, in this order.
  explicit TVYKMain(IMessageSink* messages = nullptr);
  // Writes the run's first and last recorded times into the history log, closes the history (which saves
  // its log) and removes a history directory that this load created and that recorded nothing, or all of
  // it when the load failed; then frees the log, the world and the rest.
  ~TVYKMain() override;
  TVYKMain(const TVYKMain&) = delete;
  TVYKMain& operator=(const TVYKMain&) = delete;

  // TWorld::Load with the same arguments; then the time step is maximumTimestep and the time that of the
  // state the load made the working state.
  bool LoadWorld(const std::string& path, std::string& history_name, const std::string& start_history_name);

  // One pass of the simulation loop: replays the next recorded state, or computes a new one, or
  // retries with a smaller step, or goes back in the history (further with every failure at the same
  // place). False when the step was given up: the run control has then been switched off.
  bool Step();
  // The next recorded state while there is one after the current state.
  bool ReplayNextState();
  // Shows the recorded state at the world's current state index; the last one also resets the time
  // step and makes the state before it the saved one. False beyond the last recorded state.
  bool ShowHistoryPoint();
  // Contact detection, then the contact step or the plain step. False when the step was refused.
  bool ComputeStep();
  bool PlainStep();
  bool ContactStep();
  // Rolls back to the saved state and halves the time step; false at the minimum time step.
  bool RetryWithSmallerStep();
  // Returns to count - 1 states before the current one. False when fewer than count + 1 are stored.
  bool GoBackInHistory(std::uint32_t count);
  // Folds the last step into the contact watches and, with contacts, adds every contact's impulse to
  // the watches of its vertex and of its edge's two end points.
  bool UpdateContactWatches(bool with_contacts) override;
  // The end of a run at a time asked for: the saved state is recorded, whatever the recording interval,
  // when it is later than the last record, and the last record becomes the working state as
  // ShowHistoryPoint makes it (the state a continued computation starts from). False without a record.
  bool EndAtSavedState();
  // After a record that could not be written: the last record becomes the working and the saved state,
  // and the contact watches take their values from its watches line, so that a run that goes on computes,
  // and records, every state after it again as one run would. False without a record.
  bool ReturnToLastRecord();
  // History log lines 2 and 3 := the times of the first and last recorded states.
  void WriteRunTimes();

  // The run that steps the driver: stopped after the current step when a step is given up or a
  // collision breaks the run; none: nothing is stopped.
  void SetRunControl(IRunControl* run_control) { run_control_ = run_control; }

  // The log the world writes to (ICollisionWorld::Log with the whole log).
  TLog& Log() override { return *log_; }
  TWorld& World() { return *world_; }
  TStepControl& StepControl() { return *step_control_; }
  TIntegration& Integration() { return *integration_; }
  TCollisions& Collisions() { return *collisions_; }

  // --- ICollisionWorld --------------------------------------------------------------------------------
  TBodyList& Bodies() override;
  const TWorldSettings& Settings() override { return world_->Settings; }
  TLCPSettings LCPSettings() override { return world_->LCPSettings(); }
  TStepState& State() override { return world_->State; }
  TContactProperties* ContactProperties() override;
  long double MaxStepDisplacement() override;
  const TSqrMatrix& InverseMassMatrix() override;
  const TNonZeroPattern* InverseMassPattern() override;
  const TFloatList& GeneralizedForces() override;
  void StopRun() override;
  TContactPointList* ContactPointList() override { return &world_->ContactPointList; }

  // Set by the main window when AVI recording starts, cleared by the simulation loop at its end; the
  // loop records every AviFrameStep-th state index from AviFirstState to AviLastState.
  std::atomic<bool> AviRecording{false};
  std::uint32_t AviFirstState = 0;
  std::uint32_t AviLastState = 0;
  std::uint32_t AviFrameStep = 1;

 private:

  std::unique_ptr<TLog> log_;
  std::unique_ptr<TWorld> world_;
  std::unique_ptr<TStepControl> step_control_;
  std::unique_ptr<TIntegration> integration_;
  std::unique_ptr<TCollisions> collisions_;
  IRunControl* run_control_ = nullptr;
  // The last LoadWorld succeeded.
  bool loaded_ = false;
  // Failed attempts since a computed step last got a maximum step past failure_time_, the time of the
  // last failure.
  std::uint32_t going_back_attempts_ = 0;
  long double failure_time_ = 0;
};

}  // namespace zentrova
