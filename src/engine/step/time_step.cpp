#include "engine/step/time_step.h"

#include "engine/engine_constants.h"
#include "engine/model/step_state.h"
#include "engine/model/world_settings.h"
#include "platform/number_text.h"

namespace zentrova {

void TTimeStepManaging::SetTimeStep() {
  state_.TimeStep = settings_.MaximumTimestep / static_cast<long double>(Divisor);
}

bool TTimeStepManaging::ReduceTimeStep() {
  // The test comes before the halving: the step used last may lie between minimumTimestep / 2 and
  // minimumTimestep.
  if (settings_.MinimumTimestep > state_.TimeStep) {
    log_.AddLine("[Error] Minimum time step of " + FloatToText(settings_.MinimumTimestep) + "s reached at " +
                 FloatToText(state_.Time) + "s.");
    if (state_.Time == 0) log_.AddLine("[Alert] Check bodies for possible overlapping.");
    return false;
  }
  if (LevelCount >= kMaxTimeStepHalvings) {
    log_.AddLine("[Error] Time step of " + FloatToText(state_.TimeStep) + "s cannot be halved further at " +
                 FloatToText(state_.Time) + "s.");
    return false;
  }
  Divisor *= 2;
  SetTimeStep();
  ++LevelCount;
  if (LevelFlags.size() < LevelCount) LevelFlags.resize(LevelCount, false);
  // Right after a doubling the new level keeps the flag it had before the doubling.
  if (!JustDoubled) LevelFlags[LevelCount - 1] = true;
  GoodSteps = 0;
  return true;
}

bool TTimeStepManaging::AfterGoodStep() {
  if (Divisor == 1) {
    JustDoubled = false;
    return true;
  }
  ++GoodSteps;
  const bool finest_clear = !LevelFlags[LevelCount - 1];
  const bool coarser_clear = LevelCount > 1 ? !LevelFlags[LevelCount - 2] : true;
  if (GoodSteps > kGoodStepsBeforeDoubling && finest_clear && coarser_clear) {
    IncreaseTimeStep();
  } else {
    JustDoubled = false;
  }
  return true;
}

bool TTimeStepManaging::IncreaseTimeStep() {
  if (Divisor > 1) {
    Divisor /= 2;
    SetTimeStep();
    GoodSteps = 0;
    JustDoubled = true;
    --LevelCount;
  }
  return true;
}

bool TTimeStepManaging::CountStep() {
  if (LevelCount > 0) {
    LevelFlags[LevelCount - 1] = !LevelFlags[LevelCount - 1];
    if (LevelCount > 1) PropagateCarry(LevelCount - 1);
  }
  return true;
}

bool TTimeStepManaging::PropagateCarry(std::uint32_t level) {
  // A flag that has just become set toggles the next coarser one, and so on up the levels.
  for (std::uint32_t k = level; k >= 1 && k < LevelFlags.size() && LevelFlags[k]; --k) {
    LevelFlags[k - 1] = !LevelFlags[k - 1];
  }
  return true;
}

bool TTimeStepManaging::Reset() {
  Divisor = 1;
  LevelCount = 0;
  GoodSteps = 0;
  JustDoubled = false;
  LevelFlags.clear();
  state_.TimeStep = settings_.MaximumTimestep;
  return true;
}

}  // namespace zentrova
