#include "engine/model/step_state.h"

namespace zentrova {

void TStepState::SetCount(std::uint32_t n) {
  Current.SetCount(n);
  Evaluated.SetCount(n);
  VelocityJump.Dim(n);
  ContactForces.Dim(n);
}

}  // namespace zentrova
