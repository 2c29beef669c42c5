// The world's time step: always maximumTimestep / 2^k. A refused step halves it; after enough accepted
// steps it is doubled again, but only where the finer steps add up to whole coarser ones.
//
// The level flags are the digits of a base-2 counter of finest-level steps: flag i belongs to halving
// level i (0 the coarsest). Halving sets the new level's flag (the step in progress is half done),
// every new step toggles the finest flag and carries into the coarser ones, and the step may be doubled
// only while the finest two flags are clear, i.e. on a boundary of the coarser step.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/log_sink.h"

namespace zentrova {

struct TStepState;
struct TWorldSettings;

class TTimeStepManaging {
 public:
  // Writes the state's time step within the settings' maximum and minimum and logs to `log`; all three
  // outlive the manager.
  TTimeStepManaging(TStepState& state, const TWorldSettings& settings, ILogSink& log)
      : state_(state), settings_(settings), log_(log) {}
  TTimeStepManaging(const TTimeStepManaging&) = delete;
  TTimeStepManaging& operator=(const TTimeStepManaging&) = delete;

  // After a refused attempt: halves the step. False, nothing changed, when the step already lies below
  // minimumTimestep ("[Error] Minimum time step of <min>s reached at <t>s.", and at time 0 also "[Alert]
  // Check bodies for possible overlapping.") or when it cannot be halved any more without overflowing
  // the divisor.
  bool ReduceTimeStep();
  // After an accepted attempt: doubles the step on the fourth accepted step at a level when the level
  // flags allow it. Always true.
  bool AfterGoodStep();
  // Doubles the step unless it is maximumTimestep. Always true.
  bool IncreaseTimeStep();
  // A new step starts from an accepted state: counts one finest-level step. Always true.
  bool CountStep();
  // Passes a flag that has just become set on to the next coarser level. Always true.
  bool PropagateCarry(std::uint32_t level);
  // Back to maximumTimestep with no halving in force. Always true.
  bool Reset();

  std::int64_t Divisor = 1;  // time step = maximumTimestep / Divisor = maximumTimestep / 2^LevelCount
  std::uint32_t GoodSteps = 0;
  // One flag per halving level; grows as needed and is never shrunk (a doubling keeps the flags).
  std::vector<bool> LevelFlags;
  std::uint32_t LevelCount = 0;
  bool JustDoubled = false;

 private:
  void SetTimeStep();

  TStepState& state_;
  const TWorldSettings& settings_;
  ILogSink& log_;
};

}  // namespace zentrova
