// The dynamic state a run moves between: the working state that a step computes into and the model is
// evaluated at, and the saved state at the start of the current step, to which a refused step rolls
// back. A history point recorded in a step is the saved state before that step, i.e. the start of the
// previous accepted step.
//
// Compiled expressions read the time and q, q', q'' by address, and body coordinates point into the
// lists: the state lives as long as its world and its members never move.
#pragma once

#include <cstdint>

#include "engine/model/coordinates.h"
#include "numerics/float_list.h"

namespace zentrova {

struct TStepState {
  TStepState() = default;
  TStepState(const TStepState&) = delete;
  TStepState& operator=(const TStepState&) = delete;

  // Sizes both coordinate sets, the velocity jump and the contact forces to n (new values 0).
  void SetCount(std::uint32_t n);

  // Time of the working state (s). Written by step control only: for the integrator while it steps, at
  // the roll-backs (to the saved state, to a recorded state) and after a load.
  long double Time = 0;
  long double SavedTime = 0;              // time of the saved state (s)
  long double TimeStep = 0;               // current step h (s), written by step control's time-step manager
  long double MechanicalEnergy = 0;       // of the working state (J)
  long double SavedMechanicalEnergy = 0;  // of the saved state (J)

  TCoordinateList Current;    // saved state: q, q', q'' at the start of the current step
  TCoordinateList Evaluated;  // working state: the model is evaluated here; bodies point into it
  bool AtCollision = false;     // the saved state was accepted at a collision
  bool ImpulseApplied = false;  // an impact's velocity jump was applied at the saved state
  TFloatList VelocityJump;      // n values: that jump, taken off again when the state is rolled back
  TFloatList ContactForces;     // n generalized contact forces, zeroed before each contact step

  std::uint32_t StoredStateCount = 0;  // states in the history
  std::uint32_t CurrentState = 0;      // index of the state shown or continued from
};

}  // namespace zentrova
