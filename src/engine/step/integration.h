// One time step of the equations of motion M(q, t) q'' = h(q, q', t) of the world: a classical
// fourth-order Runge-Kutta step without contacts, an explicit Euler step after the contacts have been
// solved. Both record the start state of the step (accelerations included) as the world's saved state
// first, so that the history may record the previous one.
#pragma once

#include "numerics/float_list.h"

namespace zentrova {

class TStepControl;
class TWorld;

// Who is told that a step has been accepted, to fold the contacts of the step into the contact watches.
class IContactWatchUpdate {
 public:
  virtual ~IContactWatchUpdate() = default;
  virtual bool UpdateContactWatches(bool with_contacts) = 0;
};

class TIntegration {
 public:
  // The world, its step control (which moves the time) and the watch update (none: nothing is told)
  // outlive the integration.
  TIntegration(TWorld& world, TStepControl& control, IContactWatchUpdate* watches = nullptr)
      : world_(world), control_(control), watches_(watches) {}
  TIntegration(const TIntegration&) = delete;
  TIntegration& operator=(const TIntegration&) = delete;

  // D (2n values, interleaved per coordinate): D[2i] = q'_i, D[2i+1] = (M^-1 h)_i, the model evaluated
  // at the working state and the world's time. False when the evaluation failed.
  bool Derivatives(TFloatList& D);
  // One Runge-Kutta step of the world's time step from the working state. False when a derivative
  // could not be evaluated; the working state and the time are then left where the failing stage put
  // them (the driver rolls back).
  bool Step();
  // One explicit Euler step after impacts (`velocity_jump`: the jump an impact applied to q', none when
  // none was applied) or resting contacts, with the accelerations M^-1 (h + contact forces). The saved
  // state keeps the jump, to take it off again at a roll-back. Always true.
  bool StepAfterContact(const TFloatList* velocity_jump);

 private:
  void UpdateWatches(bool with_contacts);

  TWorld& world_;
  TStepControl& control_;
  IContactWatchUpdate* watches_;
  // The stages' derivatives and increments and the contact step's forces, kept from step to step so
  // that stepping allocates nothing.
  TFloatList d_, f_;
  TFloatList k_[4];
};

}  // namespace zentrova
