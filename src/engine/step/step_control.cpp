#include "engine/step/step_control.h"

#include "engine/world/model.h"
#include "engine/world/world.h"

namespace zentrova {

TStepControl::TStepControl(TWorld& world, ILogSink& log)
    : TimeStepManager(world.State, world.Settings, log), world_(world) {}

void TStepControl::AfterLoad() {
  TimeStepManager.Reset();  // whatever step the world file's last reading left
  const TGeneralizedCoordinatesHistoryList& points = world_.Model().History.Points;
  if (world_.State.CurrentState < points.Count())
    world_.State.Time = points.Items(world_.State.CurrentState).Time;
}

void TStepControl::SetTime(long double time) {
  world_.State.Time = time;
}

bool TStepControl::Update(bool save_time, bool write_history, const TFloatList* velocity_jump,
                          bool at_collision) {
  const TStepState& st = world_.State;
  // After a roll-back the two times are equal: a repeated attempt is not a new step.
  if (st.Time != st.SavedTime) TimeStepManager.CountStep();
  return world_.Update(save_time, write_history, velocity_jump, at_collision);
}

bool TStepControl::RestoreSavedState(bool restore_time) {
  TStepState& st = world_.State;
  if (st.Time == 0) return true;
  world_.RestoreSavedState();
  if (restore_time) st.Time = st.SavedTime;
  return true;
}

bool TStepControl::RestoreHistoryPoint(bool update_first, bool reset_time_step) {
  if (update_first) Update(true, false, nullptr, false);
  if (reset_time_step) TimeStepManager.Reset();
  long double time = 0;
  if (world_.RestoreRecordedState(time)) world_.State.Time = time;
  return true;
}

}  // namespace zentrova
